#pragma once
// Skin images on the windowing layer's surfaces and device contexts.
#include "gui/Controls.h"
#include "gui/Surface.h"
#include "skin/ZelSkinImage.h"

// Conversions between the window layer's geometry and the toolkit's.
inline TRect ToTRect(const gui::RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}
inline gui::RECT ToRECT(const TRect& r) {
    return {r.Left, r.Top, r.Right, r.Bottom};
}

// The image drawn at local (x, y) of the device context: a part of it
// (`src`, image coordinates) or all of it, copied (dmOpaque) or blended.
void DrawImageToDC(gui::HDC dc, int x, int y, const TZelSkinImage& image);
void DrawImageToDC(gui::HDC dc, int x, int y, const TZelSkinImage& image, const TRect& src);
void DrawImageToDC(gui::HDC dc, int x, int y, const TZelSkinImage& image, const TRect& src,
                   TDrawMode mode);

TZelSkinImage ImageFromSurface(const gui::TSurface& surface);
// What the window shows: its last composed surface, outside its region
// transparent. For screenshots.
TZelSkinImage WindowImage(const gui::TWindow& window);
