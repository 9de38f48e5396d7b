#include "skin/ZelSkinPng.h"

#include "platform/Files.h"

#include <png.h>

#include <cstring>

namespace {

bool Finish(png_image& img, TZelSkinImage& image, std::string* error) {
    if (PNG_IMAGE_FAILED(img)) {
        if (error) *error = img.message;
        png_image_free(&img);
        return false;
    }
    const bool hasAlpha = (img.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    img.format = PNG_FORMAT_BGRA;
    if (img.width > 0x4000 || img.height > 0x4000) {
        if (error) *error = "image too large";
        png_image_free(&img);
        return false;
    }
    TZelSkinImage out(int(img.width), int(img.height));
    // BGRA bytes are the little-endian form of an ARGB pixel.
    if (!png_image_finish_read(&img, nullptr, out.Bits(), int(img.width) * 4, nullptr)) {
        if (error) *error = img.message;
        png_image_free(&img);
        return false;
    }
    out.SetDrawMode(hasAlpha ? dmBlend : dmOpaque);
    out.SetResamplerClassName(image.ResamplerClassName());
    image = std::move(out);
    return true;
}

} // namespace

bool IsPngData(const void* data, size_t size) {
    static const unsigned char sig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return size >= 8 && std::memcmp(data, sig, 8) == 0;
}

bool LoadPngFromMemory(const void* data, size_t size, TZelSkinImage& image, std::string* error) {
    png_image img;
    std::memset(&img, 0, sizeof img);
    img.version = PNG_IMAGE_VERSION;
    if (!IsPngData(data, size)) {
        if (error) *error = "not a PNG file";
        return false;
    }
    png_image_begin_read_from_memory(&img, data, size);
    return Finish(img, image, error);
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
    png_image img;
    std::memset(&img, 0, sizeof img);
    img.version = PNG_IMAGE_VERSION;
    img.width = png_uint_32(image.Width());
    img.height = png_uint_32(image.Height());
    img.format = PNG_FORMAT_BGRA;
    if (!png_image_write_to_file(&img, fileName.c_str(), 0, image.Bits(), image.Width() * 4,
                                 nullptr)) {
        if (error) *error = img.message;
        png_image_free(&img);
        return false;
    }
    return true;
}
