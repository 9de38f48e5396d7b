#include "skin/ZelSkinPng.h"

#include "platform/Files.h"
#include "skin/png/PngCodec.h"

#include <algorithm>
#include <cstring>

bool IsPngData(const void* data, size_t size) {
    static const unsigned char sig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return size >= 8 && std::memcmp(data, sig, 8) == 0;
}

bool LoadPngFromMemory(const void* data, size_t size, TZelSkinImage& image, std::string* error) {
    if (!IsPngData(data, size)) {
        if (error) *error = "not a PNG file";
        return false;
    }
    skinpng::TPixels pixels;
    bool hasAlpha = false;
    std::string why;
    if (!skinpng::Decode(data, size, pixels, hasAlpha, why)) {
        if (error) *error = why;
        return false;
    }
    TZelSkinImage out(pixels.Width, pixels.Height);
    std::copy(pixels.Argb.begin(), pixels.Argb.end(), out.Bits());
    out.SetDrawMode(hasAlpha ? dmBlend : dmOpaque);
    out.SetResamplerClassName(image.ResamplerClassName());
    image = std::move(out);
    return true;
}

bool LoadPngFromFile(const std::string& fileName, TZelSkinImage& image, std::string* error) {
    std::string bytes;
    try {
        bytes = platform::ReadWholeFile(fileName);
    } catch (const std::exception& e) {
        if (error) *error = e.what();
        return false;
    }
    return LoadPngFromMemory(bytes.data(), bytes.size(), image, error);
}

bool SavePngToFile(const TZelSkinImage& image, const std::string& fileName, std::string* error) {
    if (image.Empty()) {
        if (error) *error = "empty image";
        return false;
    }
    std::string why;
    if (!skinpng::Encode(image.Bits(), image.Width(), image.Height(), fileName, why)) {
        if (error) *error = why;
        return false;
    }
    return true;
}
