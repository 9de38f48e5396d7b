#pragma once
// The pixels a window is composed into, and the device context that paint
// messages carry: a surface seen through a translation and a clip.
#include "gui/WinApi.h"

#include <cstdint>
#include <vector>

namespace gui {

// ARGB32 (A·2²⁴ + R·2¹⁶ + G·2⁸ + B), not premultiplied, row by row.
struct TSurface {
    int Width = 0;
    int Height = 0;
    std::vector<uint32_t> Pixels;

    void SetSize(int width, int height, uint32_t fill = 0);
    uint32_t* Row(int y) { return Pixels.data() + size_t(y) * size_t(Width); }
    const uint32_t* Row(int y) const { return Pixels.data() + size_t(y) * size_t(Width); }
    uint32_t Pixel(int x, int y) const { return Pixels[size_t(y) * size_t(Width) + size_t(x)]; }
};

// What WM_PAINT, WM_ERASEBKGND and WM_NCPAINT carry in wParam. Local (0, 0)
// lies at Origin of the surface; nothing outside Clip (surface coordinates)
// may be touched.
struct TDeviceContext {
    TSurface* Surface = nullptr;
    POINT Origin;
    RECT Clip;
};
using HDC = TDeviceContext*;
inline HDC DCFromWParam(WPARAM w) {
    return reinterpret_cast<HDC>(w);
}

// Pixels written through a device context: `src` is width × height pixels
// with `stride` pixels per row, placed at local (x, y). Opaque copies or
// source-over blends of non-premultiplied pixels.
void DCCopyPixels(HDC dc, int x, int y, const uint32_t* src, int width, int height, int stride);
void DCBlendPixels(HDC dc, int x, int y, const uint32_t* src, int width, int height, int stride);
void DCFillRect(HDC dc, const RECT& local, uint32_t color);
// The clip in local coordinates.
RECT DCLocalClip(HDC dc);

} // namespace gui
