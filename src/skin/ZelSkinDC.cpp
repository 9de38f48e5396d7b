#include "skin/ZelSkinDC.h"

#include <cstring>

using namespace platform;
using namespace gui;

void DrawImageToDC(HDC dc, int x, int y, const TZelSkinImage& image) {
    DrawImageToDC(dc, x, y, image, image.BoundsRect(), image.DrawMode());
}

void DrawImageToDC(HDC dc, int x, int y, const TZelSkinImage& image, const TRect& src) {
    DrawImageToDC(dc, x, y, image, src, image.DrawMode());
}

void DrawImageToDC(HDC dc, int x, int y, const TZelSkinImage& image, const TRect& src,
                   TDrawMode mode) {
    TRect s = src.Intersect(image.BoundsRect());
    if (s.IsEmpty()) return;
    x += s.Left - src.Left;
    y += s.Top - src.Top;
    const uint32_t* first = image.ScanLine(s.Top) + s.Left;
    if (mode == dmOpaque)
        DCCopyPixels(dc, x, y, first, s.Width(), s.Height(), image.Width());
    else
        DCBlendPixels(dc, x, y, first, s.Width(), s.Height(), image.Width());
}

TZelSkinImage ImageFromSurface(const TSurface& surface) {
    TZelSkinImage image(surface.Width, surface.Height);
    if (!surface.Pixels.empty())
        std::memcpy(image.Bits(), surface.Pixels.data(), surface.Pixels.size() * sizeof(uint32_t));
    return image;
}

TZelSkinImage WindowImage(const TWindow& window) {
    return ImageFromSurface(window.RegionSurface());
}
