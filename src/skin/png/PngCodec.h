#pragma once
// The system's PNG codec under ZelSkinPng: libpng on Linux, WIC on Windows.
// The checks and texts that do not depend on the codec stay in ZelSkinPng.
// Plain types only: the WIC codec includes <windows.h>, whose names collide
// with the toolkit's.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace skinpng {

// Larger sides are refused ("image too large") before any pixel is decoded.
inline constexpr unsigned kMaxSide = 0x4000;
inline constexpr const char* kTooLarge = "image too large";

// Pixels as the toolkit stores them: A·2²⁴ + R·2¹⁶ + G·2⁸ + B, not
// premultiplied, row by row.
struct TPixels {
    int Width = 0;
    int Height = 0;
    std::vector<uint32_t> Argb;
};

// Decodes a block that starts with the PNG signature; `hasAlpha` tells
// whether the file carries transparency (an alpha channel or a transparent
// colour). False with a reason otherwise.
bool Decode(const void* data, size_t size, TPixels& out, bool& hasAlpha, std::string& error);
// Writes 8-bit RGBA, alpha as it is; the image is not empty.
bool Encode(const uint32_t* argb, int width, int height, const std::string& fileName,
            std::string& error);

} // namespace skinpng
