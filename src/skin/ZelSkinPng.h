#pragma once
// PNG files in and out of skin images.
#include "skin/ZelSkinImage.h"

#include <string>

// Decodes a PNG file or memory block. Transparency becomes the alpha channel:
// without any the image is opaque (alpha 255, dmOpaque); with a transparent
// colour or an alpha channel the alpha is taken over and the draw mode is
// dmBlend. False (image unchanged) when it cannot be read or decoded; `error`
// then says why.
bool LoadPngFromFile(const std::string& fileName, TZelSkinImage& image,
                     std::string* error = nullptr);
bool LoadPngFromMemory(const void* data, size_t size, TZelSkinImage& image,
                       std::string* error = nullptr);
// Writes the image as 8-bit RGBA PNG (alpha as it is). False on failure.
bool SavePngToFile(const TZelSkinImage& image, const std::string& fileName,
                   std::string* error = nullptr);
// True when the bytes start with the PNG signature.
bool IsPngData(const void* data, size_t size);
