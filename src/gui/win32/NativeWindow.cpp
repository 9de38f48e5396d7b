#include "gui/win32/NativeWindow.h"

#include "platform/Text.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace gui::win32 {

namespace {

constexpr wchar_t kClassName[] = L"VarnokeUpdaterWindow";
// The updater's icon in its resources, when the program has one.
constexpr WORD kIconId = 1;

std::wstring Wide(const std::string& utf8) {
    std::u16string u = platform::Utf8ToUtf16(utf8);
    return std::wstring(u.begin(), u.end());
}

HCURSOR gCursor = nullptr;

HCURSOR CursorOf(TNativeCursor cursor) {
    LPCWSTR id = MAKEINTRESOURCEW(32512); // IDC_ARROW
    switch (cursor) {
    case TNativeCursor::IBeam:
        id = MAKEINTRESOURCEW(32513);
        break;
    case TNativeCursor::SizeNWSE:
        id = MAKEINTRESOURCEW(32642);
        break;
    case TNativeCursor::SizeNESW:
        id = MAKEINTRESOURCEW(32643);
        break;
    case TNativeCursor::SizeWE:
        id = MAKEINTRESOURCEW(32644);
        break;
    case TNativeCursor::SizeNS:
        id = MAKEINTRESOURCEW(32645);
        break;
    case TNativeCursor::SizeAll:
        id = MAKEINTRESOURCEW(32646);
        break;
    case TNativeCursor::Hand:
        id = MAKEINTRESOURCEW(32649);
        break;
    default:
        break;
    }
    return ::LoadCursorW(nullptr, id);
}

int SignedLow(LPARAM l) {
    return int(short(LOWORD(l)));
}
int SignedHigh(LPARAM l) {
    return int(short(HIWORD(l)));
}

unsigned Modifiers() {
    unsigned m = 0;
    if (::GetKeyState(VK_SHIFT) < 0) m |= MK_SHIFT;
    if (::GetKeyState(VK_CONTROL) < 0) m |= MK_CONTROL;
    if (::GetKeyState(VK_MENU) < 0) m |= 0x0020; // the toolkit's MK_ALT
    return m;
}

class TWin32Window;
LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

ATOM RegisterWindowClass() {
    static ATOM atom = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hIcon = ::LoadIconW(wc.hInstance, MAKEINTRESOURCEW(kIconId));
        wc.hCursor = nullptr; // set on WM_SETCURSOR
        wc.lpszClassName = kClassName;
        return ::RegisterClassExW(&wc);
    }();
    return atom;
}

class TWin32Window : public TNativeWindow {
public:
    explicit TWin32Window(TNativeEvents* events) : FEvents(events) {}
    ~TWin32Window() override {
        if (FHwnd) {
            ::SetWindowLongPtrW(FHwnd, GWLP_USERDATA, 0);
            ::DestroyWindow(FHwnd);
        }
        FreeImage();
    }

    bool Make(const TNativeOptions& o) {
        if (!RegisterWindowClass()) return false;
        DWORD style = WS_POPUP | WS_CLIPCHILDREN;
        // The task bar's menu and minimise act on the window through these.
        if (o.systemMenu) style |= WS_SYSMENU | WS_MINIMIZEBOX;
        DWORD ex = 0;
        if (o.topmost) ex |= WS_EX_TOPMOST;
        if (o.toolWindow)
            ex |= WS_EX_TOOLWINDOW;
        else
            ex |= WS_EX_APPWINDOW;
        FApplying = true;
        FHwnd = ::CreateWindowExW(ex, kClassName, Wide(o.caption).c_str(), style, o.bounds.left,
                                  o.bounds.top, std::max(1, o.bounds.right - o.bounds.left),
                                  std::max(1, o.bounds.bottom - o.bounds.top), nullptr, nullptr,
                                  ::GetModuleHandleW(nullptr), this);
        FApplying = false;
        return FHwnd != nullptr;
    }

    void Show(bool visible) override {
        if (!visible) {
            ::ShowWindow(FHwnd, SW_HIDE);
            return;
        }
        ::ShowWindow(FHwnd, SW_SHOW);
        ::SetForegroundWindow(FHwnd);
        ::UpdateWindow(FHwnd);
    }

    void SetBounds(const TNativeRect& r) override {
        FApplying = true;
        ::SetWindowPos(FHwnd, nullptr, r.left, r.top, std::max(1, r.right - r.left),
                       std::max(1, r.bottom - r.top), SWP_NOZORDER | SWP_NOACTIVATE);
        FApplying = false;
    }

    void SetOpacity(uint8_t alpha) override {
        LONG_PTR ex = ::GetWindowLongPtrW(FHwnd, GWL_EXSTYLE);
        if (alpha == 255) {
            if (ex & WS_EX_LAYERED) {
                ::SetWindowLongPtrW(FHwnd, GWL_EXSTYLE, ex & ~LONG_PTR(WS_EX_LAYERED));
                ::InvalidateRect(FHwnd, nullptr, FALSE);
            }
            return;
        }
        if (!(ex & WS_EX_LAYERED)) ::SetWindowLongPtrW(FHwnd, GWL_EXSTYLE, ex | WS_EX_LAYERED);
        ::SetLayeredWindowAttributes(FHwnd, 0, alpha, LWA_ALPHA);
    }

    void SetTopmost(bool topmost) override {
        ::SetWindowPos(FHwnd, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }

    void SetRegion(const std::vector<TNativeRect>* rects) override {
        if (!rects) {
            ::SetWindowRgn(FHwnd, nullptr, TRUE);
            return;
        }
        std::vector<char> data(sizeof(RGNDATAHEADER) + rects->size() * sizeof(::RECT));
        auto* header = reinterpret_cast<RGNDATAHEADER*>(data.data());
        header->dwSize = sizeof(RGNDATAHEADER);
        header->iType = RDH_RECTANGLES;
        header->nCount = DWORD(rects->size());
        header->nRgnSize = DWORD(rects->size() * sizeof(::RECT));
        ::RECT bounds{0, 0, 0, 0};
        auto* out = reinterpret_cast<::RECT*>(data.data() + sizeof(RGNDATAHEADER));
        for (size_t i = 0; i < rects->size(); ++i) {
            const TNativeRect& r = (*rects)[i];
            out[i] = {r.left, r.top, r.right, r.bottom};
            if (i == 0) bounds = out[i];
            bounds.left = std::min<LONG>(bounds.left, r.left);
            bounds.top = std::min<LONG>(bounds.top, r.top);
            bounds.right = std::max<LONG>(bounds.right, r.right);
            bounds.bottom = std::max<LONG>(bounds.bottom, r.bottom);
        }
        header->rcBound = bounds;
        HRGN rgn = rects->empty()
                       ? ::CreateRectRgn(0, 0, 0, 0)
                       : ::ExtCreateRegion(nullptr, DWORD(data.size()),
                                           reinterpret_cast<const RGNDATA*>(data.data()));
        // The window owns the region from here on.
        if (rgn && !::SetWindowRgn(FHwnd, rgn, TRUE)) ::DeleteObject(rgn);
    }

    void SetMinimized(bool minimized) override {
        ::ShowWindow(FHwnd, minimized ? SW_MINIMIZE : SW_RESTORE);
    }

    void Raise() override {
        ::BringWindowToTop(FHwnd);
        ::SetForegroundWindow(FHwnd);
    }

    void Present(const uint32_t* pixels, int width, int height) override {
        if (width <= 0 || height <= 0) return;
        if (!FBits || width != FWidth || height != FHeight) {
            FreeImage();
            BITMAPINFO bi{};
            bi.bmiHeader.biSize = sizeof bi.bmiHeader;
            bi.bmiHeader.biWidth = width;
            bi.bmiHeader.biHeight = -height; // top-down, as our rows are
            bi.bmiHeader.biPlanes = 1;
            bi.bmiHeader.biBitCount = 32;
            bi.bmiHeader.biCompression = BI_RGB;
            void* bits = nullptr;
            FBitmap = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
            if (!FBitmap) return;
            FMemory = ::CreateCompatibleDC(nullptr);
            FOldBitmap = ::SelectObject(FMemory, FBitmap);
            FBits = bits;
            FWidth = width;
            FHeight = height;
        }
        // ARGB32 in memory is the DIB's byte order (B, G, R, A).
        std::memcpy(FBits, pixels, size_t(width) * size_t(height) * 4);
        ::GdiFlush();
        if (HDC dc = ::GetDC(FHwnd)) {
            ::BitBlt(dc, 0, 0, width, height, FMemory, 0, 0, SRCCOPY);
            ::ReleaseDC(FHwnd, dc);
        }
    }

    void SetCapture(bool capture) override {
        if (capture)
            ::SetCapture(FHwnd);
        else if (::GetCapture() == FHwnd)
            ::ReleaseCapture();
    }

    void* Handle() const override { return FHwnd; }
    TNativeEvents* Events() const { return FEvents; }

    LRESULT Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    TNativeEvents* FEvents;
    HWND FHwnd = nullptr;
    HBITMAP FBitmap = nullptr;
    HDC FMemory = nullptr;
    HGDIOBJ FOldBitmap = nullptr;
    void* FBits = nullptr;
    int FWidth = 0;
    int FHeight = 0;
    // Set while our own calls move or size the window: the toolkit knows.
    bool FApplying = false;
    bool FMinimized = false;
    bool FTrackingLeave = false;
    wchar_t FHighSurrogate = 0;

    void FreeImage() {
        if (FMemory) {
            ::SelectObject(FMemory, FOldBitmap);
            ::DeleteDC(FMemory);
        }
        if (FBitmap) ::DeleteObject(FBitmap);
        FMemory = nullptr;
        FBitmap = nullptr;
        FBits = nullptr;
    }

    void Mouse(TNativeEvents::Mouse kind, LPARAM clientPoint, WPARAM keys, int clicks) {
        POINT p{SignedLow(clientPoint), SignedHigh(clientPoint)};
        ::ClientToScreen(FHwnd, &p);
        unsigned k = unsigned(keys) & (MK_LBUTTON | MK_RBUTTON | MK_SHIFT | MK_CONTROL);
        FEvents->MouseEvent(kind, p.x, p.y, k, clicks, 0);
    }

    void ReportBounds() {
        if (FApplying || ::IsIconic(FHwnd)) return;
        ::RECT r;
        if (!::GetWindowRect(FHwnd, &r)) return;
        FEvents->Moved(r.left, r.top);
        FEvents->Resized(r.right - r.left, r.bottom - r.top);
    }
};

LRESULT TWin32Window::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
    using M = TNativeEvents::Mouse;
    switch (msg) {
    case WM_NCHITTEST: {
        intptr_t ht = FEvents->HitTest(SignedLow(lParam), SignedHigh(lParam));
        // The caption and the edges move and size natively; everything else
        // is the client's, whatever the skin calls it.
        if (ht == HTCAPTION || (ht >= HTLEFT && ht <= HTBOTTOMRIGHT)) return ht;
        return HTCLIENT;
    }
    case WM_NCLBUTTONDBLCLK:
        if (wParam == HTCAPTION) {
            FEvents->MouseEvent(M::LeftDown, SignedLow(lParam), SignedHigh(lParam), 0, 2, 0);
            return 0;
        }
        break;
    case WM_MOUSEMOVE:
        if (!FTrackingLeave) {
            TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, FHwnd, 0};
            FTrackingLeave = ::TrackMouseEvent(&t) != FALSE;
        }
        Mouse(M::Move, lParam, wParam, 1);
        return 0;
    case WM_MOUSELEAVE: {
        FTrackingLeave = false;
        POINT p;
        ::GetCursorPos(&p);
        FEvents->MouseEvent(M::Leave, p.x, p.y, 0, 1, 0);
        return 0;
    }
    case WM_LBUTTONDOWN:
        Mouse(M::LeftDown, lParam, wParam, 1);
        return 0;
    case WM_LBUTTONDBLCLK:
        Mouse(M::LeftDown, lParam, wParam, 2);
        return 0;
    case WM_LBUTTONUP:
        Mouse(M::LeftUp, lParam, wParam, 1);
        return 0;
    case WM_RBUTTONDOWN:
        Mouse(M::RightDown, lParam, wParam, 1);
        return 0;
    case WM_RBUTTONDBLCLK:
        Mouse(M::RightDown, lParam, wParam, 2);
        return 0;
    case WM_RBUTTONUP:
        Mouse(M::RightUp, lParam, wParam, 1);
        return 0;
    case WM_MOUSEWHEEL: {
        // The system sends the wheel to the focused window; it belongs to
        // the one under the pointer.
        int x = SignedLow(lParam), y = SignedHigh(lParam);
        TNativeEvents* target = NativeWindowAt(x, y);
        if (!target) target = FEvents;
        target->MouseEvent(M::Wheel, x, y,
                           unsigned(LOWORD(wParam)) & (MK_SHIFT | MK_CONTROL | MK_LBUTTON), 1,
                           int(short(HIWORD(wParam))));
        return 0;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP:
        // Alt combinations too: the toolkit closes on Alt+F4 itself, and
        // the system's keyboard menu has nothing to show here.
        FEvents->KeyEvent(msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN, unsigned(wParam), Modifiers());
        return 0;
    case WM_CHAR: {
        wchar_t unit = wchar_t(wParam);
        if (unit >= 0xD800 && unit < 0xDC00) {
            FHighSurrogate = unit;
            return 0;
        }
        char32_t ch = unit;
        if (unit >= 0xDC00 && unit < 0xE000) {
            if (!FHighSurrogate) return 0;
            ch = 0x10000 + ((char32_t(FHighSurrogate) - 0xD800) << 10) + (unit - 0xDC00);
        }
        FHighSurrogate = 0;
        // Control characters arrive as keys.
        if (ch >= 0x20 && ch != 0x7F) FEvents->CharEvent(ch);
        return 0;
    }
    case WM_SYSCHAR:
        return 0;
    case WM_MOVE:
        ReportBounds();
        return 0;
    case WM_SIZE:
        if (wParam == SIZE_MINIMIZED) {
            FMinimized = true;
            FEvents->Minimized();
        } else {
            if (FMinimized) {
                FMinimized = false;
                FEvents->Restored();
            }
            ReportBounds();
        }
        return 0;
    case WM_CLOSE:
        FEvents->CloseRequest();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(FHwnd, &ps);
        if (FMemory) ::BitBlt(dc, 0, 0, FWidth, FHeight, FMemory, 0, 0, SRCCOPY);
        ::EndPaint(FHwnd, &ps);
        if (!FMemory) FEvents->Exposed();
        return 0;
    }
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
            ::SetCursor(gCursor ? gCursor : CursorOf(TNativeCursor::Arrow));
            return TRUE;
        }
        break;
    default:
        break;
    }
    return ::DefWindowProcW(FHwnd, msg, wParam, lParam);
}

TWin32Window* WindowOf(HWND hwnd) {
    if (!hwnd) return nullptr;
    wchar_t name[64];
    if (!::GetClassNameW(hwnd, name, 64) || std::wcscmp(name, kClassName) != 0) return nullptr;
    return reinterpret_cast<TWin32Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* window = reinterpret_cast<TWin32Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    // Messages that arrive while the window is made or destroyed.
    if (!window || !window->Handle()) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    return window->Dispatch(msg, wParam, lParam);
}

} // namespace

std::unique_ptr<TNativeWindow> TNativeWindow::Create(const TNativeOptions& options,
                                                     TNativeEvents* events) {
    auto window = std::make_unique<TWin32Window>(events);
    if (!window->Make(options)) return nullptr;
    return window;
}

void SetNativeCursor(TNativeCursor cursor) {
    HCURSOR c = CursorOf(cursor);
    if (c == gCursor) return;
    gCursor = c;
    ::SetCursor(c);
}

void NativeCursorPos(int& x, int& y) {
    POINT p{0, 0};
    ::GetCursorPos(&p);
    x = p.x;
    y = p.y;
}

TNativeEvents* NativeWindowAt(int x, int y) {
    HWND hwnd = ::WindowFromPoint({x, y});
    if (hwnd) hwnd = ::GetAncestor(hwnd, GA_ROOT);
    TWin32Window* window = WindowOf(hwnd);
    return window ? window->Events() : nullptr;
}

} // namespace gui::win32
