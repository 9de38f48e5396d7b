#pragma once
// The skinned controls: each paints into a back buffer of its own that starts
// from a copy of its parent's background, so that it looks through to the
// window's skinned background. Panels, labels, gradient lines, group boxes.
#include "gui/Controls.h"
#include "skin/ZelSkinDC.h"
#include "skin/ZelSkinPictures.h"
#include "skin/ZelSkinText.h"

#include <functional>
#include <string>
#include <vector>

using TZelBackgroundEvent =
    std::function<void(void* Sender, TZelSkinImage& Background, bool& Handled)>;
using TZelCustomDrawEvent = std::function<void(void* Sendre, TZelSkinImage& ACanvas)>;

class TZelSkinCustomControl : public gui::TControl {
public:
    explicit TZelSkinCustomControl(gui::TControl* AOwner);
    ~TZelSkinCustomControl() override;

    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool value);
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    bool AutoInvalidate() const { return FAutoInvalidate; }
    void SetAutoInvalidate(bool value) { FAutoInvalidate = value; }
    bool EraseBackground() const { return FEraseBackground; }
    void SetEraseBackground(bool value) { FEraseBackground = value; }
    bool DelayRefresh() const { return FDelayRefresh; }
    void SetDelayRefresh(bool value) { FDelayRefresh = value; }
    int XOffset() const { return FXOffset; }
    void SetXOffset(int value) { FXOffset = value; }
    int YOffset() const { return FYOffset; }
    void SetYOffset(int value) { FYOffset = value; }
    TZelBackgroundEvent OnBackgroundChanging;
    TZelCustomDrawEvent OnBackgroundChanged;

    // The back buffer (client size).
    TZelSkinImage& BackgroundPicture() { return FBuffer; }
    bool BufferValid() const { return FBufferValid; }
    // True between a resize with DelayRefresh and its 10 ms timer.
    bool StopDrawing() const { return FStopDrawing; }

    // The buffer is rebuilt at the next paint (and so are the buffers of
    // transparent controls inside, which copied from it).
    void Repaint();
    void InvalidateNC();
    // Refreshes the children: posted WM_SKIN_REFRESH, or with All at once
    // and all the way down.
    void RefreshSubControl(bool All);
    // Rebuilds the buffer now.
    void PaintBuffer();

    void WndProc(gui::TMessage& Message) override;

protected:
    virtual void PaintControl(TZelSkinImage& Buffer) { (void)Buffer; }
    // The non-client area (the part outside the client rectangle).
    virtual void PaintNC(gui::HDC dc) { (void)dc; }

private:
    friend void CopyParentBackground(gui::TControl*, TZelSkinImage&, const TRect&);
    bool FTransparent = true;
    TColor FColor = clWhite;
    bool FAutoInvalidate = false;
    bool FEraseBackground = false;
    bool FDelayRefresh = false;
    bool FStopDrawing = false;
    int FXOffset = 0;
    int FYOffset = 0;
    TZelSkinImage FBuffer;
    bool FBufferValid = false;
    bool FLocked = false;
};

// Fills `Buffer` with what the control's parent shows under `Rect` (parent
// client coordinates): the frame's background picture, a skinned parent's
// buffer, or the parent (and the siblings before the control) painted.
void CopyParentBackground(gui::TControl* Control, TZelSkinImage& Buffer, const TRect& Rect);

// Every skinned control alive, in order of creation.
const std::vector<TZelSkinCustomControl*>& SkinControls();

enum TZelBorderSide : uint8_t { sdLeft = 1, sdTop = 2, sdRight = 4, sdBottom = 8 };
using TZelBorderSides = uint8_t;
inline constexpr TZelBorderSides sdAll = sdLeft | sdTop | sdRight | sdBottom;
enum TZelBackgroundFillType { ftNormal, ftTile, ftAutoStretch, ftCenter };

class TZelSkinCustomPanel : public TZelSkinCustomControl {
public:
    explicit TZelSkinCustomPanel(gui::TControl* AOwner);

    uint8_t Alpha() const { return FAlpha; }
    void SetAlpha(uint8_t value);
    TZelBorderSides BorderSides() const { return FBorderSides; }
    void SetBorderSides(TZelBorderSides value);
    TColor BorderColor() const { return FBorderColor; }
    void SetBorderColor(TColor value);
    uint8_t BorderAlpha() const { return FBorderAlpha; }
    void SetBorderAlpha(uint8_t value);
    bool DoubleBorder() const { return FDoubleBorder; }
    void SetDoubleBorder(bool value);
    const TZelResID& BackgroundImage() const { return FBackgroundImage; }
    void SetBackgroundImage(const TZelResID& value);
    TZelBackgroundFillType BackgroundFillType() const { return FBackgroundFillType; }
    void SetBackgroundFillType(TZelBackgroundFillType value);
    int BackgroundOffsetX() const { return FBackgroundOffsetX; }
    void SetBackgroundOffsetX(int value) { FBackgroundOffsetX = value; }
    int BackgroundOffsetY() const { return FBackgroundOffsetY; }
    void SetBackgroundOffsetY(int value) { FBackgroundOffsetY = value; }
    TZelCustomDrawEvent OnCustomDraw;

    // The client rectangle less 1 pixel per bordered side (2 with DoubleBorder).
    void AdjustClientRect(gui::RECT& rect) override;

protected:
    void PaintControl(TZelSkinImage& Buffer) override;
    virtual void DrawBorder(TZelSkinImage& Buffer);

private:
    uint8_t FAlpha = 192;
    TZelBorderSides FBorderSides = sdAll;
    TColor FBorderColor = 14273466;
    uint8_t FBorderAlpha = 255;
    bool FDoubleBorder = true;
    TZelResID FBackgroundImage;
    TZelBackgroundFillType FBackgroundFillType = ftNormal;
    int FBackgroundOffsetX = 0;
    int FBackgroundOffsetY = 0;
};

class TZelSkinPanel : public TZelSkinCustomPanel {
public:
    using TZelSkinCustomPanel::TZelSkinCustomPanel;
};

// The halo of labels and captions.
class TZelLightClass {
public:
    bool Active() const { return FActive; }
    void SetActive(bool value);
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    int32_t BlurRadius() const { return FBlurRadius; }
    void SetBlurRadius(int32_t value);
    TNotifyEvent OnChanged;
    // Copies Active and Color.
    void Assign(const TZelLightClass& source);

private:
    bool FActive = true;
    TColor FColor = 16777214;
    int32_t FBlurRadius = 1;
    void Changed();
};

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TVerticalAlignment { taAlignTop, taAlignBottom, taVerticalCenter };
enum TEllipsisPosition { epNone, epPathEllipsis, epEndEllipsis, epWordEllipsis };
// The text-layout flag of an ellipsis position (0 for none).
TTextFormat EllipsisFlags(TEllipsisPosition position);

class TZelSkinLabel : public TZelSkinCustomPanel {
public:
    explicit TZelSkinLabel(gui::TControl* AOwner);

    const std::string& Caption() const { return Text(); }
    void SetCaption(const std::string& value) { SetText(value); }
    const TZelFont& Font() const { return FFont; }
    void SetFont(const TZelFont& value);
    TAlignment AlignmentHorizontal() const { return FAlignmentHorizontal; }
    void SetAlignmentHorizontal(TAlignment value);
    TVerticalAlignment AlignmentVertical() const { return FAlignmentVertical; }
    void SetAlignmentVertical(TVerticalAlignment value);
    bool WordWap() const { return FWordWap; }
    void SetWordWap(bool value) { FWordWap = value; }
    TEllipsisPosition EllipsisPosition() const { return FEllipsisPosition; }
    void SetEllipsisPosition(TEllipsisPosition value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);
    TZelLightClass& Light() { return FLight; }

    // The layout flags the text is drawn with, and its rectangle.
    TTextFormat TextFlags() const;
    TRect TextRect() const;

    void WndProc(gui::TMessage& Message) override;

protected:
    void PaintControl(TZelSkinImage& Buffer) override;

private:
    TZelFont FFont;
    TAlignment FAlignmentHorizontal = taLeftJustify;
    TVerticalAlignment FAlignmentVertical = taAlignTop;
    bool FWordWap = false;
    TEllipsisPosition FEllipsisPosition = epNone;
    bool FAutoSize = true;
    TZelLightClass FLight;
    void DoAutoSize();
};

enum TZelLineKind { lkHorizontal, lkVertical };
enum TZelGradientAlign { gaCenter, gaLeft, gaRight };

class TZelSkinLine : public TZelSkinCustomControl {
public:
    explicit TZelSkinLine(gui::TControl* AOwner);

    // Color (the base fill) defaults to 16644339.
    TZelLineKind Kind() const { return FKind; }
    void SetKind(TZelLineKind value);
    bool ActiveGradient() const { return FActiveGradient; }
    void SetActiveGradient(bool value);
    TColor GradientStartColor() const { return FGradientStartColor; }
    void SetGradientStartColor(TColor value);
    TColor GradientEndColor() const { return FGradientEndColor; }
    void SetGradientEndColor(TColor value);
    // Percent of the line's length; values outside 0 … 100 are refused.
    int32_t GradientSize() const { return FGradientSize; }
    void SetGradientSize(int32_t value);
    TZelGradientAlign GradientAlign() const { return FGradientAlign; }
    void SetGradientAlign(TZelGradientAlign value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);

    // Keeps the thickness at 3 with AutoSize, at least 1 without.
    void SetBounds(int left, int top, int width, int height) override;

protected:
    void PaintControl(TZelSkinImage& Buffer) override;

private:
    TZelLineKind FKind = lkHorizontal;
    bool FActiveGradient = true;
    TColor FGradientStartColor = 12364428;
    TColor FGradientEndColor = 16644339;
    int32_t FGradientSize = 60;
    TZelGradientAlign FGradientAlign = gaCenter;
    bool FAutoSize = true;
};

enum TZelFrameStyle { fsLine, fsBox };

class TZelSkinGroupBox;

class TGroupBoxCheckBox {
public:
    bool Checked() const { return FChecked; }
    void SetChecked(bool value);
    const TZelResID& Pictures() const { return FPictures; }
    void SetPictures(const TZelResID& value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool value);
    bool Pressed() const { return FPressed; }
    bool MouseInside() const { return FMouseInside; }
    // In the strip's coordinates (the group box's top-left corner).
    const TRect& CheckRect() const { return FRect; }

private:
    friend class TZelSkinGroupBox;
    TZelSkinGroupBox* FOwner = nullptr;
    bool FChecked = true;
    TZelResID FPictures = "ZelSkinCheckBox";
    bool FVisible = false;
    bool FPressed = false;
    bool FMouseInside = false;
    TRect FRect;
};

class TZelSkinGroupBox : public TZelSkinCustomControl {
public:
    explicit TZelSkinGroupBox(gui::TControl* AOwner);

    const std::string& Caption() const { return Text(); }
    void SetCaption(const std::string& value) { SetText(value); }
    int32_t CaptionHeight() const { return FCaptionHeight; }
    void SetCaptionHeight(int32_t value);
    TZelLightClass& CaptionLight() { return FCaptionLight; }
    TColor LineStartColor() const { return FLineStartColor; }
    void SetLineStartColor(TColor value);
    TColor LineStopColor() const { return FLineStopColor; }
    void SetLineStopColor(TColor value);
    TZelFrameStyle FrameStyle() const { return FFrameStyle; }
    void SetFrameStyle(TZelFrameStyle value);
    bool Light() const { return FLight; }
    void SetLight(bool value);
    TGroupBoxCheckBox& CheckBox() { return FCheckBox; }
    const TZelFont& Font() const { return FFont; }
    void SetFont(const TZelFont& value);

    // Where the caption text starts in the strip, and where it ends.
    int CaptionLeft() const;
    int CaptionRight() const;

    void WndProc(gui::TMessage& Message) override;

protected:
    void PaintNC(gui::HDC dc) override;

private:
    friend class TGroupBoxCheckBox;
    int32_t FCaptionHeight = 15;
    TZelLightClass FCaptionLight;
    TColor FLineStartColor = 13608787;
    TColor FLineStopColor = 16710646;
    TZelFrameStyle FFrameStyle = fsLine;
    bool FLight = false;
    TGroupBoxCheckBox FCheckBox;
    TZelFont FFont;
    void UpdateInsets();
    void CheckedChanged();
    TRect CheckBoxRectFor(int frameWidth, int frameHeight) const;
};
