#pragma once
// The tree grid as a control on a window: it hosts a TVirtualTreeGrid,
// paints it into the window and hands it the mouse and the keyboard. Hints
// are drawn over the grid near the pointer after it has rested there.
#include "platform/Controls.h"
#include "skin/ZelSkinImage.h"
#include "ui/VirtualTreeGrid.h"

class TVirtualStringTree : public platform::TControl {
public:
    explicit TVirtualStringTree(platform::TControl* parent = nullptr);

    TVirtualTreeGrid& Grid() { return FGrid; }
    void WndProc(platform::TMessage& message) override;

    // How long the pointer must rest before a hint shows.
    static constexpr uint32_t kHintDelayMs = 500;

protected:
    void BoundsChanged(bool moved, bool resized) override;

private:
    void Paint(platform::HDC dc);
    void HideHint();

    TVirtualTreeGrid FGrid;
    TZelSkinImage FBuffer;
    platform::POINT FHintPoint;
    TVirtualTreeGrid::Hint FHint;
};
