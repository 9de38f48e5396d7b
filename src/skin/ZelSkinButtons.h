#pragma once
// Skinned buttons: the base with its mouse and keyboard state machine, and
// the flat colour button the windows use.
#include "skin/ZelSkinControls.h"

#include <cstdint>
#include <string>

// The least a drop-down menu must do for a button: pop up at a screen point.
// The menu's items and looks are the menu's own business.
class TPopupMenu {
public:
    virtual ~TPopupMenu() = default;
    // Shows the menu with its top-left corner at the screen point.
    virtual void Popup(int X, int Y);
    // Raised by Popup, with the point.
    std::function<void(void* Sender, int X, int Y)> OnPopup;
    int PopupCount() const { return FPopupCount; }
    TPoint LastPopupPoint() const { return FLastPopupPoint; }

private:
    int FPopupCount = 0;
    TPoint FLastPopupPoint;
};

// A command that several controls can share: its caption and enabled state
// follow to the linked controls, and clicking a linked control executes it.
class TAction {
public:
    virtual ~TAction();
    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    TNotifyEvent OnExecute;
    // Runs OnExecute; false when the action is disabled or has no handler.
    virtual bool Execute();

private:
    friend class TZelSkinCustomButton;
    std::string FCaption;
    bool FEnabled = true;
    std::vector<class TZelSkinCustomButton*> FClients;
};

class TZelSkinCustomButton : public TZelSkinCustomControl {
public:
    explicit TZelSkinCustomButton(gui::TControl* AOwner);
    ~TZelSkinCustomButton() override;

    // The width of the drop-down area at the right end of the client area.
    static constexpr int DropdownAreaWidth = 17;

    const std::string& Caption() const { return Text(); }
    void SetCaption(const std::string& value) { SetText(value); }
    const TZelFont& Font() const { return FFont; }
    void SetFont(const TZelFont& value);
    const TZelFont& HotFont() const { return FHotFont; }
    void SetHotFont(const TZelFont& value);
    bool Down() const { return FDown; }
    // Going down releases the other buttons of the parent with the same
    // (non-zero) GroupIndex.
    void SetDown(bool value);
    int32_t GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int32_t value) { FGroupIndex = value; }
    int32_t PressedOffset() const { return FPressedOffset; }
    void SetPressedOffset(int32_t value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);
    bool CanFocused() const { return FCanFocused; }
    void SetCanFocused(bool value);
    bool Default() const { return FDefault; }
    void SetDefault(bool value);
    bool Cancel() const { return FCancel; }
    void SetCancel(bool value) { FCancel = value; }
    gui::TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(gui::TModalResult value) { FModalResult = value; }
    bool IgnoreMouse() const { return FIgnoreMouse; }
    void SetIgnoreMouse(bool value) { FIgnoreMouse = value; }
    bool CycleDownClick() const { return FCycleDownClick; }
    void SetCycleDownClick(bool value) { FCycleDownClick = value; }
    TPoint DropdownMenuOffset() const { return FDropdownMenuOffset; }
    void SetDropdownMenuOffset(TPoint value) { FDropdownMenuOffset = value; }
    TAction* Action() const { return FAction; }
    void SetAction(TAction* value);

    bool CaptionVisible() const { return FCaptionVisible; }
    void SetCaptionVisible(bool value);
    TPoint CaptionOffset() const { return FCaptionOffset; }
    void SetCaptionOffset(TPoint value);
    TPoint ImageOffset() const { return FImageOffset; }
    void SetImageOffset(TPoint value);
    // Not owned.
    TPopupMenu* DropdownMenu() const { return FDropdownMenu; }
    void SetDropdownMenu(TPopupMenu* value);
    TNotifyEvent OnCycleDownClick;
    TNotifyEvent OnClick;

    // State frames of the face, an extra layer drawn at LayersOffset when
    // active, and the drop-down arrow's frames.
    TPngPictures& Pictures() { return FPictures; }
    TPngPictures& Layers() { return FLayers; }
    TPoint LayersOffset() const { return FLayersOffset; }
    void SetLayersOffset(TPoint value);
    TPngPictures& DropdownMenuPictures() { return FDropdownMenuPictures; }

    // The states the faces are drawn in.
    bool MouseInside() const { return FMouseInside; }
    bool MousePressed() const { return FMousePressed; }
    bool Hot() const { return FMouseInside && !FDown; }
    bool Pressed() const { return FMousePressed || FDown; }
    bool InDropdownArea() const { return FMouseInDropdownArea; }
    bool PressedInDropdownArea() const { return FPressedInDropdownArea; }
    bool SkipNextClick() const { return FSkipNextClick; }
    // Enter reaches the button: focused, or Default while no button is.
    bool Active() const { return FActive; }
    // The drop-down area in client coordinates; empty without a menu.
    TRect DropdownArea() const;

    // Records the time, gives the window the modal result, then OnClick
    // (or the action).
    virtual void Click();

    void WndProc(gui::TMessage& Message) override;

protected:
    void PaintControl(TZelSkinImage& Buffer) override;
    // The parts of the face, in the order they are drawn.
    void DrawFacePictures(TZelSkinImage& Work);
    void DrawDropdownArrow(TZelSkinImage& Work);
    // The caption rectangle less the drop-down area, centred on one line or
    // as a wrapped block.
    void DrawCaptionText(TZelSkinImage& Work, TRect R, const TZelFont& Font);

private:
    friend class TAction;
    TZelFont FFont;
    TZelFont FHotFont;
    bool FDown = false;
    int32_t FGroupIndex = 0;
    int32_t FPressedOffset = 1;
    bool FWordWrap = false;
    bool FCanFocused = true;
    bool FDefault = false;
    bool FCancel = false;
    gui::TModalResult FModalResult = gui::mrNone;
    bool FIgnoreMouse = false;
    bool FCycleDownClick = false;
    TPoint FDropdownMenuOffset{-4, -4};
    TAction* FAction = nullptr;
    bool FCaptionVisible = false;
    TPoint FCaptionOffset;
    TPoint FImageOffset;
    TPopupMenu* FDropdownMenu = nullptr;
    TPngPictures FPictures;
    TPngPictures FLayers;
    TPoint FLayersOffset;
    TPngPictures FDropdownMenuPictures;

    bool FMouseInside = false;
    bool FMousePressed = false;
    bool FPressedInDropdownArea = false;
    bool FMouseInDropdownArea = false;
    bool FSkipNextClick = false;
    bool FSpacePressed = false;
    bool FActive = false;
    uint64_t FLastClickTime = 0;

    void MouseDown(gui::POINT P);
    void MouseUp(gui::POINT P);
    void MouseMove(gui::POINT P);
    bool CursorOverSelf(gui::POINT P) const;
    void FocusChanged(gui::TControl* Focused);
    bool IsAccel(platform::WPARAM Key) const;
    void ActionChanged();
};

class TZelSkinColorButton : public TZelSkinCustomButton {
public:
    explicit TZelSkinColorButton(gui::TControl* AOwner);

    // The face colours the state machine leads to.
    static constexpr TColor DisabledColor = 13882323;
    static constexpr TColor DisabledTextColor = 9211020;

    TColor NormalColor() const { return FNormalColor; }
    void SetNormalColor(TColor value);
    TColor HotColor() const { return FHotColor; }
    void SetHotColor(TColor value);
    uint8_t Alpha() const { return FAlpha; }
    void SetAlpha(uint8_t value);
    const TZelResID& Image() const { return FImage; }
    void SetImage(const TZelResID& value);
    const TZelResID& HotImage() const { return FHotImage; }
    void SetHotImage(const TZelResID& value);
    TColor BorderColor() const { return FBorderColor; }
    void SetBorderColor(TColor value);
    TZelBorderSides BorderSides() const { return FBorderSides; }
    void SetBorderSides(TZelBorderSides value);
    bool RoundFrame() const { return FRoundFrame; }
    void SetRoundFrame(bool value);
    int32_t RoundSize() const { return FRoundSize; }
    void SetRoundSize(int32_t value);
    bool SmoothRound() const { return FSmoothRound; }
    void SetSmoothRound(bool value);

    // The colour the face is filled with now.
    TColor FaceColor() const;

protected:
    void PaintControl(TZelSkinImage& Buffer) override;

private:
    TColor FNormalColor = 3691775;
    TColor FHotColor = 4408288;
    uint8_t FAlpha = 255;
    TZelResID FImage;
    TZelResID FHotImage;
    TColor FBorderColor = 14666683;
    TZelBorderSides FBorderSides = 0;
    bool FRoundFrame = false;
    int32_t FRoundSize = 3;
    bool FSmoothRound = true;
};
