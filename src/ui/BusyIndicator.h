#pragma once
// A busy indicator: white dots running around a circle, a new frame every
// 40 ms. It paints over whatever lies beneath it.
#include "gui/Controls.h"

class TBusyIndicator : public gui::TControl {
public:
    explicit TBusyIndicator(gui::TControl* parent = nullptr);

    static constexpr int kDots = 8;
    static constexpr uint32_t kFrameMs = 40;

    bool Animate() const { return FAnimate; }
    void SetAnimate(bool value);
    int Frame() const { return FFrame; }
    void WndProc(gui::TMessage& message) override;

private:
    bool FAnimate = false;
    int FFrame = 0;
};
