// The process's side of the Win32 window system: the message loop and its
// wake-up, monitors, the clipboard.
#include "gui/win32/NativeWindow.h"

#include "platform/Text.h"

#include <windows.h>

#include <cstring>

namespace gui::win32 {

namespace {

// Auto-reset: one wake-up ends one wait, and a wake-up that comes before
// the wait still ends it.
HANDLE WakeEvent() {
    static HANDLE event = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    return event;
}

TNativeRect FromRect(const ::RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}

// SetClipboardData needs an owner window: with none, EmptyClipboard leaves
// the clipboard without one and the data is refused.
HWND ClipboardOwner() {
    static HWND owner = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                          ::GetModuleHandleW(nullptr), nullptr);
    return owner;
}

// Another program may hold the clipboard for a moment.
bool OpenTheClipboard(HWND owner) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (::OpenClipboard(owner)) return true;
        ::Sleep(10);
    }
    return false;
}

} // namespace

bool PumpNativeMessages() {
    bool any = false;
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        any = true;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return any;
}

void WaitNativeMessages(uint32_t timeoutMs) {
    HANDLE event = WakeEvent();
    ::MsgWaitForMultipleObjectsEx(event ? 1 : 0, event ? &event : nullptr, timeoutMs, QS_ALLINPUT,
                                  MWMO_INPUTAVAILABLE);
}

void WakeNativeLoop() {
    if (HANDLE event = WakeEvent()) ::SetEvent(event);
}

TNativeMonitor NativeMonitorNear(const TNativeRect& rect) {
    ::RECT r{rect.left, rect.top, rect.right, rect.bottom};
    MONITORINFO info{};
    info.cbSize = sizeof info;
    HMONITOR monitor = ::MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST);
    if (!monitor || !::GetMonitorInfoW(monitor, &info)) {
        TNativeRect screen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
        return {screen, screen, true};
    }
    return {FromRect(info.rcMonitor), FromRect(info.rcWork),
            (info.dwFlags & MONITORINFOF_PRIMARY) != 0};
}

void SetNativeClipboardText(const std::string& utf8) {
    std::u16string text = platform::Utf8ToUtf16(utf8);
    HWND owner = ClipboardOwner();
    if (!OpenTheClipboard(owner)) return;
    ::EmptyClipboard();
    const size_t bytes = (text.size() + 1) * sizeof(char16_t);
    if (HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        if (void* p = ::GlobalLock(memory)) {
            std::memcpy(p, text.c_str(), bytes);
            ::GlobalUnlock(memory);
            // The clipboard owns the memory once it takes it.
            if (!::SetClipboardData(CF_UNICODETEXT, memory)) ::GlobalFree(memory);
        } else {
            ::GlobalFree(memory);
        }
    }
    ::CloseClipboard();
}

std::string NativeClipboardText() {
    std::string text;
    if (!::IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenTheClipboard(ClipboardOwner()))
        return text;
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        if (auto* p = static_cast<const char16_t*>(::GlobalLock(data))) {
            // Bounded by the block: a text without its terminator stops there.
            size_t max = ::GlobalSize(data) / sizeof(char16_t), n = 0;
            while (n < max && p[n])
                ++n;
            text = platform::Utf16ToUtf8(std::u16string_view(p, n));
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    return text;
}

} // namespace gui::win32
