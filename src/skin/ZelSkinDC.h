#pragma once
// Skin images on the windowing layer's surfaces and device contexts.
#include "platform/Controls.h"
#include "platform/Surface.h"
#include "skin/ZelSkinImage.h"

// Conversions between the window layer's geometry and the toolkit's.
inline TRect ToTRect(const platform::RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}
inline platform::RECT ToRECT(const TRect& r) {
    return {r.Left, r.Top, r.Right, r.Bottom};
}

// The image drawn at local (x, y) of the device context: a part of it
// (`src`, image coordinates) or all of it, copied (dmOpaque) or blended.
void DrawImageToDC(platform::HDC dc, int x, int y, const TZelSkinImage& image);
void DrawImageToDC(platform::HDC dc, int x, int y, const TZelSkinImage& image, const TRect& src);
void DrawImageToDC(platform::HDC dc, int x, int y, const TZelSkinImage& image, const TRect& src,
                   TDrawMode mode);

TZelSkinImage ImageFromSurface(const platform::TSurface& surface);
// What the window shows: its last composed surface, outside its region
// transparent. For screenshots.
TZelSkinImage WindowImage(const platform::TWindow& window);
