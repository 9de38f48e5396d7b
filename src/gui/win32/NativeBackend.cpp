// The Win32 back-end: each window a borderless popup of the system's own.
// The skin's hit test answers WM_NCHITTEST, so the system moves and sizes
// the windows as it does its own; the composed pixels are blitted as they
// are.
#include "gui/Window.h"
#include "gui/WindowBackend.h"
#include "gui/win32/NativeWindow.h"
#include "platform/MainThread.h"

#include <map>
#include <memory>

namespace gui {

using namespace platform;
using namespace win32;

namespace {

class TWin32Backend;

// One window's native side: its events go to the toolkit window.
struct TWin32Peer : TNativeEvents {
    TWin32Backend* backend = nullptr;
    TWindow* window = nullptr;
    std::unique_ptr<TNativeWindow> native;

    intptr_t HitTest(int x, int y) override { return intptr_t(window->NativeHitTest({x, y})); }
    void MouseEvent(Mouse kind, int x, int y, unsigned keys, int clicks, int wheel) override;
    void KeyEvent(bool down, unsigned vk, unsigned modifiers) override {
        window->KeyInput(down, WPARAM(vk), WPARAM(modifiers));
    }
    void CharEvent(char32_t ch) override { window->CharInput(ch); }
    void Moved(int left, int top) override { window->NativeMoved(left, top); }
    void Resized(int width, int height) override { window->NativeResized(width, height); }
    void Minimized() override { window->NativeMinimized(); }
    void Restored() override { window->NativeRestored(); }
    void CloseRequest() override { window->NativeCloseRequest(); }
    void Exposed() override { window->NativeExposed(); }
};

TNativeRect Native(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}
RECT Toolkit(const TNativeRect& r) {
    return {r.left, r.top, r.right, r.bottom};
}

class TWin32Backend : public TWindowBackend {
public:
    TWin32Backend() { SetMainThreadWakeUp(WakeNativeLoop); }
    ~TWin32Backend() override { SetMainThreadWakeUp(nullptr); }

    const char* Name() const override { return "win32"; }

    TNativeWindow* Find(TWindow* window) {
        auto it = FPeers.find(window);
        return it == FPeers.end() ? nullptr : it->second->native.get();
    }

    void ShowWindow(TWindow* window, bool visible) override {
        TNativeWindow* native = Find(window);
        if (!native) {
            if (!visible) return;
            auto peer = std::make_unique<TWin32Peer>();
            peer->backend = this;
            peer->window = window;
            TNativeOptions o;
            o.caption = window->Caption();
            o.bounds = Native(window->BoundsRect());
            o.topmost = window->Topmost();
            o.toolWindow = (window->ExStyle() & WS_EX_TOOLWINDOW) != 0;
            o.systemMenu = (window->Style() & WS_SYSMENU) != 0;
            peer->native = TNativeWindow::Create(o, peer.get());
            if (!peer->native) return;
            native = peer->native.get();
            window->SetPeer(native->Handle());
            FPeers[window] = std::move(peer);
            native->SetOpacity(window->EffectiveOpacity());
            if (const TRegion* r = window->WindowRgn()) SetWindowRegion(window, r);
        }
        native->Show(visible);
    }

    void DestroyWindow(TWindow* window) override {
        auto it = FPeers.find(window);
        if (it == FPeers.end()) return;
        // Messages sent while the window goes still find its peer.
        std::unique_ptr<TWin32Peer> peer = std::move(it->second);
        peer->native.reset();
        FPeers.erase(window);
        window->SetPeer(nullptr);
    }

    void SetWindowBounds(TWindow* window, const RECT& r) override {
        if (TNativeWindow* n = Find(window)) n->SetBounds(Native(r));
    }
    void SetWindowOpacity(TWindow* window, uint8_t alpha) override {
        if (TNativeWindow* n = Find(window)) n->SetOpacity(alpha);
    }
    void SetWindowTopmost(TWindow* window, bool topmost) override {
        if (TNativeWindow* n = Find(window)) n->SetTopmost(topmost);
    }
    void SetWindowRegion(TWindow* window, const TRegion* region) override {
        TNativeWindow* n = Find(window);
        if (!n) return;
        if (!region) {
            n->SetRegion(nullptr);
            return;
        }
        std::vector<TNativeRect> rects;
        rects.reserve(region->Rects.size());
        for (const RECT& r : region->Rects)
            rects.push_back(Native(r));
        n->SetRegion(&rects);
    }
    void SetWindowMinimized(TWindow* window, bool minimized) override {
        if (TNativeWindow* n = Find(window)) n->SetMinimized(minimized);
    }
    void RaiseWindow(TWindow* window) override {
        if (TNativeWindow* n = Find(window)) n->Raise();
    }
    void Present(TWindow* window, const TSurface& s) override {
        TNativeWindow* n = Find(window);
        if (!n || s.Width <= 0 || s.Height <= 0) return;
        n->Present(s.Pixels.data(), s.Width, s.Height);
    }

    void SetCapture(TWindow* window, bool capture) override {
        if (TNativeWindow* n = Find(window)) n->SetCapture(capture);
    }

    void SetCursor(TCursor cursor) override {
        TNativeCursor c = TNativeCursor::Arrow;
        switch (cursor) {
        case crIBeam:
            c = TNativeCursor::IBeam;
            break;
        case crSizeWE:
            c = TNativeCursor::SizeWE;
            break;
        case crSizeNS:
            c = TNativeCursor::SizeNS;
            break;
        case crSizeNWSE:
            c = TNativeCursor::SizeNWSE;
            break;
        case crSizeNESW:
            c = TNativeCursor::SizeNESW;
            break;
        case crSizeAll:
            c = TNativeCursor::SizeAll;
            break;
        case crHandPoint:
            c = TNativeCursor::Hand;
            break;
        default:
            break;
        }
        SetNativeCursor(c);
    }

    POINT CursorPos() override {
        // While a press or release is handled, where it happened: the pointer
        // may have moved on since (a move started by it measures from there).
        if (FHasEventPoint) return FEventPoint;
        POINT p;
        NativeCursorPos(p.x, p.y);
        return p;
    }

    TWindow* WindowAt(POINT p) override {
        auto* peer = static_cast<TWin32Peer*>(NativeWindowAt(p.x, p.y));
        if (!peer) return nullptr;
        TWindow* w = peer->window;
        return w->PointInRegion({p.x - w->Left(), p.y - w->Top()}) ? w : nullptr;
    }

    RECT MonitorRect(const RECT& near) override {
        return Toolkit(NativeMonitorNear(Native(near)).monitor);
    }
    RECT WorkArea(const RECT& near) override {
        return Toolkit(NativeMonitorNear(Native(near)).work);
    }
    bool IsPrimaryMonitor(const RECT& near) override {
        return NativeMonitorNear(Native(near)).primary;
    }

    bool PumpEvents() override { return PumpNativeMessages(); }
    void WaitEvents(uint32_t timeoutMs) override { WaitNativeMessages(timeoutMs); }

    void SetClipboardText(const std::string& text) override { SetNativeClipboardText(text); }
    std::string ClipboardText() override { return NativeClipboardText(); }

    void PressAt(POINT p, bool on) {
        FEventPoint = p;
        FHasEventPoint = on;
    }

private:
    std::map<TWindow*, std::unique_ptr<TWin32Peer>> FPeers;
    POINT FEventPoint;
    bool FHasEventPoint = false;
};

void TWin32Peer::MouseEvent(Mouse kind, int x, int y, unsigned keys, int clicks, int wheel) {
    using K = TWindow::TMouseKind;
    K k = K::Move;
    switch (kind) {
    case Mouse::Move:
        k = K::Move;
        break;
    case Mouse::LeftDown:
        k = K::LeftDown;
        break;
    case Mouse::LeftUp:
        k = K::LeftUp;
        break;
    case Mouse::RightDown:
        k = K::RightDown;
        break;
    case Mouse::RightUp:
        k = K::RightUp;
        break;
    case Mouse::Wheel:
        k = K::Wheel;
        break;
    case Mouse::Leave:
        k = K::Leave;
        break;
    }
    const bool press = k != K::Move && k != K::Wheel && k != K::Leave;
    if (press) backend->PressAt({x, y}, !window->Tracking());
    // The toolkit's own keys: buttons come with the kind of event.
    WPARAM toolkitKeys = WPARAM(keys) & (MK_SHIFT | MK_CONTROL);
    if (k == K::Move && (keys & MK_LBUTTON)) toolkitKeys |= MK_LBUTTON;
    window->MouseInput(k, {x, y}, toolkitKeys, clicks, wheel);
    if (press) backend->PressAt({x, y}, false);
}

} // namespace

TWindowBackend* CreateNativeBackend() {
    return new TWin32Backend();
}

} // namespace gui
