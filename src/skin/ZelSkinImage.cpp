#include "skin/ZelSkinImage.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <utility>

TColor32 BlendPixel(TColor32 dst, TColor32 src) {
    const uint32_t sa = src >> 24;
    if (sa == 0) return dst;
    if (sa == 255) return src;
    const uint32_t da = dst >> 24;
    const uint32_t inv = 255 - sa;
    if (da == 255) {
        auto ch = [&](int shift) {
            uint32_t s = (src >> shift) & 0xFF, d = (dst >> shift) & 0xFF;
            return ((s * sa + d * inv + 127) / 255) << shift;
        };
        return 0xFF000000u | ch(16) | ch(8) | ch(0);
    }
    // Weights scaled by 255: the source's sa·255, the destination's da·(255 − sa).
    const uint32_t dw = da * inv;
    const uint32_t total = sa * 255 + dw;
    const uint32_t a = (total + 127) / 255;
    auto ch = [&](int shift) {
        uint32_t s = (src >> shift) & 0xFF, d = (dst >> shift) & 0xFF;
        return ((s * sa * 255 + d * dw + total / 2) / total) << shift;
    };
    return (a << 24) | ch(16) | ch(8) | ch(0);
}

TColor32 BlendPixel(TColor32 dst, TColor32 src, uint8_t master) {
    uint32_t a = (AlphaOf(src) * uint32_t(master) + 127) / 255;
    return BlendPixel(dst, WithAlpha(src, uint8_t(a)));
}

// ---------------------------------------------------------------------------

TZelSkinImage::TZelSkinImage(int width, int height, TColor32 fill) {
    SetSize(width, height, fill);
}

void TZelSkinImage::SetSize(int width, int height, TColor32 fill) {
    if (width <= 0 || height <= 0) width = height = 0;
    FWidth = width;
    FHeight = height;
    FPixels.assign(size_t(width) * size_t(height), fill);
}

void TZelSkinImage::CopyPropertiesFrom(const TZelSkinImage& other) {
    FDrawMode = other.FDrawMode;
    FResamplerClassName = other.FResamplerClassName;
}

TColor32 TZelSkinImage::PixelS(int x, int y) const {
    if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return 0;
    return Pixel(x, y);
}

void TZelSkinImage::Clear(TColor32 fill) {
    std::fill(FPixels.begin(), FPixels.end(), fill);
}

namespace {
void PutLE32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s.push_back(char((v >> (8 * i)) & 0xFF));
}
uint32_t GetLE32(const unsigned char* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
} // namespace

std::string TZelSkinImage::SaveToData() const {
    std::string s;
    s.reserve(8 + FPixels.size() * 4);
    PutLE32(s, uint32_t(FWidth));
    PutLE32(s, uint32_t(FHeight));
    for (TColor32 c : FPixels)
        PutLE32(s, c);
    return s;
}

bool TZelSkinImage::LoadFromData(const void* data, size_t size) {
    if (size < 8) return false;
    auto p = static_cast<const unsigned char*>(data);
    const int32_t w = int32_t(GetLE32(p)), h = int32_t(GetLE32(p + 4));
    if (w < 0 || h < 0) return false;
    if (size != 8 + uint64_t(w) * uint64_t(h) * 4) return false;
    SetSize(w, h);
    for (size_t i = 0; i < FPixels.size(); ++i)
        FPixels[i] = GetLE32(p + 8 + 4 * i);
    return true;
}

TZelSkinImage TZelSkinImage::CopyRect(const TRect& r) const {
    TRect c = r.Intersect(BoundsRect());
    TZelSkinImage out(c.Width(), c.Height());
    out.CopyPropertiesFrom(*this);
    for (int y = 0; y < out.FHeight; ++y)
        std::memcpy(out.ScanLine(y), ScanLine(c.Top + y) + c.Left, size_t(out.FWidth) * 4);
    return out;
}

void TZelSkinImage::DrawTo(TZelSkinImage& dst, int x, int y) const {
    TZelPainter(dst).Draw(x, y, *this);
}

// ---------------------------------------------------------------------------

TZelPainter::TZelPainter(TZelSkinImage& target) : FTarget(&target), FClip(target.BoundsRect()) {}

void TZelPainter::Translate(int dx, int dy) {
    FOrigin.X += dx;
    FOrigin.Y += dy;
}

void TZelPainter::IntersectClip(const TRect& r) {
    FClip = FClip.Intersect(r.Offset(FOrigin.X, FOrigin.Y));
}

void TZelPainter::Save() {
    FSaved.push_back({FOrigin, FClip});
}

void TZelPainter::Restore() {
    if (FSaved.empty()) return;
    FOrigin = FSaved.back().origin;
    FClip = FSaved.back().clip;
    FSaved.pop_back();
}

void TZelPainter::Put(int tx, int ty, TColor32 c, TDrawMode mode) {
    if (!FClip.Contains(tx, ty)) return;
    TColor32& d = FTarget->ScanLine(ty)[tx];
    d = mode == dmBlend ? BlendPixel(d, c) : c;
}

void TZelPainter::SetPixel(int x, int y, TColor32 c) {
    Put(x + FOrigin.X, y + FOrigin.Y, c, dmOpaque);
}

void TZelPainter::BlendPixelAt(int x, int y, TColor32 c) {
    Put(x + FOrigin.X, y + FOrigin.Y, c, dmBlend);
}

TColor32 TZelPainter::GetPixel(int x, int y) const {
    return FTarget->PixelS(x + FOrigin.X, y + FOrigin.Y);
}

void TZelPainter::Draw(int x, int y, const TZelSkinImage& src) {
    Draw(x, y, src, src.BoundsRect(), src.DrawMode());
}

void TZelPainter::Draw(int x, int y, const TZelSkinImage& src, const TRect& srcRect) {
    Draw(x, y, src, srcRect, src.DrawMode());
}

void TZelPainter::Copy(int x, int y, const TZelSkinImage& src, const TRect& srcRect) {
    Draw(x, y, src, srcRect, dmOpaque);
}

void TZelPainter::Draw(int x, int y, const TZelSkinImage& src, const TRect& srcRect,
                       TDrawMode mode) {
    TRect s = srcRect.Intersect(src.BoundsRect());
    if (s.IsEmpty()) return;
    // Keep the source's placement when the rectangle was cut at its top-left.
    const int tx = x + FOrigin.X + (s.Left - srcRect.Left);
    const int ty = y + FOrigin.Y + (s.Top - srcRect.Top);
    TRect d = TRect::Bounds(tx, ty, s.Width(), s.Height()).Intersect(FClip);
    if (d.IsEmpty()) return;
    const int sx0 = s.Left + (d.Left - tx), sy0 = s.Top + (d.Top - ty);
    for (int row = 0; row < d.Height(); ++row) {
        const TColor32* sp = src.ScanLine(sy0 + row) + sx0;
        TColor32* dp = FTarget->ScanLine(d.Top + row) + d.Left;
        if (mode == dmOpaque) {
            std::memcpy(dp, sp, size_t(d.Width()) * 4);
        } else {
            for (int i = 0; i < d.Width(); ++i)
                dp[i] = BlendPixel(dp[i], sp[i]);
        }
    }
}

void TZelPainter::StretchDraw(const TRect& dst, const TZelSkinImage& src) {
    StretchDraw(dst, src, src.BoundsRect(), src.DrawMode());
}

void TZelPainter::StretchDraw(const TRect& dst, const TZelSkinImage& src, const TRect& srcRect) {
    StretchDraw(dst, src, srcRect, src.DrawMode());
}

void TZelPainter::StretchDraw(const TRect& dst, const TZelSkinImage& src, const TRect& srcRect,
                              TDrawMode mode) {
    if (dst.IsEmpty() || srcRect.IsEmpty()) return;
    const int sw = srcRect.Width(), sh = srcRect.Height();
    const int dw = dst.Width(), dh = dst.Height();
    if (sw == dw && sh == dh) {
        Draw(dst.Left, dst.Top, src, srcRect, mode);
        return;
    }
    TRect td = dst.Offset(FOrigin.X, FOrigin.Y);
    TRect d = td.Intersect(FClip);
    if (d.IsEmpty()) return;
    std::vector<int> xs(size_t(d.Width()));
    for (int x = d.Left; x < d.Right; ++x) {
        int64_t i = x - td.Left;
        xs[size_t(x - d.Left)] = srcRect.Left + int((2 * i + 1) * sw / (2 * int64_t(dw)));
    }
    for (int y = d.Top; y < d.Bottom; ++y) {
        int64_t j = y - td.Top;
        int sy = srcRect.Top + int((2 * j + 1) * sh / (2 * int64_t(dh)));
        TColor32* dp = FTarget->ScanLine(y) + d.Left;
        for (size_t i = 0; i < xs.size(); ++i) {
            TColor32 c = src.PixelS(xs[i], sy);
            dp[i] = mode == dmBlend ? BlendPixel(dp[i], c) : c;
        }
    }
}

void TZelPainter::FillRect(const TRect& r, TColor32 c) {
    TRect d = r.Offset(FOrigin.X, FOrigin.Y).Intersect(FClip);
    for (int y = d.Top; y < d.Bottom; ++y) {
        TColor32* dp = FTarget->ScanLine(y);
        std::fill(dp + d.Left, dp + d.Right, c);
    }
}

void TZelPainter::FillRectBlend(const TRect& r, TColor32 c) {
    if (AlphaOf(c) == 255) return FillRect(r, c);
    if (AlphaOf(c) == 0) return;
    TRect d = r.Offset(FOrigin.X, FOrigin.Y).Intersect(FClip);
    for (int y = d.Top; y < d.Bottom; ++y) {
        TColor32* dp = FTarget->ScanLine(y);
        for (int x = d.Left; x < d.Right; ++x)
            dp[x] = BlendPixel(dp[x], c);
    }
}

void TZelPainter::FillRect(const TRect& r, TColor color, uint8_t alpha) {
    FillRectBlend(r, Color32(color, alpha));
}

void TZelPainter::HorzLine(int x1, int x2, int y, TColor32 c, TDrawMode mode) {
    if (x1 > x2) std::swap(x1, x2);
    for (int x = x1; x <= x2; ++x)
        Put(x + FOrigin.X, y + FOrigin.Y, c, mode);
}

void TZelPainter::VertLine(int x, int y1, int y2, TColor32 c, TDrawMode mode) {
    if (y1 > y2) std::swap(y1, y2);
    for (int y = y1; y <= y2; ++y)
        Put(x + FOrigin.X, y + FOrigin.Y, c, mode);
}

void TZelPainter::Line(int x1, int y1, int x2, int y2, TColor32 c, TDrawMode mode) {
    const int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
    int err = dx + dy;
    int x = x1, y = y1;
    while (x != x2 || y != y2) {
        Put(x + FOrigin.X, y + FOrigin.Y, c, mode);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

void TZelPainter::FrameRect(const TRect& r, TColor32 c, TDrawMode mode) {
    if (r.IsEmpty()) return;
    HorzLine(r.Left, r.Right - 1, r.Top, c, mode);
    if (r.Height() > 1) HorzLine(r.Left, r.Right - 1, r.Bottom - 1, c, mode);
    if (r.Height() > 2) {
        VertLine(r.Left, r.Top + 1, r.Bottom - 2, c, mode);
        if (r.Width() > 1) VertLine(r.Right - 1, r.Top + 1, r.Bottom - 2, c, mode);
    }
}

namespace {

// Coverage of a pixel by 4 × 4 samples, 0…16.
template <typename Inside> int Coverage(int x, int y, const Inside& inside) {
    int hits = 0;
    for (int sy = 0; sy < 4; ++sy)
        for (int sx = 0; sx < 4; ++sx) hits += inside(x + (sx + 0.5f) / 4, y + (sy + 0.5f) / 4);
    return hits;
}

} // namespace

void TZelPainter::FillRoundRectSmooth(const TRect& r, float rx, float ry, TColor32 c) {
    if (r.IsEmpty()) return;
    rx = std::clamp(rx, 0.0f, r.Width() / 2.0f);
    ry = std::clamp(ry, 0.0f, r.Height() / 2.0f);
    const float x0 = float(r.Left), y0 = float(r.Top), x1 = float(r.Right), y1 = float(r.Bottom);
    auto inside = [&](float x, float y) {
        const float cx = std::clamp(x, x0 + rx, x1 - rx), cy = std::clamp(y, y0 + ry, y1 - ry);
        if (rx <= 0 || ry <= 0) return true;
        const float dx = (x - cx) / rx, dy = (y - cy) / ry;
        return dx * dx + dy * dy <= 1.0f;
    };
    TRect d = r.Offset(FOrigin.X, FOrigin.Y).Intersect(FClip);
    for (int ty = d.Top; ty < d.Bottom; ++ty)
        for (int tx = d.Left; tx < d.Right; ++tx) {
            const int cov = Coverage(tx - FOrigin.X, ty - FOrigin.Y, inside);
            if (cov == 0) continue;
            TColor32& p = FTarget->ScanLine(ty)[tx];
            p = BlendPixel(p, c, uint8_t((cov * 255 + 8) / 16));
        }
}

void TZelPainter::StrokeSmooth(float x1, float y1, float x2, float y2, float width, TColor32 c) {
    const float half = width / 2;
    if (half <= 0) return;
    const float ax = x1 + 0.5f, ay = y1 + 0.5f, bx = x2 + 0.5f, by = y2 + 0.5f;
    const float dx = bx - ax, dy = by - ay, len2 = std::max(dx * dx + dy * dy, 1e-6f);
    auto inside = [&](float x, float y) {
        const float t = std::clamp(((x - ax) * dx + (y - ay) * dy) / len2, 0.0f, 1.0f);
        const float px = ax + t * dx - x, py = ay + t * dy - y;
        return px * px + py * py <= half * half;
    };
    TRect box{int(std::floor(std::min(ax, bx) - half)), int(std::floor(std::min(ay, by) - half)),
              int(std::ceil(std::max(ax, bx) + half)) + 1, int(std::ceil(std::max(ay, by) + half)) + 1};
    TRect d = box.Offset(FOrigin.X, FOrigin.Y).Intersect(FClip);
    for (int ty = d.Top; ty < d.Bottom; ++ty)
        for (int tx = d.Left; tx < d.Right; ++tx) {
            const int cov = Coverage(tx - FOrigin.X, ty - FOrigin.Y, inside);
            if (cov == 0) continue;
            TColor32& p = FTarget->ScanLine(ty)[tx];
            p = BlendPixel(p, c, uint8_t((cov * 255 + 8) / 16));
        }
}

namespace {

TColor32 MixDiv(TColor32 from, TColor32 to, int64_t r, int64_t n) {
    TColor32 out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        int64_t a = (from >> shift) & 0xFF, b = (to >> shift) & 0xFF;
        int64_t v = a + (b - a) * r / n; // truncates towards zero, as integer division does
        out |= uint32_t(v) << shift;
    }
    return out;
}

TColor32 MixFixed(TColor32 from, TColor32 to, int64_t step, int64_t i) {
    TColor32 out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        int64_t a = (from >> shift) & 0xFF, b = (to >> shift) & 0xFF;
        int64_t v = a + ((step * i * (b - a)) >> 24);
        out |= uint32_t(v) << shift;
    }
    return out;
}

} // namespace

void TZelPainter::GradientVertical(const TRect& r, TColor32 from, TColor32 to, TDrawMode mode) {
    const int n = r.Height();
    if (r.IsEmpty()) return;
    TRect td = r.Offset(FOrigin.X, FOrigin.Y);
    TRect d = td.Intersect(FClip);
    for (int y = d.Top; y < d.Bottom; ++y) {
        TColor32 c = MixDiv(from, to, y - td.Top, n);
        TColor32* dp = FTarget->ScanLine(y);
        for (int x = d.Left; x < d.Right; ++x)
            dp[x] = mode == dmBlend ? BlendPixel(dp[x], c) : c;
    }
}

void TZelPainter::GradientHorizontal(const TRect& r, TColor32 from, TColor32 to, TDrawMode mode) {
    const int n = r.Width();
    if (r.IsEmpty()) return;
    TRect td = r.Offset(FOrigin.X, FOrigin.Y);
    TRect d = td.Intersect(FClip);
    if (d.IsEmpty()) return;
    std::vector<TColor32> row(size_t(d.Width()));
    for (int x = d.Left; x < d.Right; ++x)
        row[size_t(x - d.Left)] = MixDiv(from, to, x - td.Left, n);
    for (int y = d.Top; y < d.Bottom; ++y) {
        TColor32* dp = FTarget->ScanLine(y) + d.Left;
        for (size_t i = 0; i < row.size(); ++i)
            dp[i] = mode == dmBlend ? BlendPixel(dp[i], row[i]) : row[i];
    }
}

void TZelPainter::FillGradient(const TRect& r, TColor32 a, TColor32 b, bool horizontal) {
    if (r.IsEmpty()) return;
    const int n = horizontal ? r.Width() : r.Height();
    const int64_t step = std::llround(double(1 << 24) / n);
    TRect td = r.Offset(FOrigin.X, FOrigin.Y);
    TRect d = td.Intersect(FClip);
    for (int y = d.Top; y < d.Bottom; ++y) {
        TColor32* dp = FTarget->ScanLine(y);
        for (int x = d.Left; x < d.Right; ++x)
            dp[x] = MixFixed(a, b, step, horizontal ? x - td.Left : y - td.Top);
    }
}

// ---------------------------------------------------------------------------

namespace {

// One pass over `count` channel values spaced `stride` apart.
void BlurLine(uint8_t* p, int count, int stride, int radius, std::vector<int>& tmp) {
    tmp.resize(size_t(count));
    for (int i = 0; i < count; ++i)
        tmp[size_t(i)] = p[i * stride];
    int sum = 0, n = 0;
    for (int i = 0; i < std::min(radius, count); ++i) {
        sum += tmp[size_t(i)];
        ++n;
    }
    for (int i = 0; i < count; ++i) {
        const int add = i + radius, drop = i - radius - 1;
        if (add < count) {
            sum += tmp[size_t(add)];
            ++n;
        }
        if (drop >= 0) {
            sum -= tmp[size_t(drop)];
            --n;
        }
        p[i * stride] = uint8_t(sum / n);
    }
}

} // namespace

static_assert(std::endian::native == std::endian::little, "pixels are read as bytes");

void BoxBlur(TZelSkinImage& image, int radius, int horzPasses, int vertPasses) {
    if (image.Empty() || radius <= 0) return;
    const int w = image.Width(), h = image.Height();
    auto* bytes = reinterpret_cast<uint8_t*>(image.Bits());
    std::vector<int> tmp;
    // Channel bytes of a little-endian pixel: 0 blue, 1 green, 2 red.
    for (int pass = 0; pass < horzPasses; ++pass)
        for (int y = 0; y < h; ++y)
            for (int ch = 0; ch < 3; ++ch)
                BlurLine(bytes + (size_t(y) * size_t(w)) * 4 + size_t(ch), w, 4, radius, tmp);
    for (int pass = 0; pass < vertPasses; ++pass)
        for (int x = 0; x < w; ++x)
            for (int ch = 0; ch < 3; ++ch)
                BlurLine(bytes + size_t(x) * 4 + size_t(ch), h, 4 * w, radius, tmp);
}
