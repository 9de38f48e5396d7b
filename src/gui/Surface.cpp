#include "gui/Surface.h"

#include <algorithm>
#include <cmath>

namespace gui {

using namespace platform;

RECT RECT::Intersect(const RECT& o) const {
    RECT r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
           std::min(bottom, o.bottom)};
    return r.IsEmpty() ? RECT{} : r;
}

bool TRegion::Contains(int x, int y) const {
    for (const RECT& r : Rects)
        if (r.Contains(x, y)) return true;
    return false;
}

RECT TRegion::Bounds() const {
    if (Rects.empty()) return {};
    RECT b = Rects.front();
    for (const RECT& r : Rects) {
        b.left = std::min(b.left, r.left);
        b.top = std::min(b.top, r.top);
        b.right = std::max(b.right, r.right);
        b.bottom = std::max(b.bottom, r.bottom);
    }
    return b;
}

TRegion CreateRectRgn(int left, int top, int right, int bottom) {
    TRegion r;
    if (right > left && bottom > top) r.Rects.push_back({left, top, right, bottom});
    return r;
}

TRegion CreateRoundRectRgn(int left, int top, int right, int bottom, int w, int h) {
    // The platform's round regions leave out the right and bottom edge.
    right -= 1;
    bottom -= 1;
    TRegion rgn;
    if (right <= left || bottom <= top) return rgn;
    double rx = std::min(w, right - left) / 2.0;
    double ry = std::min(h, bottom - top) / 2.0;
    for (int y = top; y < bottom; ++y) {
        // Distance of the row's centre into the corner band, if it is in one.
        double cy = y + 0.5;
        double dy = 0;
        if (cy < top + ry)
            dy = top + ry - cy;
        else if (cy > bottom - ry)
            dy = cy - (bottom - ry);
        int inset = 0;
        if (dy > 0 && rx > 0 && ry > 0) {
            double t = 1.0 - (dy * dy) / (ry * ry);
            double half = t > 0 ? rx * std::sqrt(t) : 0;
            // Pixels whose centre lies inside the corner ellipse are kept.
            inset = int(std::ceil(rx - half - 0.5));
            inset = std::max(0, inset);
        }
        int l = left + inset, r = right - inset;
        if (r <= l) continue;
        if (!rgn.Rects.empty()) {
            RECT& last = rgn.Rects.back();
            if (last.left == l && last.right == r && last.bottom == y) {
                last.bottom = y + 1;
                continue;
            }
        }
        rgn.Rects.push_back({l, y, r, y + 1});
    }
    return rgn;
}

TRegion CombineRgnOr(const TRegion& a, const TRegion& b) {
    TRegion r = a;
    r.Rects.insert(r.Rects.end(), b.Rects.begin(), b.Rects.end());
    return r;
}

void TSurface::SetSize(int width, int height, uint32_t fill) {
    Width = std::max(0, width);
    Height = std::max(0, height);
    Pixels.assign(size_t(Width) * size_t(Height), fill);
}

RECT DCLocalClip(HDC dc) {
    return dc->Clip.Offset(-dc->Origin.x, -dc->Origin.y);
}

namespace {

uint32_t Blend(uint32_t dst, uint32_t src) {
    uint32_t sa = src >> 24;
    if (sa == 255) return src;
    if (sa == 0) return dst;
    uint32_t da = dst >> 24;
    // Source-over of non-premultiplied pixels, rounded.
    uint32_t oa255 = sa * 255 + da * (255 - sa); // output alpha × 255
    if (oa255 == 0) return 0;
    auto ch = [&](int shift) {
        uint32_t s = (src >> shift) & 0xFF, d = (dst >> shift) & 0xFF;
        uint32_t num = s * sa * 255 + d * da * (255 - sa);
        return (num + oa255 / 2) / oa255;
    };
    uint32_t oa = (oa255 + 127) / 255;
    return (oa << 24) | (ch(16) << 16) | (ch(8) << 8) | ch(0);
}

template <class F> void ForPixels(HDC dc, int x, int y, int width, int height, F f) {
    if (!dc || !dc->Surface) return;
    RECT target = RECT{x, y, x + width, y + height}.Offset(dc->Origin.x, dc->Origin.y);
    RECT surf{0, 0, dc->Surface->Width, dc->Surface->Height};
    RECT c = target.Intersect(dc->Clip).Intersect(surf);
    if (c.IsEmpty()) return;
    for (int ty = c.top; ty < c.bottom; ++ty) {
        uint32_t* row = dc->Surface->Row(ty);
        for (int tx = c.left; tx < c.right; ++tx)
            f(row[tx], tx - target.left, ty - target.top);
    }
}

} // namespace

void DCCopyPixels(HDC dc, int x, int y, const uint32_t* src, int width, int height, int stride) {
    ForPixels(dc, x, y, width, height, [&](uint32_t& d, int sx, int sy) {
        d = src[size_t(sy) * size_t(stride) + size_t(sx)];
    });
}

void DCBlendPixels(HDC dc, int x, int y, const uint32_t* src, int width, int height, int stride) {
    ForPixels(dc, x, y, width, height, [&](uint32_t& d, int sx, int sy) {
        d = Blend(d, src[size_t(sy) * size_t(stride) + size_t(sx)]);
    });
}

void DCFillRect(HDC dc, const RECT& r, uint32_t color) {
    ForPixels(dc, r.left, r.top, r.Width(), r.Height(), [&](uint32_t& d, int, int) { d = color; });
}

} // namespace gui
