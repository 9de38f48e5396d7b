// PNG through libpng's simplified interface (the Linux build).
#include "skin/png/PngCodec.h"

#include <png.h>

#include <cstring>

namespace skinpng {

bool Decode(const void* data, size_t size, TPixels& out, bool& hasAlpha, std::string& error) {
    png_image img;
    std::memset(&img, 0, sizeof img);
    img.version = PNG_IMAGE_VERSION;
    png_image_begin_read_from_memory(&img, data, size);
    if (PNG_IMAGE_FAILED(img)) {
        error = img.message;
        png_image_free(&img);
        return false;
    }
    hasAlpha = (img.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    img.format = PNG_FORMAT_BGRA;
    if (img.width > kMaxSide || img.height > kMaxSide) {
        error = kTooLarge;
        png_image_free(&img);
        return false;
    }
    TPixels pixels{int(img.width), int(img.height),
                   std::vector<uint32_t>(size_t(img.width) * size_t(img.height))};
    // BGRA bytes are the little-endian form of an ARGB pixel.
    if (!png_image_finish_read(&img, nullptr, pixels.Argb.data(), int(img.width) * 4, nullptr)) {
        error = img.message;
        png_image_free(&img);
        return false;
    }
    out = std::move(pixels);
    return true;
}

bool Encode(const uint32_t* argb, int width, int height, const std::string& fileName,
            std::string& error) {
    png_image img;
    std::memset(&img, 0, sizeof img);
    img.version = PNG_IMAGE_VERSION;
    img.width = png_uint_32(width);
    img.height = png_uint_32(height);
    img.format = PNG_FORMAT_BGRA;
    if (!png_image_write_to_file(&img, fileName.c_str(), 0, argb, width * 4, nullptr)) {
        error = img.message;
        png_image_free(&img);
        return false;
    }
    return true;
}

} // namespace skinpng
