#include "gui/HeadlessBackend.h"

#include "gui/Timers.h"
#include "platform/MainThread.h"
#include "platform/Text.h"

#include <algorithm>

namespace gui {

using namespace platform;

THeadlessBackend::THeadlessBackend(int screenWidth, int screenHeight)
    : FScreenWidth(screenWidth), FScreenHeight(screenHeight) {
    FMouse = {-1, -1};
    // Boxes are recorded, and still written to standard error as before.
    FOldPresenter = SetMessageBoxPresenter([this](const MessageBoxRequest& r) {
        {
            std::lock_guard<std::mutex> lock(FBoxMutex);
            FBoxes.push_back(r);
        }
        WriteMessageBoxLine(r);
        if (r.buttons == MessageButtons::YesNo) return FAnswer;
        return MessageResult::Ok;
    });
}

THeadlessBackend::~THeadlessBackend() {
    SetMessageBoxPresenter(FOldPresenter);
}

THeadlessBackend::Native* THeadlessBackend::Find(TWindow* window) {
    for (auto& n : FNatives)
        if (n.window == window) return &n;
    return nullptr;
}
const THeadlessBackend::Native* THeadlessBackend::Find(TWindow* window) const {
    for (auto& n : FNatives)
        if (n.window == window) return &n;
    return nullptr;
}

void THeadlessBackend::ShowWindow(TWindow* window, bool visible) {
    Native* n = Find(window);
    if (!n) {
        if (!visible) return;
        FNatives.push_back({window});
        n = &FNatives.back();
        n->opacity = window->EffectiveOpacity();
    }
    n->shown = visible;
    if (visible) RaiseWindow(window);
}

void THeadlessBackend::DestroyWindow(TWindow* window) {
    FNatives.erase(std::remove_if(FNatives.begin(), FNatives.end(),
                                  [&](const Native& n) { return n.window == window; }),
                   FNatives.end());
    if (FCaptureWindow == window) FCaptureWindow = nullptr;
    if (FMouseWindow == window) FMouseWindow = nullptr;
}

void THeadlessBackend::SetWindowBounds(TWindow*, const RECT&) {}

void THeadlessBackend::SetWindowOpacity(TWindow* window, uint8_t alpha) {
    if (Native* n = Find(window)) n->opacity = alpha;
}

void THeadlessBackend::SetWindowTopmost(TWindow* window, bool) {
    RaiseWindow(window);
}
void THeadlessBackend::SetWindowRegion(TWindow*, const TRegion*) {}

void THeadlessBackend::SetWindowMinimized(TWindow* window, bool minimized) {
    if (Native* n = Find(window)) n->minimized = minimized;
}

void THeadlessBackend::RaiseWindow(TWindow* window) {
    auto it = std::find_if(FNatives.begin(), FNatives.end(),
                           [&](const Native& n) { return n.window == window; });
    if (it == FNatives.end()) return;
    Native n = *it;
    FNatives.erase(it);
    // Above every window, or above the ordinary ones only for a normal window.
    auto pos = FNatives.end();
    if (!window->Topmost())
        pos = std::find_if(FNatives.begin(), FNatives.end(),
                           [](const Native& o) { return o.window->Topmost(); });
    FNatives.insert(pos, n);
}

void THeadlessBackend::Present(TWindow* window, const TSurface&) {
    if (Native* n = Find(window)) ++n->presents;
}

void THeadlessBackend::SetCapture(TWindow* window, bool capture) {
    if (capture)
        FCaptureWindow = window;
    else if (FCaptureWindow == window)
        FCaptureWindow = nullptr;
}

TWindow* THeadlessBackend::WindowAt(POINT p) {
    for (auto it = FNatives.rbegin(); it != FNatives.rend(); ++it) {
        if (!it->shown || it->minimized) continue;
        TWindow* w = it->window;
        if (w->PointInRegion({p.x - w->Left(), p.y - w->Top()})) return w;
    }
    return nullptr;
}

void THeadlessBackend::WaitEvents(uint32_t timeoutMs) {
    WaitForMainThreadWork(std::chrono::milliseconds(timeoutMs));
}

TWindow* THeadlessBackend::MouseTarget(POINT screen) {
    if (FCaptureWindow) return FCaptureWindow;
    return WindowAt(screen);
}

void THeadlessBackend::SendMouse(TWindow::TMouseKind kind, POINT screen, int clicks, int wheel) {
    TWindow* target = MouseTarget(screen);
    if (kind == TWindow::TMouseKind::Move && target != FMouseWindow) {
        TWindow* old = FMouseWindow;
        FMouseWindow = target;
        if (old) old->MouseInput(TWindow::TMouseKind::Leave, screen, Keys());
    }
    if (target) target->MouseInput(kind, screen, Keys(), clicks, wheel);
}

void THeadlessBackend::MouseMove(int x, int y) {
    FMouse = {x, y};
    SendMouse(TWindow::TMouseKind::Move, FMouse);
}

void THeadlessBackend::MouseDown(int x, int y) {
    if (FMouse != POINT{x, y}) MouseMove(x, y);
    FLeftDown = true;
    SendMouse(TWindow::TMouseKind::LeftDown, FMouse, 1);
}

void THeadlessBackend::MouseUp(int x, int y) {
    if (FMouse != POINT{x, y}) MouseMove(x, y);
    FLeftDown = false;
    SendMouse(TWindow::TMouseKind::LeftUp, FMouse, 1);
}

void THeadlessBackend::Click(int x, int y) {
    MouseDown(x, y);
    MouseUp(x, y);
}

void THeadlessBackend::DoubleClick(int x, int y) {
    Click(x, y);
    FLeftDown = true;
    SendMouse(TWindow::TMouseKind::LeftDown, FMouse, 2);
    FLeftDown = false;
    SendMouse(TWindow::TMouseKind::LeftUp, FMouse, 1);
}

void THeadlessBackend::Drag(POINT from, POINT to, int steps) {
    MouseDown(from.x, from.y);
    steps = std::max(1, steps);
    for (int i = 1; i <= steps; ++i)
        MouseMove(from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps);
    MouseUp(to.x, to.y);
}

void THeadlessBackend::Wheel(int x, int y, int delta) {
    if (FMouse != POINT{x, y}) MouseMove(x, y);
    SendMouse(TWindow::TMouseKind::Wheel, FMouse, 1, delta);
}

void THeadlessBackend::KeyDown(WPARAM vk, WPARAM modifiers) {
    TWindow* w = nullptr;
    for (auto it = FNatives.rbegin(); it != FNatives.rend() && !w; ++it)
        if (it->shown && !it->minimized) w = it->window;
    if (w) w->KeyInput(true, vk, modifiers);
}

void THeadlessBackend::KeyUp(WPARAM vk, WPARAM modifiers) {
    TWindow* w = nullptr;
    for (auto it = FNatives.rbegin(); it != FNatives.rend() && !w; ++it)
        if (it->shown && !it->minimized) w = it->window;
    if (w) w->KeyInput(false, vk, modifiers);
}

void THeadlessBackend::KeyPress(WPARAM vk, WPARAM modifiers) {
    KeyDown(vk, modifiers);
    KeyUp(vk, modifiers);
}

void THeadlessBackend::TypeText(const std::string& utf8) {
    TWindow* w = nullptr;
    for (auto it = FNatives.rbegin(); it != FNatives.rend() && !w; ++it)
        if (it->shown && !it->minimized) w = it->window;
    if (!w) return;
    for (char32_t c : Utf8ToUtf32(utf8))
        w->CharInput(c);
}

TSurface THeadlessBackend::ScreenImage() {
    TSurface screen;
    screen.SetSize(FScreenWidth, FScreenHeight, 0xFF000000u);
    for (const Native& n : FNatives) {
        if (!n.shown || n.minimized) continue;
        TSurface s = n.window->RegionSurface();
        TDeviceContext dc{
            &screen, {n.window->Left(), n.window->Top()}, {0, 0, FScreenWidth, FScreenHeight}};
        if (n.opacity == 255) {
            DCBlendPixels(&dc, 0, 0, s.Pixels.data(), s.Width, s.Height, s.Width);
        } else {
            for (uint32_t& p : s.Pixels) {
                uint32_t a = ((p >> 24) * n.opacity + 127) / 255;
                p = (p & 0x00FFFFFFu) | (a << 24);
            }
            DCBlendPixels(&dc, 0, 0, s.Pixels.data(), s.Width, s.Height, s.Width);
        }
    }
    return screen;
}

uint8_t THeadlessBackend::WindowOpacity(TWindow* window) const {
    const Native* n = Find(window);
    return n ? n->opacity : window->EffectiveOpacity();
}

bool THeadlessBackend::IsWindowShown(TWindow* window) const {
    const Native* n = Find(window);
    return n && n->shown;
}

bool THeadlessBackend::IsWindowMinimized(TWindow* window) const {
    const Native* n = Find(window);
    return n && n->minimized;
}

int THeadlessBackend::PresentCount(TWindow* window) const {
    const Native* n = Find(window);
    return n ? n->presents : 0;
}

std::vector<MessageBoxRequest> THeadlessBackend::MessageBoxes() const {
    std::lock_guard<std::mutex> lock(FBoxMutex);
    return FBoxes;
}

void THeadlessBackend::ClearMessageBoxes() {
    std::lock_guard<std::mutex> lock(FBoxMutex);
    FBoxes.clear();
}

} // namespace gui
