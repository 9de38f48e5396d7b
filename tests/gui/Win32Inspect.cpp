#include "Win32Inspect.h"

#include "platform/Text.h"

#include <windows.h>

namespace inspect {

namespace {
HWND H(void* hwnd) {
    return static_cast<HWND>(hwnd);
}
LONG_PTR Style(void* hwnd, int which) {
    return ::GetWindowLongPtrW(H(hwnd), which);
}
} // namespace

bool IsVisible(void* hwnd) {
    return ::IsWindowVisible(H(hwnd)) != FALSE;
}
bool IsIconic(void* hwnd) {
    return ::IsIconic(H(hwnd)) != FALSE;
}
bool IsPopup(void* hwnd) {
    return (Style(hwnd, GWL_STYLE) & WS_POPUP) && !(Style(hwnd, GWL_STYLE) & WS_CAPTION);
}
bool IsToolWindow(void* hwnd) {
    return (Style(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0;
}
bool IsTopmost(void* hwnd) {
    return (Style(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}
Rect WindowRect(void* hwnd) {
    RECT r{};
    ::GetWindowRect(H(hwnd), &r);
    return {r.left, r.top, r.right, r.bottom};
}
bool RegionBox(void* hwnd, Rect& box) {
    RECT r{};
    int kind = ::GetWindowRgnBox(H(hwnd), &r);
    box = {r.left, r.top, r.right, r.bottom};
    return kind == SIMPLEREGION || kind == COMPLEXREGION;
}
bool LayeredAlpha(void* hwnd, uint8_t& alpha) {
    if (!(Style(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED)) return false;
    BYTE a = 0;
    DWORD flags = 0;
    if (!::GetLayeredWindowAttributes(H(hwnd), nullptr, &a, &flags) || !(flags & LWA_ALPHA))
        return false;
    alpha = a;
    return true;
}
uint32_t PixelAt(void* hwnd, int x, int y) {
    HDC dc = ::GetDC(H(hwnd));
    COLORREF c = ::GetPixel(dc, x, y);
    ::ReleaseDC(H(hwnd), dc);
    return (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c);
}
intptr_t HitTest(void* hwnd, int x, int y) {
    return ::SendMessageW(H(hwnd), WM_NCHITTEST, 0, MAKELPARAM(x, y));
}
void ClickAt(int x, int y) {
    ::SetCursorPos(x, y);
    INPUT in[2]{};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ::SendInput(2, in, sizeof(INPUT));
}
void PostClose(void* hwnd) {
    ::PostMessageW(H(hwnd), WM_CLOSE, 0, 0);
}
void MinimizeNatively(void* hwnd) {
    ::ShowWindow(H(hwnd), SW_MINIMIZE);
}
std::string ClipboardUnicodeText() {
    std::string text;
    if (!::OpenClipboard(nullptr)) return text;
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        if (auto* p = static_cast<const char16_t*>(::GlobalLock(data))) {
            text = platform::Utf16ToUtf8(p);
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    return text;
}

} // namespace inspect
