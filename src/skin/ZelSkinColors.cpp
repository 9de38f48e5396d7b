#include "skin/ZelSkinTypes.h"

#include <array>

namespace {

constexpr TColor Rgb(int r, int g, int b) {
    return TColor(r | (g << 8) | (b << 16));
}

// The defaults of a fresh Windows 7/10 desktop, by system colour index.
constexpr std::array<TColor, 31> kSysColors = {
    Rgb(200, 200, 200), // scroll bar
    Rgb(0, 0, 0),       // desktop background
    Rgb(153, 180, 209), // active caption
    Rgb(191, 205, 219), // inactive caption
    Rgb(240, 240, 240), // menu
    Rgb(255, 255, 255), // window
    Rgb(100, 100, 100), // window frame
    Rgb(0, 0, 0),       // menu text
    Rgb(0, 0, 0),       // window text
    Rgb(0, 0, 0),       // caption text
    Rgb(180, 180, 180), // active border
    Rgb(244, 247, 252), // inactive border
    Rgb(171, 171, 171), // application work space
    Rgb(51, 153, 255),  // highlight
    Rgb(255, 255, 255), // highlight text
    Rgb(240, 240, 240), // button face
    Rgb(160, 160, 160), // button shadow
    Rgb(109, 109, 109), // grey text
    Rgb(0, 0, 0),       // button text
    Rgb(67, 78, 84),    // inactive caption text
    Rgb(255, 255, 255), // button highlight
    Rgb(105, 105, 105), // 3-D dark shadow
    Rgb(227, 227, 227), // 3-D light
    Rgb(0, 0, 0),       // tool-tip text
    Rgb(255, 255, 225), // tool-tip background
    Rgb(0, 0, 0),       // (unused)
    Rgb(0, 102, 204),   // hot-tracked item
    Rgb(185, 209, 234), // gradient of the active caption
    Rgb(215, 228, 242), // gradient of the inactive caption
    Rgb(51, 153, 255),  // menu highlight
    Rgb(240, 240, 240), // menu bar
};

} // namespace

TColor GetSysColor(int index) {
    if (index < 0 || index >= int(kSysColors.size())) return 0;
    return kSysColors[size_t(index)];
}

TColor ColorToRGB(TColor color) {
    if (color < 0) return GetSysColor(color & 0xFF);
    return color;
}

TColor32 Color32(TColor color, uint8_t alpha) {
    uint32_t c = uint32_t(ColorToRGB(color));
    return Color32(uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16), alpha);
}

TColor Color32ToColor(TColor32 c) {
    return TColor(RedOf(c) | (GreenOf(c) << 8) | (BlueOf(c) << 16));
}
