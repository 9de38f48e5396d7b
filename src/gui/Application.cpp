#include "gui/Application.h"

#include "gui/ControlTree.h"
#include "gui/Timers.h"
#include "gui/WindowBackend.h"
#include "platform/Clock.h"
#include "platform/MainThread.h"

#include <algorithm>

namespace gui {

using namespace platform;

using namespace internal;

TApplication* Application() {
    static auto* app = new TApplication();
    return app;
}

bool TApplication::ProcessMessages() {
    return Process(false);
}

bool TApplication::Process(bool pacePainting) {
    bool any = ProcessMainThreadQueue() > 0;
    any = WindowBackend()->PumpEvents() || any;
    any = FireDueTimers() > 0 || any;
    any = ProcessMainThreadQueue() > 0 || any;
    const uint64_t now = GetTickCount64();
    const bool due = !pacePainting || now - FLastPaint >= kPaintIntervalMs;
    FPaintPending = false;
    for (TWindow* w : std::vector<TWindow*>(FWindows)) {
        auto& list = FWindows;
        if (std::find(list.begin(), list.end(), w) == list.end()) continue;
        if (!w->FShown || !w->FNeedsPaint) continue;
        if (!due) {
            FPaintPending = true;
            continue;
        }
        w->PaintWindow();
        FLastPaint = now;
    }
    return any;
}

void TApplication::HandleMessage() {
    if (Process(true)) return;
    uint64_t wait = 50;
    if (auto next = TimeToNextTimer()) wait = std::min<uint64_t>(*next, wait);
    if (FPaintPending) {
        uint64_t since = GetTickCount64() - FLastPaint;
        wait = std::min<uint64_t>(wait, since >= kPaintIntervalMs ? 0 : kPaintIntervalMs - since);
    }
    if (wait > 0) WindowBackend()->WaitEvents(uint32_t(wait));
}

void TApplication::Run() {
    while (!FTerminated) {
        if (FMainForm && !FMainForm->FShown) break;
        HandleMessage();
    }
}

TWindow* ActiveWindow() {
    const auto& stack = ModalStack();
    if (!stack.empty() && stack.back()->FShown) return stack.back();
    TWindow* best = nullptr;
    for (TWindow* w : Application()->Windows()) {
        if (!w->FShown || w->FWindowState == wsMinimized || (w->FExStyle & WS_EX_NOACTIVATE))
            continue;
        if (!best || w->FActivation > best->FActivation) best = w;
    }
    return best;
}

TWindow* WindowFromPoint(POINT screen) {
    return WindowBackend()->WindowAt(screen);
}

TControl* ControlFromPoint(POINT screen) {
    TWindow* w = WindowFromPoint(screen);
    if (!w) return nullptr;
    POINT p{screen.x - w->Left(), screen.y - w->Top()};
    if (!w->ClientRectInWindow().Contains(p.x, p.y)) return w;
    return w->ControlAtPoint({p.x - w->ClientInsets().left, p.y - w->ClientInsets().top});
}
POINT GetCursorPos() {
    return WindowBackend()->CursorPos();
}

} // namespace gui
