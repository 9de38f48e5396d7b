#pragma once
// Controls that live in a skinned window's title bar: the caption label and
// picture buttons (close, minimise, maximise). They register with the
// window's frame by message and draw into its title-bar bitmap.
//
// A control belongs to its window: make it a member declared after the
// window's frame (it unregisters itself when it ends first), or create it
// with new and end it with RemoveSelf, which lets the frame free it.
#include "gui/Controls.h"
#include "skin/ZelSkinControls.h"
#include "skin/ZelSkinForm.h"

#include <memory>
#include <string>

enum TNCCtrlAlign { caLeft, caRight };

// Position and size of a title-bar control, in window coordinates (0, 0 is
// the window's top-left corner, title bar included).
class TNCCtrlPos {
public:
    explicit TNCCtrlPos(gui::TWindow* AOwnerForm = nullptr) : FOwnerForm(AOwnerForm) {}

    int Width() const { return FWidth; }
    void SetWidth(int value);
    int YValue() const { return FYValue; }
    void SetYValue(int value);
    int Height() const { return FHeight; }
    void SetHeight(int value);
    // From the left edge with caLeft, from the right edge with caRight.
    int XValue() const { return FXValue; }
    void SetXValue(int value);
    TNCCtrlAlign Align() const { return FAlign; }
    void SetAlign(TNCCtrlAlign value);
    bool UseDefault() const { return FUseDefault; }
    void SetUseDefault(bool value);
    gui::TWindow* OwnerForm() const { return FOwnerForm; }

    // The values last set while unlocked, i.e. from outside the control.
    int LastSetXValue() const { return FLastSetXValue; }
    int LastSetYValue() const { return FLastSetYValue; }

    // While locked, changes raise no OnChange.
    void Lock() { FLocked = true; }
    void UnLock() { FLocked = false; }
    bool Locked() const { return FLocked; }
    TNotifyEvent OnChange;

private:
    int FWidth = 25;
    int FYValue = 0;
    int FHeight = 25;
    int FXValue = 0;
    TNCCtrlAlign FAlign = caLeft;
    gui::TWindow* FOwnerForm;
    bool FUseDefault = false;
    bool FLocked = false;
    int FLastSetXValue = 0;
    int FLastSetYValue = 0;
    void Changed();
};

// A small borderless window with a text, shown near the pointer.
class TZelHintWindow : public gui::TWindow {
public:
    TZelHintWindow();
    // Shows the text in the screen rectangle.
    void ActivateHint(const gui::RECT& Screen, const std::string& Text);
    void ReleaseHint() { Hide(); }
    const TZelFont& Font() const { return FFont; }
    void WndProc(gui::TMessage& Message) override;

private:
    TZelFont FFont{"宋体", 12, clInfoText};
};

class TZelSkinNCCtrlBase : public TZelSkinNCControl {
public:
    explicit TZelSkinNCCtrlBase(gui::TWindow* AOwner);
    ~TZelSkinNCCtrlBase() override;

    TNCCtrlPos& Pos() { return FPos; }
    const TNCCtrlPos& Pos() const { return FPos; }
    bool Visible() const override { return FVisible; }
    void SetVisible(bool value);
    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& value) { FHint = value; }
    int Tag() const { return FTag; }
    void SetTag(int value) { FTag = value; }
    TNotifyEvent OnLMouseDown;
    TNotifyEvent OnLMouseUp;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

    gui::TWindow* OwnerForm() const { return FOwnerForm; }
    // The control's own message target (its timer and registration).
    platform::HWND Handle() const { return FHandle; }
    // The control's top-left corner in window coordinates.
    int Left() const;
    int Top() const;
    bool MouseInControl() const override { return FMouseInControl; }
    TRect ControlRect() const override;
    // None until a hint has been shown.
    TZelHintWindow* HintWindow() const { return FHintWindow.get(); }

    // Repaints the whole title bar.
    void Invalidate();
    // Asks the frame to free this control (only for one made with new).
    void RemoveSelf();

    virtual void DoTimer();
    virtual void MouseEnter();
    virtual void MouseLeave();
    virtual void MouseMove(const TPoint& Pt);
    virtual int GetWidth() const { return FPos.Width(); }
    virtual int GetHeight() const { return FPos.Height(); }
    void LMouseDown(const TPoint& Pt) override;
    void LMouseUp(const TPoint& Pt) override;
    void Paint(TZelSkinImage& TitleBar) override;
    void NCMouseMove(const TPoint& Pt) override;

protected:
    // Where the title-bar bitmap lies in the window: at its corner here.
    TPoint ClientRectOffset() const { return {0, 0}; }
    bool WindowMaximized() const;

private:
    gui::TWindow* FOwnerForm;
    platform::HWND FHandle = 0;
    TNCCtrlPos FPos;
    bool FVisible = true;
    std::string FHint;
    int FTag = 0;
    bool FMouseInControl = false;
    std::unique_ptr<TZelHintWindow> FHintWindow;

    void TryRegister();
    void StartTimer();
    void ShowHint();
    void HideHint();
};

enum TNCButtonState { bsNormal, bsHot, bsPressed };

class TZelSkinCustomNCButton : public TZelSkinNCCtrlBase {
public:
    explicit TZelSkinCustomNCButton(gui::TWindow* AOwner);

    TPngPictures& Picture() { return FPicture; }
    TNCButtonState State() const { return FState; }
    bool Down() const { return FDown; }
    // Going down releases the other buttons of the same group.
    void SetDown(bool value);
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int value) { FGroupIndex = value; }
    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool value) { FAllowAllUp = value; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    // crDefault: the window's cursor.
    gui::TCursor Cursor() const { return FCursor; }
    void SetCursor(gui::TCursor value) { FCursor = value; }
    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& value);
    const TZelFont& Font() const { return FFont; }
    void SetFont(const TZelFont& value);
    const TZelFont& HotFont() const { return FHotFont; }
    void SetHotFont(const TZelFont& value);
    TPoint CaptionOffset() const { return FCaptionOffset; }
    void SetCaptionOffset(TPoint value);
    TNotifyEvent OnClick;

    bool ShowsOwnCursor() const override { return FOwnCursor; }

    virtual void PictureChanged();
    virtual void ReleaseGroup();
    virtual void Click();

    void MouseEnter() override;
    void MouseLeave() override;
    void MouseMove(const TPoint& Pt) override;
    void LMouseDown(const TPoint& Pt) override;
    void LMouseUp(const TPoint& Pt) override;
    void Paint(TZelSkinImage& TitleBar) override;

private:
    TPngPictures FPicture;
    TNCButtonState FState = bsNormal;
    bool FDown = false;
    int FGroupIndex = 0;
    bool FAllowAllUp = false;
    bool FEnabled = true;
    gui::TCursor FCursor = gui::crDefault;
    bool FOwnCursor = false;
    std::string FCaption;
    TZelFont FFont;
    TZelFont FHotFont;
    TPoint FCaptionOffset;
};

enum TSystemButtonKind { bkClose, bkMinimize, bkMaximize };

class TZelSkinSystemButton : public TZelSkinCustomNCButton {
public:
    explicit TZelSkinSystemButton(gui::TWindow* AOwner);

    TSystemButtonKind Kind() const { return FKind; }
    void SetKind(TSystemButtonKind value);
    const TZelResID& CloseImage() const { return FCloseImage; }
    void SetCloseImage(const TZelResID& value);
    const TZelResID& MinimizeImage() const { return FMinimizeImage; }
    void SetMinimizeImage(const TZelResID& value);
    const TZelResID& MaximizeImage() const { return FMaximizeImage; }
    void SetMaximizeImage(const TZelResID& value);
    const TZelResID& RestoresizeImage() const { return FRestoresizeImage; }
    void SetRestoresizeImage(const TZelResID& value);

    // The kind's image and, with Pos.UseDefault, its place at the right end.
    virtual void UpdateKind();
    void PictureChanged() override;
    void Paint(TZelSkinImage& TitleBar) override;
    void LMouseUp(const TPoint& Pt) override;

private:
    TSystemButtonKind FKind = bkClose;
    TZelResID FCloseImage = "ZelSkinBtn_close";
    TZelResID FMinimizeImage = "ZelSkinBtn_mini";
    TZelResID FMaximizeImage = "ZelSkinBtn_max";
    TZelResID FRestoresizeImage = "ZelSkinBtn_restore";
    bool FUpdatingKind = false;
    const TZelResID& KindImage() const;
};

class TZelSkinNCLabel : public TZelSkinNCCtrlBase {
public:
    explicit TZelSkinNCLabel(gui::TWindow* AOwner);

    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& value);
    const TZelFont& Font() const { return FFont; }
    void SetFont(const TZelFont& value);
    TZelLightClass& Light() { return FLight; }
    // A press moves the window as a press on the bare title bar does.
    bool CaptureMouse() const { return FCaptureMouse; }
    void SetCaptureMouse(bool value) { FCaptureMouse = value; }
    // Anti-aliased text whatever the font's own quality.
    bool RenderText() const { return FRenderText; }
    void SetRenderText(bool value);
    // 0: as wide as the caption; otherwise at most this wide, the caption
    // shortened by EllipsisPosition.
    int MaxWidth() const { return FMaxWidth; }
    void SetMaxWidth(int value);
    TEllipsisPosition EllipsisPosition() const { return FEllipsisPosition; }
    void SetEllipsisPosition(TEllipsisPosition value);

    // The caption's size in the label's font.
    int GetWidth() const override;
    int GetHeight() const override;
    void Paint(TZelSkinImage& TitleBar) override;
    void LMouseDown(const TPoint& Pt) override;

private:
    std::string FCaption;
    TZelFont FFont;
    TZelLightClass FLight;
    bool FCaptureMouse = true;
    bool FRenderText = false;
    int FMaxWidth = 0;
    TEllipsisPosition FEllipsisPosition = epNone;

    TTextFormat TextFlags() const;
    TRect Measure() const;
};
