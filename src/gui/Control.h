#pragma once
// The base of every window and child control in the Windows message model: a
// message target with a handle and a window procedure that can be replaced
// and chained. Child controls are rectangles inside their window, painted in
// parent-before-child order into one ARGB32 surface per window.
#include "gui/Surface.h"
#include "gui/WinApi.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace gui {

class TWindow;
class TWindowBackend;

using TWndMethod = std::function<void(TMessage&)>;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

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

} // namespace gui
