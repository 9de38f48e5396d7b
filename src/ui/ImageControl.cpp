#include "ui/ImageControl.h"

#include "platform/Files.h"
#include "skin/ZelSkinDC.h"
#include "skin/ZelSkinPng.h"

#include <cstring>

using namespace platform;
using namespace gui;

namespace {

uint32_t Le(const std::string& b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<size_t>(i)]);
    return v;
}

// A DIB entry of an icon: 32-bit with alpha, or 24-bit with its AND mask.
bool LoadDib(const std::string& b, size_t at, size_t size, TZelSkinImage& image) {
    if (size < 40 || at + size > b.size() || Le(b, at, 4) < 40) return false;
    int w = static_cast<int32_t>(Le(b, at + 4, 4));
    int h = static_cast<int32_t>(Le(b, at + 8, 4)) / 2; // colour rows, then mask rows
    int bpp = static_cast<int>(Le(b, at + 14, 2));
    if (w <= 0 || h <= 0 || w > 1024 || h > 1024 || (bpp != 32 && bpp != 24)) return false;
    size_t pixels = at + Le(b, at, 4);
    size_t stride = (static_cast<size_t>(w) * static_cast<size_t>(bpp) / 8 + 3) & ~size_t(3);
    size_t maskStride = ((static_cast<size_t>(w) + 31) / 32) * 4;
    size_t mask = pixels + stride * static_cast<size_t>(h);
    if (mask > at + size) return false;
    bool hasMask = mask + maskStride * static_cast<size_t>(h) <= at + size;
    image.SetSize(w, h);
    bool anyAlpha = false;
    for (int y = 0; y < h; ++y) {
        size_t row = pixels + stride * static_cast<size_t>(h - 1 - y);
        for (int x = 0; x < w; ++x) {
            size_t p = row + static_cast<size_t>(x) * static_cast<size_t>(bpp / 8);
            uint8_t bl = static_cast<uint8_t>(b[p]), g = static_cast<uint8_t>(b[p + 1]),
                    r = static_cast<uint8_t>(b[p + 2]);
            uint8_t a = bpp == 32 ? static_cast<uint8_t>(b[p + 3]) : 255;
            anyAlpha = anyAlpha || (bpp == 32 && a != 0);
            image.SetPixel(x, y, Color32(r, g, bl, a));
        }
    }
    // Without alpha values the mask says which pixels are transparent.
    if (!anyAlpha || bpp == 24) {
        for (int y = 0; y < h; ++y) {
            size_t row = mask + maskStride * static_cast<size_t>(h - 1 - y);
            for (int x = 0; x < w; ++x) {
                bool transparent =
                    hasMask && (static_cast<unsigned char>(b[row + static_cast<size_t>(x / 8)]) >>
                                (7 - x % 8)) &
                                   1;
                image.SetPixel(x, y, WithAlpha(image.Pixel(x, y), transparent ? 0 : 255));
            }
        }
    }
    image.SetDrawMode(dmBlend);
    return true;
}

} // namespace

bool LoadIconFromMemory(const std::string& b, TZelSkinImage& image) {
    if (b.size() < 6 || Le(b, 0, 2) != 0 || Le(b, 2, 2) != 1) return false;
    size_t count = Le(b, 4, 2);
    if (6 + count * 16 > b.size()) return false;
    // The largest entry, the deeper one of two of the same size.
    size_t best = count;
    uint64_t bestScore = 0;
    for (size_t i = 0; i < count; ++i) {
        size_t e = 6 + i * 16;
        uint64_t w = static_cast<unsigned char>(b[e]) ? static_cast<unsigned char>(b[e]) : 256;
        uint64_t h =
            static_cast<unsigned char>(b[e + 1]) ? static_cast<unsigned char>(b[e + 1]) : 256;
        uint64_t score = w * h * 64 + Le(b, e + 6, 2);
        if (score > bestScore) {
            bestScore = score;
            best = i;
        }
    }
    if (best == count) return false;
    size_t e = 6 + best * 16;
    size_t size = Le(b, e + 8, 4), at = Le(b, e + 12, 4);
    if (at >= b.size() || size > b.size() - at) return false;
    if (IsPngData(b.data() + at, size)) return LoadPngFromMemory(b.data() + at, size, image);
    return LoadDib(b, at, size, image);
}

bool LoadPictureFromFile(const std::string& path, TZelSkinImage& image) {
    std::string bytes;
    try {
        bytes = ReadWholeFile(path);
    } catch (const FileError&) {
        return false;
    }
    if (IsPngData(bytes.data(), bytes.size()))
        return LoadPngFromMemory(bytes.data(), bytes.size(), image);
    return LoadIconFromMemory(bytes, image);
}

TZelSkinImage ApplicationIcon(int size) {
    TZelSkinImage icon;
    icon.SetSize(size, size, 0);
    icon.SetDrawMode(dmBlend);
    TZelPainter p(icon);
    float s = static_cast<float>(size);
    p.FillRoundRectSmooth({1, 1, size - 1, size - 1}, s / 5, s / 5, Color32(0, 128, 189));
    // A white "V" for Varnoke.
    p.StrokeSmooth(s * 0.28f, s * 0.28f, s * 0.5f, s * 0.74f, s / 9, Color32(255, 255, 255));
    p.StrokeSmooth(s * 0.72f, s * 0.28f, s * 0.5f, s * 0.74f, s / 9, Color32(255, 255, 255));
    return icon;
}

void TZelImage::SetPicture(const TZelSkinImage& picture) {
    FPicture = picture;
    Invalidate();
}

void TZelImage::SetStretch(bool value) {
    FStretch = value;
    Invalidate();
}

void TZelImage::WndProc(TMessage& m) {
    if (m.Msg == WM_ERASEBKGND) {
        m.Result = 1;
        return;
    }
    if (m.Msg != WM_PAINT || FPicture.Width() == 0) {
        TControl::WndProc(m);
        return;
    }
    TZelSkinImage work;
    work.SetSize(Width(), Height(), 0);
    work.SetDrawMode(dmBlend);
    TZelPainter p(work);
    if (FStretch)
        p.StretchDraw({0, 0, Width(), Height()}, FPicture);
    else
        p.Draw(0, 0, FPicture);
    DrawImageToDC(DCFromWParam(m.WParam), 0, 0, work);
}
