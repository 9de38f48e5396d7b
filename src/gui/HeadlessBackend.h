#pragma once
// The windows without a display: a virtual screen of fixed size, mouse and
// keyboard driven by the test, the composed windows readable as pixels, and
// message boxes recorded instead of shown.
#include "gui/WindowBackend.h"
#include "platform/MessageBox.h"

#include <mutex>
#include <string>
#include <vector>

namespace gui {

class THeadlessBackend : public TWindowBackend {
public:
    THeadlessBackend(int screenWidth, int screenHeight);
    ~THeadlessBackend() override;
    const char* Name() const override { return "headless"; }

    void ShowWindow(TWindow* window, bool visible) override;
    void DestroyWindow(TWindow* window) override;
    void SetWindowBounds(TWindow* window, const RECT& screen) override;
    void SetWindowOpacity(TWindow* window, uint8_t alpha) override;
    void SetWindowTopmost(TWindow* window, bool topmost) override;
    void SetWindowRegion(TWindow* window, const TRegion* region) override;
    void SetWindowMinimized(TWindow* window, bool minimized) override;
    void RaiseWindow(TWindow* window) override;
    void Present(TWindow* window, const TSurface& surface) override;
    void SetCapture(TWindow* window, bool capture) override;
    void SetCursor(TCursor cursor) override { FCursor = cursor; }
    POINT CursorPos() override { return FMouse; }
    TWindow* WindowAt(POINT screen) override;
    RECT MonitorRect(const RECT&) override { return {0, 0, FScreenWidth, FScreenHeight}; }
    // The screen less a 40-pixel task bar along the bottom.
    RECT WorkArea(const RECT&) override { return {0, 0, FScreenWidth, FScreenHeight - 40}; }
    bool IsPrimaryMonitor(const RECT&) override { return true; }
    bool PumpEvents() override { return false; }
    void WaitEvents(uint32_t timeoutMs) override;
    void SetClipboardText(const std::string& text) override { FClipboard = text; }
    std::string ClipboardText() override { return FClipboard; }

    // Scripted input, delivered at once (main thread). Points are screen
    // coordinates; the mouse keeps its position between calls.
    void MouseMove(int x, int y);
    void MouseDown(int x, int y);
    void MouseUp(int x, int y);
    void Click(int x, int y);
    void DoubleClick(int x, int y);
    // Press at `from`, move in steps to `to`, release there.
    void Drag(POINT from, POINT to, int steps = 4);
    void Wheel(int x, int y, int delta);
    void KeyDown(WPARAM vk, WPARAM modifiers = 0);
    void KeyUp(WPARAM vk, WPARAM modifiers = 0);
    void KeyPress(WPARAM vk, WPARAM modifiers = 0);
    void TypeText(const std::string& utf8);

    // The screen as it would look: the shown, not minimised windows bottom
    // to top, each clipped to its region and blended by its opacity.
    TSurface ScreenImage();
    uint8_t WindowOpacity(TWindow* window) const;
    bool IsWindowShown(TWindow* window) const;
    bool IsWindowMinimized(TWindow* window) const;
    // Present() calls so far, for a window.
    int PresentCount(TWindow* window) const;
    TCursor Cursor() const { return FCursor; }
    int ScreenWidth() const { return FScreenWidth; }
    int ScreenHeight() const { return FScreenHeight; }

    // Message boxes shown since the start (or the last clear), and the answer
    // given to question boxes.
    std::vector<platform::MessageBoxRequest> MessageBoxes() const;
    void ClearMessageBoxes();
    void SetQuestionAnswer(platform::MessageResult answer) { FAnswer = answer; }

private:
    struct Native {
        TWindow* window = nullptr;
        bool shown = false;
        bool minimized = false;
        uint8_t opacity = 255;
        int presents = 0;
    };
    int FScreenWidth;
    int FScreenHeight;
    std::vector<Native> FNatives; // bottom first
    POINT FMouse;
    bool FLeftDown = false;
    TWindow* FCaptureWindow = nullptr;
    TWindow* FMouseWindow = nullptr;
    TCursor FCursor = crDefault;
    std::string FClipboard;
    mutable std::mutex FBoxMutex;
    std::vector<platform::MessageBoxRequest> FBoxes;
    platform::MessageResult FAnswer = platform::MessageResult::Yes;
    platform::MessageBoxPresenter FOldPresenter;

    Native* Find(TWindow* window);
    const Native* Find(TWindow* window) const;
    TWindow* MouseTarget(POINT screen);
    void SendMouse(TWindow::TMouseKind kind, POINT screen, int clicks = 1, int wheel = 0);
    WPARAM Keys() const { return FLeftDown ? MK_LBUTTON : 0; }
};

// Makes the headless back-end the one in use (before any window is made)
// and returns it; the existing one when it is already in use.
THeadlessBackend* UseHeadlessBackend(int screenWidth = 1280, int screenHeight = 800);
// Makes the SDL back-end the one in use; none when SDL cannot open a display.
TWindowBackend* UseNativeBackend();

} // namespace gui
