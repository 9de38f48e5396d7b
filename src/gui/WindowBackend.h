#pragma once
// The native side of the windows: a real SDL window on a display, or a
// virtual screen for tests. The windows call it; it turns native events
// into calls of TWindow's input functions.
#include "gui/Controls.h"

#include <cstdint>
#include <string>
#include <vector>

namespace gui {

class TWindowBackend {
public:
    virtual ~TWindowBackend() = default;
    virtual const char* Name() const = 0;

    // The native window is made when the window is first shown, so that the
    // task-bar options of its first show are known then.
    virtual void ShowWindow(TWindow* window, bool visible) = 0;
    virtual void DestroyWindow(TWindow* window) = 0;
    virtual void SetWindowBounds(TWindow* window, const RECT& screen) = 0;
    virtual void SetWindowOpacity(TWindow* window, uint8_t alpha) = 0;
    virtual void SetWindowTopmost(TWindow* window, bool topmost) = 0;
    virtual void SetWindowRegion(TWindow* window, const TRegion* region) = 0;
    virtual void SetWindowMinimized(TWindow* window, bool minimized) = 0;
    virtual void RaiseWindow(TWindow* window) = 0;
    // The composed pixels (window size, region not applied).
    virtual void Present(TWindow* window, const TSurface& surface) = 0;

    virtual void SetCapture(TWindow* window, bool capture) = 0;
    virtual void SetCursor(TCursor cursor) = 0;
    virtual POINT CursorPos() = 0;
    // The window under a screen point, or none.
    virtual TWindow* WindowAt(POINT screen) = 0;

    // The monitor (and its work area) that holds most of the rectangle.
    virtual RECT MonitorRect(const RECT& near) = 0;
    virtual RECT WorkArea(const RECT& near) = 0;
    virtual bool IsPrimaryMonitor(const RECT& near) = 0;

    // Turns pending native events into window input; true when any was.
    virtual bool PumpEvents() = 0;
    // Blocks until a native event or a main-thread call arrives, or the time
    // has passed.
    virtual void WaitEvents(uint32_t timeoutMs) = 0;

    virtual void SetClipboardText(const std::string& text) = 0;
    virtual std::string ClipboardText() = 0;
};

// The back-end in use, chosen on first use: SDL when a display is available
// and SDL starts on it, headless otherwise (UPDATER_HEADLESS=1 forces it).
TWindowBackend* WindowBackend();
bool IsHeadless();

// The system's own windows (SDL on Linux); none when no display can be
// opened, or where the system has no back-end yet.
TWindowBackend* CreateNativeBackend();

} // namespace gui
