#pragma once
// Native Win32 windows in plain types. <windows.h> defines as macros many of
// the names the toolkit declares as constants (WM_PAINT, RECT, DrawText), so
// the two never meet in one file: the Win32 side lives in NativeWindow.cpp
// and NativeSystem.cpp, the toolkit side in NativeBackend.cpp. Message
// numbers, virtual keys, MK_* and HT* codes cross unchanged: the toolkit
// uses the Windows values.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace gui::win32 {

struct TNativeRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// What a native window reports, in screen coordinates.
class TNativeEvents {
public:
    enum class Mouse { Move, LeftDown, LeftUp, RightDown, RightUp, Wheel, Leave };
    virtual ~TNativeEvents() = default;
    // An HT* code for the point.
    virtual intptr_t HitTest(int x, int y) = 0;
    virtual void MouseEvent(Mouse kind, int x, int y, unsigned keys, int clicks, int wheel) = 0;
    virtual void KeyEvent(bool down, unsigned vk, unsigned modifiers) = 0;
    virtual void CharEvent(char32_t ch) = 0;
    virtual void Moved(int left, int top) = 0;
    virtual void Resized(int width, int height) = 0;
    virtual void Minimized() = 0;
    virtual void Restored() = 0;
    virtual void CloseRequest() = 0;
    // The window's pixels were lost and none are kept (never presented yet).
    virtual void Exposed() = 0;
};

struct TNativeOptions {
    std::string caption;
    TNativeRect bounds;
    bool topmost = false;
    bool toolWindow = false; // no task-bar button
    bool systemMenu = true;
};

// One top-level popup window; the pixels last presented repaint it.
class TNativeWindow {
public:
    // Null when the system refuses the window.
    static std::unique_ptr<TNativeWindow> Create(const TNativeOptions& options,
                                                 TNativeEvents* events);
    virtual ~TNativeWindow() = default;

    virtual void Show(bool visible) = 0;
    virtual void SetBounds(const TNativeRect& screen) = 0;
    virtual void SetOpacity(uint8_t alpha) = 0;
    virtual void SetTopmost(bool topmost) = 0;
    // Rectangles in window coordinates; none means the whole window.
    virtual void SetRegion(const std::vector<TNativeRect>* rects) = 0;
    virtual void SetMinimized(bool minimized) = 0;
    virtual void Raise() = 0;
    // ARGB32 rows, top-down.
    virtual void Present(const uint32_t* pixels, int width, int height) = 0;
    virtual void SetCapture(bool capture) = 0;
    virtual void* Handle() const = 0;
};

// The process's side of the window system.
enum class TNativeCursor { Arrow, IBeam, SizeWE, SizeNS, SizeNWSE, SizeNESW, SizeAll, Hand };
void SetNativeCursor(TNativeCursor cursor);
void NativeCursorPos(int& x, int& y);
// The events of the window of ours at a screen point, or none.
TNativeEvents* NativeWindowAt(int x, int y);

struct TNativeMonitor {
    TNativeRect monitor;
    TNativeRect work;
    bool primary = true;
};
TNativeMonitor NativeMonitorNear(const TNativeRect& rect);

// The message loop: dispatches what is pending (true when anything was), or
// waits for a message, a wake-up or the time-out.
bool PumpNativeMessages();
void WaitNativeMessages(uint32_t timeoutMs);
// Ends a wait from any thread.
void WakeNativeLoop();

void SetNativeClipboardText(const std::string& utf8);
std::string NativeClipboardText();

} // namespace gui::win32
