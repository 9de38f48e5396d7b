#pragma once
// The tree grid as a control on a window: it hosts a TVirtualTreeGrid,
// paints it into the window and hands it the mouse and the keyboard. Hints
// are drawn over the grid near the pointer after it has rested there.
#include "gui/Controls.h"
#include "skin/ZelSkinImage.h"
#include "ui/VirtualTreeGrid.h"

class TVirtualStringTree : public gui::TControl {
public:
    explicit TVirtualStringTree(gui::TControl* parent = nullptr);

    TVirtualTreeGrid& Grid() { return FGrid; }
    void WndProc(gui::TMessage& message) override;

    // How long the pointer must rest before a hint shows.
    static constexpr uint32_t kHintDelayMs = 500;

protected:
    void BoundsChanged(bool moved, bool resized) override;

private:
    void Paint(gui::HDC dc);
    void HideHint();

    TVirtualTreeGrid FGrid;
    TZelSkinImage FBuffer;
    gui::POINT FHintPoint;
    TVirtualTreeGrid::Hint FHint;
};
