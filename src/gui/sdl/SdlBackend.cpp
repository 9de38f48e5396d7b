#include "gui/sdl/SdlBackend.h"

#include "platform/MainThread.h"
#include "platform/Text.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <cstdio>
#include <cstdlib>

#include <cstring>
#include <map>

#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/extensions/shape.h>
#endif

namespace gui {

using namespace platform;
namespace {

bool gNativeMoveResize = false;

struct SdlNative {
    TWindow* window = nullptr;
    SDL_Window* sdl = nullptr;
    bool shown = false;
    uint8_t opacity = 255;
    bool hasRegion = false;
    TRegion region;
};

#if defined(SDL_VIDEO_DRIVER_X11)
bool X11Info(SDL_Window* sdl, Display*& display, ::Window& window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!sdl || !SDL_GetWindowWMInfo(sdl, &info) || info.subsystem != SDL_SYSWM_X11) return false;
    display = info.info.x11.display;
    window = info.info.x11.window;
    return true;
}

// An EWMH window manager that offers _NET_WM_MOVERESIZE, which SDL's hit
// test relies on.
bool DetectNativeMoveResize(SDL_Window* probe) {
    Display* d;
    ::Window w;
    if (!X11Info(probe, d, w)) return false;
    Atom supported = XInternAtom(d, "_NET_SUPPORTED", True);
    Atom moveResize = XInternAtom(d, "_NET_WM_MOVERESIZE", True);
    if (supported == None || moveResize == None) return false;
    Atom type;
    int format;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool found = false;
    if (XGetWindowProperty(d, DefaultRootWindow(d), supported, 0, 4096, False, XA_ATOM, &type,
                           &format, &count, &after, &data) == Success &&
        data) {
        auto* atoms = reinterpret_cast<Atom*>(data);
        for (unsigned long i = 0; i < count; ++i)
            if (atoms[i] == moveResize) found = true;
        XFree(data);
    }
    return found;
}

void ApplyShape(SDL_Window* sdl, const TRegion* region) {
    Display* d;
    ::Window w;
    if (!X11Info(sdl, d, w)) return;
    int event, error;
    if (!XShapeQueryExtension(d, &event, &error)) return;
    if (!region) {
        XShapeCombineMask(d, w, ShapeBounding, 0, 0, None, ShapeSet);
    } else {
        std::vector<XRectangle> rects;
        for (const RECT& r : region->Rects)
            rects.push_back({short(r.left), short(r.top), (unsigned short)r.Width(),
                             (unsigned short)r.Height()});
        XShapeCombineRectangles(d, w, ShapeBounding, 0, 0, rects.data(), int(rects.size()),
                                ShapeSet, Unsorted);
    }
    XFlush(d);
}

// SDL wakes a waiting loop from another thread with an event sent to a window
// it remembers from an earlier wait, which may have closed since (a message
// box answered while a worker reports progress). The server then answers
// BadWindow, and Xlib's default handler would end the process; a lost wake-up
// only makes the loop wait for its next timeout.
XErrorHandler gNextXErrorHandler = nullptr;
int IgnoreLostWakeUps(Display* d, XErrorEvent* e) {
    if (e->error_code == BadWindow && e->request_code == X_SendEvent) return 0;
    return gNextXErrorHandler ? gNextXErrorHandler(d, e) : 0;
}
void GuardWakeUps() {
    gNextXErrorHandler = XSetErrorHandler(IgnoreLostWakeUps);
}

// Property changes reach the server at once, not at the next event pump.
void Flush(SDL_Window* sdl) {
    Display* d;
    ::Window w;
    if (X11Info(sdl, d, w)) XFlush(d);
}

// SDL's show maps the window and then waits, without a limit, for the map
// event; a window manager that has just started now and then maps the window
// without that wait ever ending. The window is therefore mapped here and
// watched through its attributes for a bounded time; once it is viewable
// SDL's show finds it mapped and does not wait. False when it never became
// viewable: the show is then left to the window manager.
bool MapAndWait(SDL_Window* sdl) {
    Display* d;
    ::Window w;
    if (!X11Info(sdl, d, w)) return true;
    XMapRaised(d, w);
    XFlush(d);
    const Uint64 deadline = SDL_GetTicks64() + 5000;
    for (;;) {
        XWindowAttributes a;
        if (XGetWindowAttributes(d, w, &a) && a.map_state != IsUnmapped) return true;
        if (SDL_GetTicks64() >= deadline) return false;
        SDL_Delay(5);
    }
}
#else
bool MapAndWait(SDL_Window*) {
    return true;
}
bool DetectNativeMoveResize(SDL_Window*) {
    return false;
}
void ApplyShape(SDL_Window*, const TRegion*) {}
void Flush(SDL_Window*) {}
void GuardWakeUps() {}
#endif

WPARAM VirtualKey(SDL_Keycode k) {
    if (k >= SDLK_a && k <= SDLK_z) return WPARAM('A' + (k - SDLK_a));
    if (k >= SDLK_0 && k <= SDLK_9) return WPARAM('0' + (k - SDLK_0));
    switch (k) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return VK_RETURN;
    case SDLK_ESCAPE:
        return VK_ESCAPE;
    case SDLK_TAB:
        return VK_TAB;
    case SDLK_SPACE:
        return VK_SPACE;
    case SDLK_BACKSPACE:
        return VK_BACK;
    case SDLK_DELETE:
        return VK_DELETE;
    case SDLK_LEFT:
        return VK_LEFT;
    case SDLK_RIGHT:
        return VK_RIGHT;
    case SDLK_UP:
        return VK_UP;
    case SDLK_DOWN:
        return VK_DOWN;
    case SDLK_HOME:
        return VK_HOME;
    case SDLK_END:
        return VK_END;
    case SDLK_PAGEUP:
        return VK_PRIOR;
    case SDLK_PAGEDOWN:
        return VK_NEXT;
    case SDLK_KP_PLUS:
        return VK_ADD;
    case SDLK_KP_MINUS:
        return VK_SUBTRACT;
    case SDLK_F4:
        return VK_F4;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
        return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
        return VK_CONTROL;
    default:
        return 0;
    }
}

WPARAM Modifiers(Uint16 mod) {
    WPARAM m = 0;
    if (mod & KMOD_SHIFT) m |= MK_SHIFT;
    if (mod & KMOD_CTRL) m |= MK_CONTROL;
    if (mod & KMOD_ALT) m |= MK_ALT;
    return m;
}

class TSdlBackend : public TWindowBackend {
public:
    TSdlBackend() {
        FWakeEvent = SDL_RegisterEvents(1);
        Uint32 type = FWakeEvent;
        SetMainThreadWakeUp([type] {
            SDL_Event e;
            std::memset(&e, 0, sizeof e);
            e.type = type;
            SDL_PushEvent(&e);
        });
        // Whether the window manager can move windows for the hit test.
        SDL_Window* probe =
            SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS);
        gNativeMoveResize = probe && DetectNativeMoveResize(probe);
        if (probe) SDL_DestroyWindow(probe);
    }
    ~TSdlBackend() override { SetMainThreadWakeUp(nullptr); }

    const char* Name() const override { return "sdl"; }

    SdlNative* Find(TWindow* window) {
        auto it = FNatives.find(window);
        return it == FNatives.end() ? nullptr : &it->second;
    }
    TWindow* ByID(Uint32 id) {
        for (auto& [w, n] : FNatives)
            if (n.sdl && SDL_GetWindowID(n.sdl) == id) return w;
        return nullptr;
    }

    static SDL_HitTestResult HitTest(SDL_Window*, const SDL_Point* area, void* data) {
        auto* window = static_cast<TWindow*>(data);
        if (!gNativeMoveResize) return SDL_HITTEST_NORMAL;
        LRESULT ht = window->NativeHitTest({window->Left() + area->x, window->Top() + area->y});
        switch (ht) {
        case HTCAPTION:
            return SDL_HITTEST_DRAGGABLE;
        case HTLEFT:
            return SDL_HITTEST_RESIZE_LEFT;
        case HTRIGHT:
            return SDL_HITTEST_RESIZE_RIGHT;
        case HTTOP:
            return SDL_HITTEST_RESIZE_TOP;
        case HTBOTTOM:
            return SDL_HITTEST_RESIZE_BOTTOM;
        case HTTOPLEFT:
            return SDL_HITTEST_RESIZE_TOPLEFT;
        case HTTOPRIGHT:
            return SDL_HITTEST_RESIZE_TOPRIGHT;
        case HTBOTTOMLEFT:
            return SDL_HITTEST_RESIZE_BOTTOMLEFT;
        case HTBOTTOMRIGHT:
            return SDL_HITTEST_RESIZE_BOTTOMRIGHT;
        default:
            return SDL_HITTEST_NORMAL;
        }
    }

    void ShowWindow(TWindow* window, bool visible) override {
        SdlNative* n = Find(window);
        if (!n) {
            if (!visible) return;
            Uint32 flags = SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN;
            if (window->Topmost()) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
            if (window->ExStyle() & WS_EX_TOOLWINDOW) flags |= SDL_WINDOW_SKIP_TASKBAR;
            SDL_Window* sdl = SDL_CreateWindow(window->Caption().c_str(), window->Left(),
                                               window->Top(), std::max(1, window->Width()),
                                               std::max(1, window->Height()), flags);
            if (!sdl) {
                std::fprintf(stderr, "无法创建窗口 %s: %s\n", window->Caption().c_str(),
                             SDL_GetError());
                return;
            }
            // The window surface first: making it may recreate the native
            // window, which would lose what is set on it below.
            SDL_GetWindowSurface(sdl);
            n = &FNatives[window];
            n->window = window;
            n->sdl = sdl;
            window->SetPeer(sdl);
            SDL_SetWindowHitTest(sdl, &TSdlBackend::HitTest, window);
            n->opacity = window->EffectiveOpacity();
            SDL_SetWindowOpacity(sdl, n->opacity / 255.0f);
            if (const TRegion* r = window->WindowRgn()) {
                n->hasRegion = true;
                n->region = *r;
                ApplyShape(sdl, r);
            }
        }
        n->shown = visible;
        if (visible) {
            if (MapAndWait(n->sdl)) SDL_ShowWindow(n->sdl);
            SDL_SetWindowPosition(n->sdl, window->Left(), window->Top());
            if (n->hasRegion) ApplyShape(n->sdl, &n->region);
            SDL_RaiseWindow(n->sdl);
        } else {
            SDL_HideWindow(n->sdl);
        }
    }

    void DestroyWindow(TWindow* window) override {
        if (SdlNative* n = Find(window)) {
            if (n->sdl) SDL_DestroyWindow(n->sdl);
            FNatives.erase(window);
        }
    }

    void SetWindowBounds(TWindow* window, const RECT& r) override {
        SdlNative* n = Find(window);
        if (!n) return;
        int x, y, w, h;
        SDL_GetWindowPosition(n->sdl, &x, &y);
        SDL_GetWindowSize(n->sdl, &w, &h);
        if (x != r.left || y != r.top) SDL_SetWindowPosition(n->sdl, r.left, r.top);
        if (w != r.Width() || h != r.Height())
            SDL_SetWindowSize(n->sdl, std::max(1, r.Width()), std::max(1, r.Height()));
    }

    void SetWindowOpacity(TWindow* window, uint8_t alpha) override {
        if (SdlNative* n = Find(window)) {
            n->opacity = alpha;
            SDL_SetWindowOpacity(n->sdl, alpha / 255.0f);
            Flush(n->sdl);
        }
    }

    void SetWindowTopmost(TWindow* window, bool topmost) override {
        if (SdlNative* n = Find(window)) {
            SDL_SetWindowAlwaysOnTop(n->sdl, topmost ? SDL_TRUE : SDL_FALSE);
            Flush(n->sdl);
        }
    }

    void SetWindowRegion(TWindow* window, const TRegion* region) override {
        SdlNative* n = Find(window);
        if (!n) return;
        n->hasRegion = region != nullptr;
        n->region = region ? *region : TRegion{};
        ApplyShape(n->sdl, region);
    }

    void SetWindowMinimized(TWindow* window, bool minimized) override {
        SdlNative* n = Find(window);
        if (!n) return;
        if (minimized)
            SDL_MinimizeWindow(n->sdl);
        else
            SDL_RestoreWindow(n->sdl);
        Flush(n->sdl);
    }

    void RaiseWindow(TWindow* window) override {
        if (SdlNative* n = Find(window); n && n->shown) SDL_RaiseWindow(n->sdl);
    }

    void Present(TWindow* window, const TSurface& s) override {
        SdlNative* n = Find(window);
        if (!n || !n->shown || s.Width <= 0 || s.Height <= 0) return;
        SDL_Surface* ws = SDL_GetWindowSurface(n->sdl);
        if (!ws) return;
        int w = std::min(ws->w, s.Width), h = std::min(ws->h, s.Height);
        SDL_LockSurface(ws);
        SDL_ConvertPixels(w, h, SDL_PIXELFORMAT_ARGB8888, s.Pixels.data(), s.Width * 4,
                          ws->format->format, ws->pixels, ws->pitch);
        SDL_UnlockSurface(ws);
        SDL_UpdateWindowSurface(n->sdl);
    }

    void SetCapture(TWindow*, bool capture) override {
        SDL_CaptureMouse(capture ? SDL_TRUE : SDL_FALSE);
    }

    void SetCursor(TCursor cursor) override {
        SDL_SystemCursor id = SDL_SYSTEM_CURSOR_ARROW;
        switch (cursor) {
        case crIBeam:
            id = SDL_SYSTEM_CURSOR_IBEAM;
            break;
        case crSizeWE:
            id = SDL_SYSTEM_CURSOR_SIZEWE;
            break;
        case crSizeNS:
            id = SDL_SYSTEM_CURSOR_SIZENS;
            break;
        case crSizeNWSE:
            id = SDL_SYSTEM_CURSOR_SIZENWSE;
            break;
        case crSizeNESW:
            id = SDL_SYSTEM_CURSOR_SIZENESW;
            break;
        case crSizeAll:
            id = SDL_SYSTEM_CURSOR_SIZEALL;
            break;
        case crHandPoint:
            id = SDL_SYSTEM_CURSOR_HAND;
            break;
        default:
            break;
        }
        SDL_Cursor*& c = FCursors[id];
        if (!c) c = SDL_CreateSystemCursor(id);
        if (c && c != SDL_GetCursor()) SDL_SetCursor(c);
    }

    POINT CursorPos() override {
        // While a press or release is handled, where it happened: the pointer
        // may have moved on since (a move started by it measures from there).
        if (FHasEventPoint) return FEventPoint;
        int x, y;
        SDL_GetGlobalMouseState(&x, &y);
        return {x, y};
    }

    TWindow* WindowAt(POINT p) override {
        POINT cursor = CursorPos();
        if (p == cursor) {
            SDL_Window* focus = SDL_GetMouseFocus();
            if (!focus) return nullptr;
            TWindow* w = ByID(SDL_GetWindowID(focus));
            return w && w->PointInRegion({p.x - w->Left(), p.y - w->Top()}) ? w : nullptr;
        }
        for (auto& [w, n] : FNatives)
            if (n.shown && w->PointInRegion({p.x - w->Left(), p.y - w->Top()})) return w;
        return nullptr;
    }

    int DisplayOf(const RECT& r) {
        int cx = r.left + r.Width() / 2, cy = r.top + r.Height() / 2;
        int count = SDL_GetNumVideoDisplays();
        for (int i = 0; i < count; ++i) {
            SDL_Rect b;
            if (SDL_GetDisplayBounds(i, &b) == 0 && cx >= b.x && cx < b.x + b.w && cy >= b.y &&
                cy < b.y + b.h)
                return i;
        }
        return 0;
    }
    RECT MonitorRect(const RECT& near) override {
        SDL_Rect b{0, 0, 1280, 800};
        SDL_GetDisplayBounds(DisplayOf(near), &b);
        return {b.x, b.y, b.x + b.w, b.y + b.h};
    }
    RECT WorkArea(const RECT& near) override {
        SDL_Rect b{0, 0, 1280, 800};
        if (SDL_GetDisplayUsableBounds(DisplayOf(near), &b) != 0) return MonitorRect(near);
        return {b.x, b.y, b.x + b.w, b.y + b.h};
    }
    bool IsPrimaryMonitor(const RECT& near) override { return DisplayOf(near) == 0; }

    POINT EventPoint(TWindow* w, int x, int y) {
        if (w->Tracking()) return CursorPos();
        return {w->Left() + x, w->Top() + y};
    }

    bool PumpEvents() override {
        bool any = false;
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
            any = true;
            Handle(e);
        }
        return any;
    }

    void Handle(const SDL_Event& e) {
        using K = TWindow::TMouseKind;
        switch (e.type) {
        case SDL_MOUSEMOTION:
            if (TWindow* w = ByID(e.motion.windowID))
                w->MouseInput(K::Move, EventPoint(w, e.motion.x, e.motion.y),
                              (e.motion.state & SDL_BUTTON_LMASK) ? MK_LBUTTON : 0);
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            if (TWindow* w = ByID(e.button.windowID)) {
                bool down = e.type == SDL_MOUSEBUTTONDOWN;
                POINT p = EventPoint(w, e.button.x, e.button.y);
                WPARAM keys = Modifiers(Uint16(SDL_GetModState())) & (MK_SHIFT | MK_CONTROL);
                FEventPoint = p;
                FHasEventPoint = !w->Tracking();
                if (e.button.button == SDL_BUTTON_LEFT)
                    w->MouseInput(down ? K::LeftDown : K::LeftUp, p, keys, e.button.clicks);
                else if (e.button.button == SDL_BUTTON_RIGHT)
                    w->MouseInput(down ? K::RightDown : K::RightUp, p, keys, e.button.clicks);
                FHasEventPoint = false;
            }
            break;
        case SDL_MOUSEWHEEL:
            if (TWindow* w = ByID(e.wheel.windowID)) {
                int x, y;
                SDL_GetMouseState(&x, &y);
                int delta = e.wheel.y * 120;
                if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) delta = -delta;
                w->MouseInput(K::Wheel, {w->Left() + x, w->Top() + y}, 0, 1, delta);
            }
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            if (TWindow* w = ByID(e.key.windowID)) {
                WPARAM vk = VirtualKey(e.key.keysym.sym);
                if (vk) w->KeyInput(e.type == SDL_KEYDOWN, vk, Modifiers(e.key.keysym.mod));
            }
            break;
        case SDL_TEXTINPUT:
            if (TWindow* w = ByID(e.text.windowID))
                for (char32_t c : Utf8ToUtf32(e.text.text))
                    w->CharInput(c);
            break;
        case SDL_WINDOWEVENT:
            if (TWindow* w = ByID(e.window.windowID)) {
                switch (e.window.event) {
                case SDL_WINDOWEVENT_MOVED:
                    w->NativeMoved(e.window.data1, e.window.data2);
                    break;
                case SDL_WINDOWEVENT_SIZE_CHANGED:
                    w->NativeResized(e.window.data1, e.window.data2);
                    // The window surface has the new size only from now on.
                    w->NativeExposed();
                    break;
                case SDL_WINDOWEVENT_EXPOSED:
                    w->NativeExposed();
                    break;
                case SDL_WINDOWEVENT_MINIMIZED:
                    w->NativeMinimized();
                    break;
                case SDL_WINDOWEVENT_RESTORED:
                    w->NativeRestored();
                    break;
                case SDL_WINDOWEVENT_CLOSE:
                    w->NativeCloseRequest();
                    break;
                case SDL_WINDOWEVENT_LEAVE:
                    w->MouseInput(K::Leave, CursorPos(), 0);
                    break;
                default:
                    break;
                }
            }
            break;
        default:
            break;
        }
    }

    void WaitEvents(uint32_t timeoutMs) override { SDL_WaitEventTimeout(nullptr, int(timeoutMs)); }

    void SetClipboardText(const std::string& text) override { SDL_SetClipboardText(text.c_str()); }
    std::string ClipboardText() override {
        char* t = SDL_GetClipboardText();
        std::string s = t ? t : "";
        SDL_free(t);
        return s;
    }

private:
    std::map<TWindow*, SdlNative> FNatives;
    std::map<SDL_SystemCursor, SDL_Cursor*> FCursors;
    Uint32 FWakeEvent = 0;
    POINT FEventPoint;
    bool FHasEventPoint = false;
};

} // namespace

TWindowBackend* CreateSdlBackend() {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // Plain shared-memory images: a GL framebuffer would recreate windows.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // Only the driver of the screen named: when the X server cannot
    // be reached SDL would otherwise fall back to its offscreen driver, whose
    // windows nobody sees, and the updater would wait for a click for ever.
    // Without a screen the run goes on unattended instead.
    const char* x11 = std::getenv("DISPLAY");
    SDL_SetHint(SDL_HINT_VIDEODRIVER, x11 && *x11 ? "x11" : "wayland");
    // A server under heavy load now and then refuses a first connection.
    for (int attempt = 1; SDL_InitSubSystem(SDL_INIT_VIDEO) != 0; ++attempt) {
        if (attempt == 3) {
            std::fprintf(stderr, "无法打开显示: %s\n", SDL_GetError());
            return nullptr;
        }
        SDL_Delay(200);
    }
    GuardWakeUps();
    return new TSdlBackend();
}

bool SdlNativeMoveResize() {
    return gNativeMoveResize;
}

void* SdlWindowOf(TWindow* window) {
    return window->Peer();
}

TWindowBackend* CreateNativeBackend() {
    return CreateSdlBackend();
}

} // namespace gui
