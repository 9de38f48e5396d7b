#pragma once
// Where things are in the updater's windows as the end-to-end tests see
// them on the screen, whichever build shows them.
#include "XScreen.h"
#include "skin/ZelSkinImage.h"

#include <string>

inline const std::string kMainTitle = "发现新的升级文件";
inline const std::string kQuestionTitle = "提示";

// A point of the main window's client area (681 x 450) on the screen.
inline std::pair<int, int> MainClientPoint(const Geometry& g, int cx, int cy) {
    int left = (g.w - 681) / 2, top = g.h - 450 - left;
    return {g.x + left + cx, g.y + top + cy};
}
// The three buttons in client coordinates: the right panel starts at 236,
// the button row at 413.
inline constexpr std::pair<int, int> kStartButton{236 + 169 + 43, 413 + 3 + 15};
inline constexpr std::pair<int, int> kCancelButton{236 + 259 + 40, 413 + 3 + 15};
inline constexpr std::pair<int, int> kCloseButton{236 + 341 + 40, 413 + 3 + 15};

// A message box's buttons on the screen: the last one ("确定", "否") 12
// pixels from the client area's right edge, the one before it ("是") a
// button and a gap further left, in the 37-pixel row at the bottom.
inline std::pair<int, int> MessageBoxButton(const Geometry& g, int fromRight) {
    return {g.x + g.w - 2 - 12 - 40 - fromRight * (80 + 8), g.y + g.h - 2 - 37 + 3 + 15};
}

// Pixels of the two progress bars' fill (a saturated blue) in a window shot.
inline int BarFill(const TZelSkinImage& shot) {
    int filled = 0;
    // The bars lie at x 102..435 of the lower panel, which starts at 236, 325
    // of the client area; the client area starts 28 below the window's top.
    for (int y = 28 + 325 + 36; y < 28 + 325 + 80 && y < shot.Height(); ++y)
        for (int x = 2 + 236 + 102; x < 2 + 236 + 435 && x < shot.Width(); ++x) {
            TColor32 p = shot.Pixel(x, y);
            filled += BlueOf(p) > 150 && RedOf(p) < 100;
        }
    return filled;
}
