#pragma once
// The process's message loop and its windows.
#include "gui/Window.h"

namespace gui {

// The loop and the windows of the process.
class TApplication {
public:
    TWindow* MainForm() const { return FMainForm; }
    void SetMainForm(TWindow* window) { FMainForm = window; }
    // Handles messages until Terminate, or until the main form is hidden.
    void Run();
    void Terminate() { FTerminated = true; }
    bool Terminated() const { return FTerminated; }
    void ResetTerminated() { FTerminated = false; }
    // Handles everything pending: main-thread calls, native events, due
    // timers, then paints invalid windows. True when anything was done.
    bool ProcessMessages();
    // Windows are painted at most this often by the message loops, so that a
    // stream of notifications (a fast download) is not slowed by painting.
    static constexpr uint64_t kPaintIntervalMs = 15;
    // ProcessMessages, or waits for the next event or timer when idle.
    void HandleMessage();
    // The shown windows, bottom first.
    const std::vector<TWindow*>& Windows() const { return FWindows; }

private:
    friend class TWindow;
    bool Process(bool pacePainting);
    TWindow* FMainForm = nullptr;
    bool FTerminated = false;
    uint64_t FLastPaint = 0;
    bool FPaintPending = false;
    std::vector<TWindow*> FWindows;
};
TApplication* Application();

// The window the user works in: the innermost one in a modal loop, else the
// shown, not minimised window last shown, raised or clicked; none when no
// window shows. A WS_EX_NOACTIVATE window (a hint) never is.
TWindow* ActiveWindow();
// Window under a screen point (topmost first, inside its region), or none.
TWindow* WindowFromPoint(POINT screen);
// The control (or window) under a screen point: the client area's deepest
// control there, the window itself over its non-client area, or none.
TControl* ControlFromPoint(POINT screen);
POINT GetCursorPos();
// The modifier keys (MK_SHIFT, MK_CONTROL, MK_ALT) of the key input being
// handled, or of the last one.
WPARAM KeyModifiers();

} // namespace gui
