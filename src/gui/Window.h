#pragma once
// Top-level windows. The native side (a real window on a display, or a
// headless virtual screen) is a back-end; it feeds the window's input
// functions, which route input to the controls.
#include "gui/Control.h"

namespace gui {

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;
constexpr TModalResult mrClose = 8;

enum TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
using TBorderIcons = uint8_t;
constexpr TBorderIcons biSystemMenu = 1;
constexpr TBorderIcons biMinimize = 2;
constexpr TBorderIcons biMaximize = 4;
enum TCloseAction { caNone, caHide, caFree, caMinimize };

// A top-level window. Its Left/Top are screen coordinates, Width/Height the
// whole window; the client area is what WM_NCCALCSIZE leaves (the platform
// draws no frame of its own).
class TWindow : public TControl {
public:
    TWindow();
    ~TWindow() override;

    const std::string& Caption() const { return Text(); }
    void SetCaption(const std::string& value) { SetText(value); }
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle value);
    TBorderIcons BorderIcons() const { return FBorderIcons; }
    void SetBorderIcons(TBorderIcons value);
    DWORD Style() const { return FStyle; }
    void SetStyle(DWORD value);
    DWORD ExStyle() const { return FExStyle; }
    void SetExStyle(DWORD value);
    TWindowState WindowState() const { return FWindowState; }
    void SetWindowState(TWindowState value);
    // The window colour: the default background erase fills with it (ARGB).
    uint32_t Color() const { return FColor; }
    void SetColor(uint32_t argb);

    // The size of the client area; the window grows by its non-client area.
    void SetClientSize(int width, int height);
    void CenterOnScreen();

    // Layered-window transparency.
    bool AlphaBlend() const { return FAlphaBlend; }
    void SetAlphaBlend(bool value);
    uint8_t AlphaBlendValue() const { return FAlphaBlendValue; }
    void SetAlphaBlendValue(uint8_t value);
    // 255 unless alpha blending is on.
    uint8_t EffectiveOpacity() const { return FAlphaBlend ? FAlphaBlendValue : 255; }

    bool Topmost() const { return (FExStyle & WS_EX_TOPMOST) != 0; }
    // SetWindowPos(HWND_TOPMOST / HWND_NOTOPMOST, …, SWP_NOMOVE | SWP_NOSIZE).
    void SetTopmost(bool value);

    // SetWindowRgn: none means the whole window.
    void SetWindowRgn(const TRegion* region);
    const TRegion* WindowRgn() const { return FHasRegion ? &FRegion : nullptr; }
    bool PointInRegion(POINT window) const;

    void Show();
    void Hide();
    // Show or Hide.
    void SetVisible(bool value) override;
    // Shows the window and runs a message loop until it closes or gets a
    // modal result; returns the modal result (mrCancel when closed).
    TModalResult ShowModal();
    bool Modal() const { return FModal; }
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult value) { FModalResult = value; }
    // Asks to close (WM_CLOSE): OnCloseQuery, OnClose, then hides (or the
    // modal loop ends with mrCancel when no result is set).
    void Close();

    std::function<void(TWindow*)> OnShow;
    std::function<void(TWindow*, bool& canClose)> OnCloseQuery;
    std::function<void(TWindow*, TCloseAction& action)> OnClose;

    TControl* ActiveControl() const { return FActiveControl; }
    void SetActiveControl(TControl* control);
    TControl* CaptureControl() const { return FCapture; }
    void SetCaptureControl(TControl* control);
    TControl* HoverControl() const { return FHover; }
    // Moves the focus to the next (or previous) control that can take it.
    void SelectNext(bool forward);

    // Composes the whole window now: WM_NCPAINT, then background and paint of
    // the window and of every visible control in parent-before-child order.
    void PaintWindow();
    bool NeedsPaint() const { return FNeedsPaint; }
    void MarkNeedsPaint() { FNeedsPaint = true; }
    // The last composed surface, window size, without the region applied.
    const TSurface& Surface() const { return FSurface; }
    // The last composed surface with pixels outside the region transparent.
    TSurface RegionSurface() const;

    // The client rectangle in window coordinates as WM_NCCALCSIZE gave it;
    // asked again after a size or frame change.
    const RECT& ClientRectInWindow() const { return FClientInWindow; }
    void RecalcNonClient();

    // A hook the skinned frame sets: true over a title-bar control, where a
    // native caption drag must not start so that the control gets the press.
    std::function<bool(POINT window)> NonClientControlAt;

    // Input from the back-end, in screen coordinates. Key messages carry the
    // virtual key in wParam and the modifiers (MK_SHIFT, MK_CONTROL, MK_ALT)
    // in lParam; unhandled Enter and Escape go round as CM_DIALOGKEY, Tab
    // moves the focus.
    enum class TMouseKind { Move, LeftDown, LeftUp, RightDown, RightUp, Wheel, Leave };
    void MouseInput(TMouseKind kind, POINT screen, WPARAM keys, int clicks = 1, int wheel = 0);
    void KeyInput(bool down, WPARAM vk, WPARAM modifiers);
    void CharInput(char32_t ch);
    // The hit test the native window system asks for (screen coordinates).
    LRESULT NativeHitTest(POINT screen);
    // The native window moved, was resized, minimised or restored by the
    // window system itself, asked to close, or needs its pixels again.
    void NativeMoved(int left, int top);
    void NativeResized(int width, int height);
    void NativeMinimized();
    void NativeRestored();
    void NativeCloseRequest();
    void NativeExposed();

    // While a move or size started by WM_SYSCOMMAND is tracked with the mouse.
    bool Tracking() const { return FTrack != TrackMode::None; }

    // The back-end's data for this window.
    void* Peer() const { return FPeer; }
    void SetPeer(void* peer) { FPeer = peer; }

    void WndProc(TMessage& message) override;
    // Sends WM_WINDOWPOSCHANGING first; its handler may change the values.
    void SetBounds(int left, int top, int width, int height) override;

protected:
    void BoundsChanged(bool moved, bool resized) override;

private:
    friend class TApplication;
    void PresentSurface();
    TBorderStyle FBorderStyle = bsSizeable;
    TBorderIcons FBorderIcons = biSystemMenu | biMinimize | biMaximize;
    DWORD FStyle = 0;
    DWORD FExStyle = 0;
    TWindowState FWindowState = wsNormal;
    RECT FNormalBounds;
    uint32_t FColor = 0xFFF0F0F0;
    bool FAlphaBlend = false;
    uint8_t FAlphaBlendValue = 255;
    bool FHasRegion = false;
    TRegion FRegion;
    bool FModal = false;
    TModalResult FModalResult = mrNone;
    bool FShown = false;
    bool FNeedsPaint = true;
    TSurface FSurface;
    RECT FClientInWindow;
    TControl* FActiveControl = nullptr;
    TControl* FCapture = nullptr;
    bool FAutoCapture = false;
    TControl* FHover = nullptr;
    void* FPeer = nullptr;
    uint64_t FLastClickTime = 0;
    uint64_t FActivation = 0; // when last shown, raised or clicked

    enum class TrackMode { None, Move, Size };
    TrackMode FTrack = TrackMode::None;
    int FTrackEdge = 0; // WMSZ_*
    POINT FTrackStartCursor;
    RECT FTrackStartBounds;

    void StyleFromBorder();
    void ShowingChanged();
    void DoClose();
    void SysCommand(TMessage& message);
    void StartTracking(TrackMode mode, int edge);
    void TrackTo(POINT screen);
    MINMAXINFO QueryMinMaxInfo();
    void ForgetControl(TControl* control);
    void Activated();
    friend class TControl;
    friend TWindow* ActiveWindow();
};

} // namespace gui
