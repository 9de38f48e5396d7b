#pragma once
// Windows and child controls in the Windows message model. Every control is a
// message target with a handle and a window procedure that can be replaced
// and chained; child controls are rectangles inside their window, painted in
// parent-before-child order into one ARGB32 surface per window. The native
// side (a real SDL window, or a headless virtual screen) is a back-end.
#include "platform/Surface.h"
#include "platform/WinApi.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class TWindow;
class TWindowBackend;

using TWndMethod = std::function<void(TMessage&)>;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

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

class TControl {
public:
    explicit TControl(TControl* parent = nullptr);
    virtual ~TControl();
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;

    // The message-target handle: SendMessageW/PostMessageW reach WindowProc.
    HWND Handle() const { return FHandle; }
    static TControl* FromHandle(HWND handle);

    // The replaceable window procedure; it starts as WndProc. A hook stores
    // the current one and installs its own, calling the stored one to chain.
    const TWndMethod& WindowProc() const { return FWindowProc; }
    void SetWindowProc(TWndMethod proc);
    LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
    // The control's own handling; subclasses extend it and call the base.
    virtual void WndProc(TMessage& message);

    TControl* Parent() const { return FParent; }
    void SetParent(TControl* parent);
    // Children, bottom first.
    const std::vector<TControl*>& Controls() const { return FControls; }
    // The top-level window, or none for a control not (yet) on one.
    TWindow* GetParentWindow() const;
    void BringToFront();

    // Position relative to the parent's client area (screen position for a
    // window), size of the whole control.
    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    RECT BoundsRect() const { return {FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }
    virtual void SetBounds(int left, int top, int width, int height);
    void SetLeft(int v) { SetBounds(v, FTop, FWidth, FHeight); }
    void SetTop(int v) { SetBounds(FLeft, v, FWidth, FHeight); }
    void SetWidth(int v) { SetBounds(FLeft, FTop, v, FHeight); }
    void SetHeight(int v) { SetBounds(FLeft, FTop, FWidth, v); }

    // The client area inside the control: its non-client margins taken off.
    RECT ClientRect() const;
    int ClientWidth() const { return ClientRect().right; }
    int ClientHeight() const { return ClientRect().bottom; }
    // Offset of the client area from the control's top-left corner.
    POINT ClientOffset() const { return {FClientInsets.left, FClientInsets.top}; }
    const RECT& ClientInsets() const { return FClientInsets; }
    void SetClientInsets(const RECT& insets);
    // The client area's origin in the window's coordinates (0, 0 = the
    // window's top-left corner, non-client area included).
    POINT ClientOriginInWindow() const;
    POINT ClientToScreen(POINT p) const;
    POINT ScreenToClient(POINT p) const;

    bool Visible() const { return FVisible; }
    virtual void SetVisible(bool value);
    // Visible with every parent, on a shown window.
    bool Showing() const;
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    // Enabled with every parent.
    bool IsEnabledInTree() const;

    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign value);
    // Space kept around an aligned control.
    const RECT& Margins() const { return FMargins; }
    void SetMargins(const RECT& value);
    // Lays out the aligned children in the client area (after AdjustClientRect).
    void Realign();
    virtual void AdjustClientRect(RECT& rect) { (void)rect; }

    const std::string& Text() const { return FText; }
    void SetText(const std::string& value);

    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool value) { FTabStop = value; }
    bool CanFocus() const;
    bool Focused() const;
    void SetFocus();

    bool MouseCapture() const;
    void SetMouseCapture(bool value);

    int Tag() const { return FTag; }
    void SetTag(int value) { FTag = value; }

    // Asks for the window to be composed again.
    void Invalidate();
    // Composes now when anything is invalid.
    void Update();
    void Repaint() {
        Invalidate();
        Update();
    }
    // Sending WM_SETREDRAW false holds back this control's painting.
    bool RedrawEnabled() const { return FRedraw; }

    void SetTimer(WPARAM id, uint32_t intervalMs);
    void KillTimer(WPARAM id);

    // The deepest visible child (or this control) under a point of the client
    // area; disabled controls pass the point to their parent.
    TControl* ControlAtPoint(POINT client);

    // Paints this control and its children: non-client area, background,
    // client area, children. `origin` is the control's top-left corner in the
    // surface, `clip` the part of the surface it may touch.
    void PaintTree(TSurface& surface, POINT origin, const RECT& clip);

protected:
    void SetBoundsRaw(int left, int top, int width, int height);
    virtual void BoundsChanged(bool moved, bool resized);

private:
    friend class TWindow;
    HWND FHandle = 0;
    TWndMethod FWindowProc;
    TControl* FParent = nullptr;
    std::vector<TControl*> FControls;
    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    RECT FClientInsets;
    RECT FMargins;
    bool FVisible = true;
    bool FEnabled = true;
    bool FTabStop = false;
    bool FRedraw = true;
    bool FAligning = false;
    TAlign FAlign = alNone;
    std::string FText;
    int FTag = 0;
    void DefaultHandler(TMessage& message);
};

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

} // namespace platform
