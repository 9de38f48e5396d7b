#pragma once
// The skinned window frame: a component placed on a window that takes over
// its window procedure, draws the title bar, frame strips and background
// itself, hit-tests for moving and sizing, clips the window to a rounded
// region and hides the unpainted window while it is first shown and while it
// is minimised.
#include "gui/Controls.h"
#include "skin/ZelSkinDC.h"
#include "skin/ZelSkinImage.h"

#include <functional>
#include <vector>

// Replaces a window's procedure with its own HookWndProc, which passes every
// message to the replaced one; the replaced one comes back on destruction.
class TZelHookWindowProc {
public:
    explicit TZelHookWindowProc(gui::TWindow* AOwner);
    virtual ~TZelHookWindowProc();
    TZelHookWindowProc(const TZelHookWindowProc&) = delete;
    TZelHookWindowProc& operator=(const TZelHookWindowProc&) = delete;

    gui::TWindow* DestForm() const { return FDestForm; }

protected:
    virtual void HookWndProc(gui::TMessage& Message);
    // Passes the message on to the replaced procedure.
    void CallOldWindowProc(gui::TMessage& Message) {
        if (FOldWindowProc) FOldWindowProc(Message);
    }

    gui::TWindow* FDestForm = nullptr;
    gui::TWndMethod FOldWindowProc;
};

class TZelSkinForm;

// What the frame needs of a title-bar control: it paints into the title-bar
// bitmap, follows the non-client mouse and takes presses in its rectangle.
// Points are in window coordinates (0, 0 = the window's top-left corner).
class TZelSkinNCControl {
public:
    virtual ~TZelSkinNCControl() = default;
    virtual void Paint(TZelSkinImage& TitleBar) = 0;
    virtual void NCMouseMove(const TPoint& Pt) = 0;
    virtual void LMouseDown(const TPoint& Pt) = 0;
    virtual void LMouseUp(const TPoint& Pt) = 0;
    virtual bool Visible() const = 0;
    virtual bool MouseInControl() const = 0;
    virtual TRect ControlRect() const = 0;
    // While true over the window, the frame swallows WM_SETCURSOR.
    virtual bool ShowsOwnCursor() const { return false; }

    TZelSkinForm* ParentFrame() const { return FParentFrame; }
    void SetParentFrame(TZelSkinForm* frame) { FParentFrame = frame; }
    bool Hooked() const { return FHooked; }
    void SetHooked(bool value) { FHooked = value; }

private:
    TZelSkinForm* FParentFrame = nullptr;
    bool FHooked = false;
};

class TZelSkinFormOptions {
public:
    bool MinimizeToTaskbar() const { return FMinimizeToTaskbar; }
    void SetMinimizeToTaskbar(bool value) { FMinimizeToTaskbar = value; }
    bool HideInTaskbar() const { return FHideInTaskbar; }
    void SetHideInTaskbar(bool value) { FHideInTaskbar = value; }

private:
    bool FMinimizeToTaskbar = false;
    bool FHideInTaskbar = false;
};

enum TZelSkinStyle { ssColor, ssPicture };

class TZelSkinForm : public TZelHookWindowProc {
public:
    explicit TZelSkinForm(gui::TWindow* AOwner);
    ~TZelSkinForm() override;

    int TitleHeight() const { return FTitleHeight; }
    void SetTitleHeight(int value);
    int FramWidth() const { return FFramWidth; }
    void SetFramWidth(int value);
    int HitTestWidth() const { return FHitTestWidth; }
    void SetHitTestWidth(int value) { FHitTestWidth = value; }
    int GradientHeight() const { return FGradientHeight; }
    void SetGradientHeight(int value);
    TColor TitlerColor() const { return FTitlerColor; }
    void SetTitlerColor(TColor value);
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    bool ActiveGradient() const { return FActiveGradient; }
    void SetActiveGradient(bool value);
    bool FlatFrame() const { return FFlatFrame; }
    void SetFlatFrame(bool value);
    bool DoubleFrame() const { return FDoubleFrame; }
    void SetDoubleFrame(bool value);
    bool RoundWindow() const { return FRoundWindow; }
    void SetRoundWindow(bool value);
    TColor FrameColor() const { return FFrameColor; }
    void SetFrameColor(TColor value);
    bool KeepFrameColor() const { return FKeepFrameColor; }
    void SetKeepFrameColor(bool value);
    bool KeepTitlerColor() const { return FKeepTitlerColor; }
    void SetKeepTitlerColor(bool value);
    bool EraseBackGround() const { return FEraseBackGround; }
    void SetEraseBackGround(bool value) { FEraseBackGround = value; }
    TZelSkinStyle Style() const { return FStyle; }
    void SetStyle(TZelSkinStyle value);
    TZelSkinFormOptions& Options() { return FOptions; }

    bool Active() const { return FActive; }

    // Everything: frame, window, the skinned controls' own frames; then Changed.
    void Repaint();
    void Invalidate() { Repaint(); }
    void InvalidateNC();
    void RefreshSkin();
    void BeginChange() { ++FChangeCount; }
    void EndChange();
    // The end of a minimise.
    void Restoring();
    // The window background: its first row lies at the top of the client area.
    TZelSkinImage* GetBackgroundPicture();
    TNotifyEvent Changed;

    // Registered title-bar controls, in order of registration.
    const std::vector<TZelSkinNCControl*>& NCControls() const { return FNCControls; }
    // Forgets a control without freeing it: one that ends before the frame.
    void DetachNCControl(TZelSkinNCControl* Control);
    // The frame's colours as last taken over when the background was built.
    TColor NCBackColor() const { return FNCBackColor; }
    TColor ClientBackColor() const { return FClientBackColor; }
    // True while the window is transparent for a minimise.
    bool Minimizing() const { return FMinimizing; }

protected:
    void HookWndProc(gui::TMessage& Message) override;

private:
    int FTitleHeight = 27;
    int FFramWidth = 2;
    int FHitTestWidth = 5;
    int FGradientHeight = 168;
    TColor FTitlerColor = 16761926;
    TColor FColor = 15920353;
    bool FActiveGradient = true;
    bool FFlatFrame = false;
    bool FDoubleFrame = true;
    bool FRoundWindow = true;
    TColor FFrameColor = clBlack;
    bool FKeepFrameColor = false;
    bool FKeepTitlerColor = false;
    bool FEraseBackGround = false;
    TZelSkinStyle FStyle = ssColor;
    TZelSkinFormOptions FOptions;
    bool FActive = true;

    TColor FNCBackColor;
    TColor FClientBackColor;
    TZelSkinImage FGradientStrip;
    TZelSkinImage FBackground;
    std::vector<TZelSkinNCControl*> FNCControls;

    gui::TBorderIcons FSavedBorderIcons;
    gui::TWindowState FSavedWindowState;
    int FSavedFramWidth = -1;
    bool FSavedAlphaBlend = false;
    uint8_t FSavedAlphaBlendValue = 255;
    bool FMinimizing = false;
    bool FStartAlphaSaved = false;
    bool FStartAlphaBlend = false;
    uint8_t FStartAlphaBlendValue = 255;
    bool FStartFlashHandled = false;
    bool FShownOnce = false;
    bool FLastHitSizing = false;
    int FChangeCount = 0;
    bool FRepainting = false;
    bool FMaxInfoKnown = false;
    bool FMaxInfoPrimary = true;
    gui::POINT FProposedMaxPos;
    gui::POINT FProposedMaxSize;
    int FMaxOffset = 0;
    bool FHasRegion = false;
    gui::TRegion FRegion;

    bool Bordered() const;
    bool Maximized() const;
    void BuildBackground();
    void EnsureBackground();
    void SetRegion();
    void PaintFrame(gui::HDC dc);
    void DrawFrameLines(TZelSkinImage& bmp, int side);
    void PaintBackground(gui::HDC dc);
    void NCHitTest(gui::TMessage& m);
    void GetMinMaxInfo(gui::MINMAXINFO& mmi);
    void ShowingChanged(gui::TMessage& m);
    void SysCommand(gui::TMessage& m);
    void NCButton(gui::TMessage& m, bool down);
    void NCDoubleClick(gui::TMessage& m);
    void BeginMinimize();
    void EndMinimize();
    void NonClientChanged();
    bool NCControlAt(gui::POINT p) const;
};

// The frames of all windows.
class TZelFormSkinHelper {
public:
    static TZelSkinForm* FindSkinForm(const gui::TControl* form);
    static void Add(gui::TWindow* form, TZelSkinForm* frame);
    static void Remove(TZelSkinForm* frame);
};
