#pragma once
// The image progress bar: a stretched empty bar, a filled part with end caps
// as wide as the value, a caption with a halo, and an optional slider thumb.
#include "skin/ZelSkinControls.h"

#include <cstdint>
#include <string>

// The text drawn over a bar.
class TZelCaption {
public:
    TZelCaption();
    const std::string& Text() const { return FText; }
    void SetText(const std::string& value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool value);
    TZelLightClass& Light() { return FLight; }
    const TZelFont& Font() const { return FFont; }
    void SetFont(const TZelFont& value);
    int32_t OffsetX() const { return FOffsetX; }
    void SetOffsetX(int32_t value);
    int32_t OffsetY() const { return FOffsetY; }
    void SetOffsetY(int32_t value);
    TNotifyEvent OnChanged;

private:
    std::string FText;
    bool FVisible = true;
    TZelLightClass FLight;
    TZelFont FFont;
    int32_t FOffsetX = 0;
    int32_t FOffsetY = 0;
    void Changed();
};

// The slider thumb.
class TZelPBTrackButton {
public:
    const TZelResID& Normal() const { return FNormal; }
    void SetNormal(const TZelResID& value);
    const TZelResID& Hot() const { return FHot; }
    void SetHot(const TZelResID& value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool value);
    int32_t Offset() const { return FOffset; }
    void SetOffset(int32_t value);
    bool AlwaysShow() const { return FAlwaysShow; }
    void SetAlwaysShow(bool value);
    TNotifyEvent OnChanged;

private:
    TZelResID FNormal;
    TZelResID FHot;
    bool FVisible = false;
    int32_t FOffset = 0;
    bool FAlwaysShow = true;
    void Changed();
};

class TZelSkinProgressBar : public TZelSkinCustomControl {
public:
    explicit TZelSkinProgressBar(gui::TControl* AOwner);

    int32_t MinValue() const { return FMinValue; }
    // A Value below the new minimum is raised to it (without OnChanged).
    void SetMinValue(int32_t value);
    int32_t MaxValue() const { return FMaxValue; }
    // A Value above the new maximum is lowered to it (without OnChanged).
    void SetMaxValue(int32_t value);
    int32_t Value() const { return FValue; }
    // Limited to the bounds; OnChanged when it changes, unless updating.
    void SetValue(int32_t value);
    const TZelResID& Bar_Background() const { return FBar_Background; }
    void SetBar_Background(const TZelResID& value);
    const TZelResID& Bar_Progress() const { return FBar_Progress; }
    void SetBar_Progress(const TZelResID& value);
    int32_t BarLeftRightSize() const { return FBarLeftRightSize; }
    void SetBarLeftRightSize(int32_t value);
    TZelCaption& Caption() { return FCaption; }
    TZelPBTrackButton& TrackButton() { return FTrackButton; }
    TNotifyEvent OnChanged;

    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate() {
        if (FUpdateCount > 0) --FUpdateCount;
    }
    int UpdateCount() const { return FUpdateCount; }

    // The width of the filled part for the bar's width.
    int FilledWidth() const;
    // Slider mode: the value under a horizontal position of the client area.
    int32_t ValueAt(int X, int Y = 0) const;
    // Where the thumb was last drawn, and the track it moves along.
    const TRect& ThumbRect() const { return FThumbRect; }
    const TRect& TrackRect() const { return FTrackRect; }
    bool MouseInside() const { return FMouseInside; }
    // The amount one page step moves the value.
    int32_t PageSize() const;

    void WndProc(gui::TMessage& Message) override;

protected:
    void PaintControl(TZelSkinImage& Buffer) override;

private:
    int32_t FMinValue = 0;
    int32_t FMaxValue = 100;
    int32_t FValue = 50;
    TZelResID FBar_Background = "ZelSkinBar_base";
    TZelResID FBar_Progress = "ZelSkinBar_cur";
    int32_t FBarLeftRightSize = 6;
    TZelCaption FCaption;
    TZelPBTrackButton FTrackButton;
    int FUpdateCount = 0;
    bool FMouseInside = false;
    TRect FThumbRect;
    TRect FTrackRect;
    // Slider input: dragging the thumb, or paging towards a held point.
    bool FDragging = false;
    bool FPaging = false;
    int FPageTargetX = 0;
    int FPageDirection = 0;

    // The hot image while the mouse is inside and it exists, else the normal one.
    TZelSkinImage* ThumbImage(bool* IsHot) const;
    void LayoutThumb();
    void PageStep();
    void SliderKey(platform::WPARAM Key);
};
