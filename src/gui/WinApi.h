#pragma once
// The window messages, styles and records of the Windows API that the
// windows and the skin toolkit are written against, with their Windows
// values, so that the toolkit reads like its Windows counterpart and a Win32
// back-end can pass them through unchanged.
#include "platform/Messages.h"

#include <cstdint>
#include <vector>

namespace gui {

// Message delivery is a service of the platform below; the windows speak it.
using platform::HWND;
using platform::LPARAM;
using platform::LRESULT;
using platform::MessageHandler;
using platform::PostMessageW;
using platform::RegisterMessageTarget;
using platform::SendMessageW;
using platform::UINT;
using platform::UnregisterMessageTarget;
using platform::WM_USER;
using platform::WPARAM;

using DWORD = uint32_t;

struct POINT {
    int x = 0;
    int y = 0;
    friend bool operator==(const POINT&, const POINT&) = default;
};

// Half-open: right and bottom lie just outside.
struct RECT {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    RECT Offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    // All zero when the two do not overlap.
    RECT Intersect(const RECT& o) const;
    friend bool operator==(const RECT&, const RECT&) = default;
};

// Window messages.
constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_MOVE = 0x0003;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_ACTIVATE = 0x0006;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_ENABLE = 0x000A;
constexpr UINT WM_SETREDRAW = 0x000B;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_ERASEBKGND = 0x0014;
constexpr UINT WM_SHOWWINDOW = 0x0018;
constexpr UINT WM_SETCURSOR = 0x0020;
constexpr UINT WM_GETMINMAXINFO = 0x0024;
constexpr UINT WM_WINDOWPOSCHANGING = 0x0046;
constexpr UINT WM_WINDOWPOSCHANGED = 0x0047;
constexpr UINT WM_NCCALCSIZE = 0x0083;
constexpr UINT WM_NCHITTEST = 0x0084;
constexpr UINT WM_NCPAINT = 0x0085;
constexpr UINT WM_NCACTIVATE = 0x0086;
constexpr UINT WM_NCMOUSEMOVE = 0x00A0;
constexpr UINT WM_NCLBUTTONDOWN = 0x00A1;
constexpr UINT WM_NCLBUTTONUP = 0x00A2;
constexpr UINT WM_NCLBUTTONDBLCLK = 0x00A3;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_VSCROLL = 0x0115;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_MOUSEWHEEL = 0x020A;
constexpr UINT WM_CAPTURECHANGED = 0x0215;
constexpr UINT WM_MOUSELEAVE = 0x02A3;
constexpr UINT WM_COPY = 0x0301;

// The class library's control messages.
constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_DIALOGKEY = CM_BASE + 5;
constexpr UINT CM_DIALOGCHAR = CM_BASE + 6;
constexpr UINT CM_FOCUSCHANGED = CM_BASE + 7;
constexpr UINT CM_VISIBLECHANGED = CM_BASE + 11;
constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 12;
constexpr UINT CM_TEXTCHANGED = CM_BASE + 18;
constexpr UINT CM_MOUSEENTER = CM_BASE + 19;
constexpr UINT CM_MOUSELEAVE = CM_BASE + 20;
constexpr UINT CM_SHOWINGCHANGED = CM_BASE + 25;

// The skin toolkit's private messages.
constexpr UINT WM_SKIN_REFRESH = 3025;
constexpr UINT ZM_NCREPAINT = 3027;
constexpr UINT ZM_SKINCHANGED = 3028;
constexpr UINT ZM_SKINRESCHANGED = 3029;
constexpr UINT ZM_ADDNCCTRL = 3030;
constexpr UINT ZM_REMOVENCCTRL = 3031;

// Hit-test answers.
constexpr LRESULT HTTRANSPARENT = -1;
constexpr LRESULT HTNOWHERE = 0;
constexpr LRESULT HTCLIENT = 1;
constexpr LRESULT HTCAPTION = 2;
constexpr LRESULT HTLEFT = 10;
constexpr LRESULT HTRIGHT = 11;
constexpr LRESULT HTTOP = 12;
constexpr LRESULT HTTOPLEFT = 13;
constexpr LRESULT HTTOPRIGHT = 14;
constexpr LRESULT HTBOTTOM = 15;
constexpr LRESULT HTBOTTOMLEFT = 16;
constexpr LRESULT HTBOTTOMRIGHT = 17;
constexpr LRESULT HTBORDER = 18;
inline bool IsSizingHitTest(LRESULT ht) {
    return ht >= HTLEFT && ht <= HTBOTTOMRIGHT;
}

// System commands (the low four bits carry extra information).
constexpr WPARAM SC_SIZE = 0xF000;
constexpr WPARAM SC_MOVE = 0xF010;
constexpr WPARAM SC_MINIMIZE = 0xF020;
constexpr WPARAM SC_MAXIMIZE = 0xF030;
constexpr WPARAM SC_CLOSE = 0xF060;
constexpr WPARAM SC_RESTORE = 0xF120;
constexpr WPARAM SC_MOVE_KEYBOARD = 61457; // SC_MOVE + 1
constexpr WPARAM SC_DRAGMOVE = 61458;      // SC_MOVE + HTCAPTION

// WM_SIZE kinds.
constexpr WPARAM SIZE_RESTORED = 0;
constexpr WPARAM SIZE_MINIMIZED = 1;
constexpr WPARAM SIZE_MAXIMIZED = 2;

// Window styles.
constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;
constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
constexpr DWORD WS_THICKFRAME = 0x00040000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_DLGFRAME = 0x00400000;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_MAXIMIZE = 0x01000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_MINIMIZE = 0x20000000;
constexpr DWORD WS_EX_TOPMOST = 0x00000008;
constexpr DWORD WS_EX_TOOLWINDOW = 0x00000080;
constexpr DWORD WS_EX_APPWINDOW = 0x00040000;
constexpr DWORD WS_EX_LAYERED = 0x00080000;
constexpr DWORD WS_EX_NOACTIVATE = 0x08000000;

// Position-change flags.
constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr UINT SWP_NOREDRAW = 0x0008;
constexpr UINT SWP_NOACTIVATE = 0x0010;
constexpr UINT SWP_FRAMECHANGED = 0x0020;
constexpr UINT SWP_SHOWWINDOW = 0x0040;
constexpr UINT SWP_HIDEWINDOW = 0x0080;
constexpr UINT SWP_NOCOPYBITS = 0x0100;

// Mouse key state in mouse messages.
constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;
// Not a Windows value: Alt held, in the modifiers of key input.
constexpr WPARAM MK_ALT = 0x0020;

// Virtual keys.
constexpr WPARAM VK_BACK = 0x08;
constexpr WPARAM VK_TAB = 0x09;
constexpr WPARAM VK_RETURN = 0x0D;
constexpr WPARAM VK_SHIFT = 0x10;
constexpr WPARAM VK_CONTROL = 0x11;
constexpr WPARAM VK_MENU = 0x12;
constexpr WPARAM VK_ESCAPE = 0x1B;
constexpr WPARAM VK_SPACE = 0x20;
constexpr WPARAM VK_PRIOR = 0x21;
constexpr WPARAM VK_NEXT = 0x22;
constexpr WPARAM VK_END = 0x23;
constexpr WPARAM VK_HOME = 0x24;
constexpr WPARAM VK_LEFT = 0x25;
constexpr WPARAM VK_UP = 0x26;
constexpr WPARAM VK_RIGHT = 0x27;
constexpr WPARAM VK_DOWN = 0x28;
constexpr WPARAM VK_DELETE = 0x2E;
constexpr WPARAM VK_ADD = 0x6B;
constexpr WPARAM VK_SUBTRACT = 0x6D;
constexpr WPARAM VK_F4 = 0x73;
// Letters and digits are their upper-case ASCII codes ('A' … 'Z', '0' … '9').

// Cursors.
enum TCursor {
    crDefault = 0,
    crArrow,
    crIBeam,
    crSizeWE,
    crSizeNS,
    crSizeNWSE,
    crSizeNESW,
    crSizeAll,
    crHandPoint
};

struct MINMAXINFO {
    POINT ptReserved;
    POINT ptMaxSize;
    POINT ptMaxPosition;
    POINT ptMinTrackSize;
    POINT ptMaxTrackSize;
};

struct WINDOWPOS {
    HWND hwnd = 0;
    HWND hwndInsertAfter = 0;
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    UINT flags = 0;
};

// Of WM_NCCALCSIZE: rgrc[0] is the proposed window rectangle, which the
// handler turns into the client rectangle (both in the parent's coordinates).
struct NCCALCSIZE_PARAMS {
    RECT rgrc[3];
    WINDOWPOS* lppos = nullptr;
};

// A window region: the union of its rectangles, in window coordinates.
struct TRegion {
    std::vector<RECT> Rects;
    bool Contains(int x, int y) const;
    RECT Bounds() const;
};
TRegion CreateRectRgn(int left, int top, int right, int bottom);
// The region of the platform's RoundRect: corner ellipses of the full size
// w × h (not radii), rounded the way GDI rounds its regions.
TRegion CreateRoundRectRgn(int left, int top, int right, int bottom, int w, int h);
TRegion CombineRgnOr(const TRegion& a, const TRegion& b);

// lParam packing of points (signed 16-bit halves).
inline LPARAM MAKELPARAM(int lo, int hi) {
    return LPARAM(uint32_t(uint16_t(int16_t(lo))) | (uint32_t(uint16_t(int16_t(hi))) << 16));
}
inline int GET_X_LPARAM(LPARAM l) {
    return int16_t(uint16_t(uint32_t(l) & 0xFFFF));
}
inline int GET_Y_LPARAM(LPARAM l) {
    return int16_t(uint16_t((uint32_t(l) >> 16) & 0xFFFF));
}
inline POINT PointFromLParam(LPARAM l) {
    return {GET_X_LPARAM(l), GET_Y_LPARAM(l)};
}
inline LPARAM LParamFromPoint(POINT p) {
    return MAKELPARAM(p.x, p.y);
}

// A message as the window procedures see it.
struct TMessage {
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
};

} // namespace gui
