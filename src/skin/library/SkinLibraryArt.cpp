// The library pictures. Shapes are given as inside-tests in pixel
// coordinates (pixel (x, y) covers x…x+1, y…y+1) and filled with 4 × 4
// samples per pixel, so edges come out smooth.
#include "SkinLibraryArt.h"

#include <cmath>
#include <functional>
#include <numbers>

namespace {

using Inside = std::function<bool(float x, float y)>;
using Paint = std::function<TColor32(float x, float y)>;

// The look: the blues of the windows' title bars.
constexpr TColor32 kAccent = Color32(0, 128, 189);
constexpr TColor32 kAccentHot = Color32(24, 152, 214);
constexpr TColor32 kAccentDark = Color32(0, 98, 150);
constexpr TColor32 kBorder = Color32(138, 160, 180);
constexpr TColor32 kTrack = Color32(222, 230, 237);
constexpr TColor32 kTrackBorder = Color32(186, 200, 212);
constexpr TColor32 kGlyph = Color32(96, 112, 128);
constexpr TColor32 kWhite = Color32(255, 255, 255);
constexpr TColor32 kCloseHot = Color32(232, 17, 35);
constexpr TColor32 kClosePressed = Color32(184, 14, 28);

// ---- shapes ---------------------------------------------------------------

Inside RoundRect(float x0, float y0, float x1, float y1, float r) {
    return [=](float x, float y) {
        if (x < x0 || x > x1 || y < y0 || y > y1) return false;
        const float cx = std::clamp(x, x0 + r, x1 - r), cy = std::clamp(y, y0 + r, y1 - r);
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r;
    };
}
Inside Rect(float x0, float y0, float x1, float y1) {
    return RoundRect(x0, y0, x1, y1, 0);
}
Inside Circle(float cx, float cy, float r) {
    return [=](float x, float y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; };
}
Inside Ring(float cx, float cy, float r, float half) {
    return [=](float x, float y) {
        const float d = std::hypot(x - cx, y - cy);
        return d >= r - half && d <= r + half;
    };
}
// A stroke with round ends from a to b.
Inside Segment(float ax, float ay, float bx, float by, float half) {
    return [=](float x, float y) {
        const float dx = bx - ax, dy = by - ay;
        float t = ((x - ax) * dx + (y - ay) * dy) / std::max(dx * dx + dy * dy, 1e-6f);
        t = std::clamp(t, 0.0f, 1.0f);
        const float px = ax + t * dx - x, py = ay + t * dy - y;
        return px * px + py * py <= half * half;
    };
}
// Part of a ring between two angles (degrees, counter-clockwise from +x,
// y pointing down as on screen).
Inside Arc(float cx, float cy, float r, float half, float from, float to) {
    return [=](float x, float y) {
        const float d = std::hypot(x - cx, y - cy);
        if (d < r - half || d > r + half) return false;
        float a = std::atan2(cy - y, x - cx) * 180.0f / std::numbers::pi_v<float>;
        while (a < from)
            a += 360;
        return a <= to;
    };
}
Inside Triangle(float ax, float ay, float bx, float by, float cx, float cy) {
    return [=](float x, float y) {
        auto side = [](float px, float py, float qx, float qy, float x, float y) {
            return (qx - px) * (y - py) - (qy - py) * (x - px);
        };
        const float d1 = side(ax, ay, bx, by, x, y), d2 = side(bx, by, cx, cy, x, y),
                    d3 = side(cx, cy, ax, ay, x, y);
        return !((d1 < 0 || d2 < 0 || d3 < 0) && (d1 > 0 || d2 > 0 || d3 > 0));
    };
}
Inside Union(std::initializer_list<Inside> parts) {
    std::vector<Inside> v(parts);
    return [v](float x, float y) {
        for (auto& p : v)
            if (p(x, y)) return true;
        return false;
    };
}
Inside Minus(Inside a, Inside b) {
    return [a, b](float x, float y) { return a(x, y) && !b(x, y); };
}
Inside Moved(Inside a, float dx, float dy) {
    return [a, dx, dy](float x, float y) { return a(x - dx, y - dy); };
}

// ---- painting -------------------------------------------------------------

void Fill(TZelSkinImage& img, const Inside& shape, const Paint& paint) {
    for (int y = 0; y < img.Height(); ++y)
        for (int x = 0; x < img.Width(); ++x) {
            int hits = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx)
                    hits += shape(x + (sx + 0.5f) / 4, y + (sy + 0.5f) / 4);
            if (!hits) continue;
            const TColor32 c = paint(x + 0.5f, y + 0.5f);
            img.SetPixel(x, y, BlendPixel(img.Pixel(x, y), c, uint8_t((hits * 255 + 8) / 16)));
        }
}
void Fill(TZelSkinImage& img, const Inside& shape, TColor32 c) {
    Fill(img, shape, [c](float, float) { return c; });
}
Paint VGradient(float y0, float y1, TColor32 a, TColor32 b) {
    return [=](float, float y) {
        float t = std::clamp((y - y0) / std::max(y1 - y0, 1e-3f), 0.0f, 1.0f);
        auto mix = [t](int p, int q) { return uint8_t(std::lround(p + (q - p) * t)); };
        return Color32(mix(RedOf(a), RedOf(b)), mix(GreenOf(a), GreenOf(b)),
                       mix(BlueOf(a), BlueOf(b)), mix(AlphaOf(a), AlphaOf(b)));
    };
}
// An outlined shape: `outer` filled with the border colour, `inner` over it.
void Outlined(TZelSkinImage& img, const Inside& outer, const Inside& inner, TColor32 border,
              const Paint& face) {
    Fill(img, Minus(outer, inner), border);
    Fill(img, inner, face);
}

TZelSkinImage New(int w, int h) {
    TZelSkinImage img(w, h, 0);
    img.SetDrawMode(dmBlend);
    img.SetResamplerClassName(kNearestResampler);
    return img;
}
// Draws `frames` side-by-side frames of fw × h, each by draw(frame, index).
TZelSkinImage Frames(int fw, int h, int frames,
                     const std::function<void(TZelSkinImage&, int)>& draw) {
    TZelSkinImage img = New(fw * frames, h);
    for (int i = 0; i < frames; ++i) {
        TZelSkinImage f = New(fw, h);
        draw(f, i);
        TZelPainter(img).Copy(i * fw, 0, f, f.BoundsRect());
    }
    return img;
}
TColor32 Alpha(TColor32 c, int a) {
    return WithAlpha(c, uint8_t(a));
}

// ---- glyphs (centred on cx, cy) -------------------------------------------

Inside Cross(float cx, float cy, float r, float half) {
    return Union({Segment(cx - r, cy - r, cx + r, cy + r, half),
                  Segment(cx - r, cy + r, cx + r, cy - r, half)});
}
Inside Check(float cx, float cy, float s, float half) {
    return Union({Segment(cx - 0.45f * s, cy + 0.02f * s, cx - 0.12f * s, cy + 0.35f * s, half),
                  Segment(cx - 0.12f * s, cy + 0.35f * s, cx + 0.48f * s, cy - 0.32f * s, half)});
}
// A filled triangle pointing in a direction: 0 up, 1 right, 2 down, 3 left.
Inside Arrow(float cx, float cy, float s, int dir) {
    const float a = s, b = s / 2;
    switch (dir) {
    case 0:
        return Triangle(cx - a, cy + b, cx + a, cy + b, cx, cy - b);
    case 1:
        return Triangle(cx - b, cy - a, cx - b, cy + a, cx + b, cy);
    case 2:
        return Triangle(cx - a, cy - b, cx + a, cy - b, cx, cy + b);
    default:
        return Triangle(cx + b, cy - a, cx + b, cy + a, cx - b, cy);
    }
}
// An open chevron (stroke) pointing in a direction.
Inside Chevron(float cx, float cy, float s, int dir, float half) {
    const float a = s, b = s / 2;
    switch (dir) {
    case 0:
        return Union(
            {Segment(cx - a, cy + b, cx, cy - b, half), Segment(cx, cy - b, cx + a, cy + b, half)});
    case 1:
        return Union(
            {Segment(cx - b, cy - a, cx + b, cy, half), Segment(cx + b, cy, cx - b, cy + a, half)});
    case 2:
        return Union(
            {Segment(cx - a, cy - b, cx, cy + b, half), Segment(cx, cy + b, cx + a, cy - b, half)});
    default:
        return Union(
            {Segment(cx + b, cy - a, cx - b, cy, half), Segment(cx - b, cy, cx + b, cy + a, half)});
    }
}

// ---- pictures -------------------------------------------------------------

// Title-bar button: transparent, with a glyph in white; hot and pressed
// frames lay a face under the glyph.
TZelSkinImage TitleButton(int fw, const Inside& glyph, TColor32 hot, TColor32 pressed) {
    return Frames(fw, 19, 3, [&](TZelSkinImage& f, int i) {
        if (i == 1) Fill(f, Rect(0, 0, float(fw), 19), hot);
        if (i == 2) Fill(f, Rect(0, 0, float(fw), 19), pressed);
        Fill(f, glyph, kWhite);
    });
}

TZelSkinImage CheckBox(int size, bool checked, bool hot) {
    TZelSkinImage f = New(size, size);
    const float m = size >= 18 ? 2.5f : 2.0f, e = float(size) - m;
    const Inside outer = RoundRect(m, m, e, e, 2.5f);
    const Inside inner = RoundRect(m + 1, m + 1, e - 1, e - 1, 1.5f);
    if (checked) {
        Fill(f, outer, hot ? kAccentHot : kAccent);
        Fill(f, Check(size / 2.0f, size / 2.0f, e - m - 3, 0.95f), kWhite);
    } else {
        Outlined(f, outer, inner, hot ? kAccent : kBorder,
                 [hot](float, float) { return hot ? Color32(232, 244, 252) : kWhite; });
    }
    return f;
}

TZelSkinImage Radio(bool checked, bool hot) {
    TZelSkinImage f = New(17, 17);
    const float c = 8.5f;
    Outlined(f, Circle(c, c, 6.5f), Circle(c, c, 5.5f), hot || checked ? kAccent : kBorder,
             [hot](float, float) { return hot ? Color32(232, 244, 252) : kWhite; });
    if (checked) Fill(f, Circle(c, c, 3.2f), hot ? kAccentHot : kAccent);
    return f;
}

// A rounded bar as the progress bar draws it: 6-pixel rounded ends.
TZelSkinImage Bar(bool filled) {
    TZelSkinImage f = New(102, 13);
    const Inside outer = RoundRect(0, 0, 102, 13, 6.5f);
    const Inside inner = RoundRect(1, 1, 101, 12, 5.5f);
    if (filled) {
        Outlined(f, outer, inner, Color32(0, 104, 160),
                 VGradient(1, 12, Color32(52, 174, 232), kAccent));
        // The lighter top edge.
        Fill(f, Minus(inner, Moved(inner, 0, 1.5f)), Alpha(kWhite, 110));
    } else {
        Outlined(f, outer, inner, kTrackBorder,
                 VGradient(1, 12, Color32(210, 220, 229), Color32(236, 241, 245)));
    }
    return f;
}

TZelSkinImage MsgIcon(TColor32 top, TColor32 bottom, const Inside& glyph, bool triangle) {
    TZelSkinImage f = New(32, 32);
    const Inside body =
        triangle ? Union({Segment(16, 4, 3.5f, 27, 2.5f), Segment(3.5f, 27, 28.5f, 27, 2.5f),
                          Segment(28.5f, 27, 16, 4, 2.5f), Triangle(16, 4, 3.5f, 27, 28.5f, 27)})
                 : Circle(16, 16, 14);
    Fill(f, body, VGradient(2, 30, top, bottom));
    Fill(f, glyph, kWhite);
    return f;
}

// A nine-slice panel: rounded border around a face.
TZelSkinImage Panel(int w, int h, float r, TColor32 border, TColor32 face) {
    TZelSkinImage f = New(w, h);
    Outlined(f, RoundRect(0, 0, float(w), float(h), r),
             RoundRect(1, 1, float(w) - 1, float(h) - 1, std::max(r - 1, 0.0f)), border,
             [face](float, float) { return face; });
    return f;
}

// Scroll bar pieces, 12 pixels across.
TZelSkinImage ScrollThumb(bool vertical, int state) {
    const TColor32 c = state == 0   ? Color32(194, 204, 214)
                       : state == 1 ? Color32(160, 176, 192)
                                    : Color32(120, 140, 160);
    TZelSkinImage f = vertical ? New(12, 30) : New(30, 12);
    Fill(f, vertical ? RoundRect(3, 1, 9, 29, 3) : RoundRect(1, 3, 29, 9, 3), c);
    return f;
}
TZelSkinImage ScrollTrack(bool vertical) {
    TZelSkinImage f = vertical ? New(12, 30) : New(30, 12);
    Fill(f, Rect(0, 0, float(f.Width()), float(f.Height())), Color32(240, 243, 246));
    return f;
}
TZelSkinImage ScrollArrow(int dir, int state) {
    TZelSkinImage f = New(12, 12);
    if (state == 1) Fill(f, RoundRect(0, 0, 12, 12, 2), Color32(218, 226, 234));
    if (state == 2) Fill(f, RoundRect(0, 0, 12, 12, 2), Color32(190, 204, 218));
    Fill(f, Arrow(6, 6, 3.2f, dir), state == 0 ? Color32(128, 140, 152) : Color32(70, 86, 102));
    return f;
}
TZelSkinImage Spin(int dir, int state) {
    TZelSkinImage f = New(15, 9);
    if (state == 1) Fill(f, RoundRect(0, 0, 15, 9, 2), Color32(218, 232, 244));
    if (state == 2) Fill(f, RoundRect(0, 0, 15, 9, 2), Color32(186, 208, 228));
    Fill(f, Arrow(7.5f, 4.5f, 3, dir), state == 0 ? kGlyph : kAccentDark);
    return f;
}
TZelSkinImage Tab(int kind) { // 0 down, 1 hover, 2 normal button, 3 hot button, 4 pressed button
    TZelSkinImage f = New(60, 26);
    const Inside shape = RoundRect(0, 0, 60, 30, 3); // open at the bottom
    switch (kind) {
    case 0:
        Fill(f, Rect(0, 0, 60, 26), Color32(225, 236, 242)); // opaque: under it the client colour
        Outlined(f, shape, RoundRect(1, 1, 59, 30, 2), kTrackBorder,
                 [](float, float) { return kWhite; });
        Fill(f, Rect(2, 1, 58, 3), kAccent);
        break;
    case 1:
        Fill(f, shape, Alpha(kWhite, 110));
        break;
    case 2:
        Fill(f, shape, Alpha(kWhite, 60));
        break;
    case 3:
        Fill(f, shape, Alpha(kAccentHot, 60));
        break;
    default:
        Fill(f, shape, Alpha(kAccent, 110));
        break;
    }
    return f;
}
TZelSkinImage Icon16(const Inside& glyph, TColor32 c, int size = 16) {
    TZelSkinImage f = New(size, size);
    Fill(f, glyph, c);
    return f;
}
TZelSkinImage Calendar(bool hot) {
    TZelSkinImage f = New(18, 18);
    const TColor32 c = hot ? kAccent : kGlyph;
    Outlined(f, RoundRect(2, 3, 16, 16, 1.5f), RoundRect(3, 6, 15, 15, 0.5f), c,
             [](float, float) { return kWhite; });
    Fill(f, Union({Segment(6, 2, 6, 4.5f, 0.8f), Segment(12, 2, 12, 4.5f, 0.8f)}), c);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 2; ++j)
            Fill(f, Rect(4.5f + i * 3.5f, 8 + j * 3.5f, 6.5f + i * 3.5f, 10 + j * 3.5f), c);
    return f;
}
TZelSkinImage Switch(bool on) {
    TZelSkinImage f = New(40, 20);
    Fill(f, RoundRect(1, 2, 39, 18, 8), on ? kAccent : Color32(196, 206, 216));
    Fill(f, Circle(on ? 30.5f : 9.5f, 10, 6.2f), kWhite);
    return f;
}

} // namespace

std::vector<TLibraryPicture> DrawLibraryPictures() {
    std::vector<TLibraryPicture> out;
    auto add = [&](const char* name, TZelSkinImage img) {
        out.push_back({name, true, std::move(img)});
    };

    add("ZelSkinCheckBox",
        Frames(17, 17, 4, [](TZelSkinImage& f, int i) { f = CheckBox(17, i >= 2, i % 2 == 1); }));
    add("ZelSkinButton", Frames(24, 24, 4, [](TZelSkinImage& f, int i) {
            const TColor32 face[4] = {Color32(246, 249, 251), Color32(232, 244, 252),
                                      Color32(208, 228, 244), Color32(236, 238, 240)};
            const TColor32 border = i == 0 ? kBorder : i == 3 ? Color32(196, 202, 208) : kAccent;
            Outlined(f, RoundRect(0, 0, 24, 24, 3), RoundRect(1, 1, 23, 23, 2), border,
                     [&](float, float) { return face[i]; });
        }));
    add("ZelSkinRadiobtn",
        Frames(17, 17, 4, [](TZelSkinImage& f, int i) { f = Radio(i >= 2, i % 2 == 1); }));
    add("ZelSkinDropdownMenu", Frames(15, 32, 4, [](TZelSkinImage& f, int i) {
            if (i == 1) Fill(f, Rect(0, 0, 15, 32), Alpha(kWhite, 48));
            if (i == 2) Fill(f, Rect(0, 0, 15, 32), Alpha(Color32(0, 0, 0), 48));
            Fill(f, Rect(0, 6, 1, 26), Alpha(kWhite, 90));
            Fill(f, Arrow(8, 16, 3.5f, 2), i == 3 ? Color32(200, 200, 200) : kWhite);
        }));
    add("ZelSkinFlatBtn", Frames(22, 22, 3, [](TZelSkinImage& f, int i) {
            if (i == 1) Fill(f, RoundRect(0, 0, 22, 22, 3), Alpha(kAccentHot, 56));
            if (i == 2) Fill(f, RoundRect(0, 0, 22, 22, 3), Alpha(kAccent, 110));
        }));
    add("ZelSkinMsgIcon_Error",
        MsgIcon(Color32(240, 84, 80), Color32(200, 36, 36), Cross(16, 16, 5.5f, 1.8f), false));
    add("ZelSkinMsgIcon_Warn",
        MsgIcon(Color32(255, 200, 60), Color32(236, 150, 0),
                Union({Segment(16, 11, 16, 19, 1.8f), Circle(16, 23.5f, 1.9f)}), true));
    add("ZelSkinMsgIcon_Info",
        MsgIcon(Color32(64, 160, 230), kAccent,
                Union({Circle(16, 9.5f, 2.1f), Segment(16, 14, 16, 23, 1.9f)}), false));
    add("ZelSkinMsgIcon_OK",
        MsgIcon(Color32(80, 196, 110), Color32(34, 150, 70), Check(16, 16, 15, 1.8f), false));
    add("ZelSkinMsgIcon_Question",
        MsgIcon(Color32(64, 160, 230), kAccent,
                Union({Arc(16, 12.5f, 4.5f, 1.7f, -90, 180), Segment(16, 17, 16, 19, 1.7f),
                       Circle(16, 23.5f, 1.9f)}),
                false));
    add("ZelSkinBorderHot", Panel(9, 9, 2, kAccent, Alpha(kWhite, 0)));
    add("ZelSkinBorderNormal", Panel(9, 9, 2, kTrackBorder, Alpha(kWhite, 0)));
    add("ZelSkinBtn_close",
        TitleButton(39, Cross(19.5f, 9.5f, 4.2f, 0.75f), kCloseHot, kClosePressed));
    add("ZelSkinBtn_max",
        TitleButton(28, Minus(Rect(9, 5, 19, 14), Rect(10.2f, 6.8f, 17.8f, 12.8f)),
                    Alpha(kWhite, 46), Alpha(Color32(0, 0, 0), 40)));
    add("ZelSkinBtn_mini",
        TitleButton(28, Rect(9, 9, 19, 10.2f), Alpha(kWhite, 46), Alpha(Color32(0, 0, 0), 40)));
    add("ZelSkinBtn_restore",
        TitleButton(28,
                    Union({Minus(Rect(9, 7, 17, 14), Rect(10.2f, 8.8f, 15.8f, 12.8f)),
                           Minus(Union({Rect(11, 5, 19, 6.2f), Rect(17.8f, 5, 19, 12)}),
                                 Rect(9, 7, 17, 14))}),
                    Alpha(kWhite, 46), Alpha(Color32(0, 0, 0), 40)));
    add("ZelSkinTips_close", Frames(16, 16, 3, [](TZelSkinImage& f, int i) {
            if (i > 0)
                Fill(f, Circle(8, 8, 7.5f),
                     i == 1 ? Color32(226, 232, 238) : Color32(204, 214, 224));
            Fill(f, Cross(8, 8, 3.2f, 0.75f), i == 0 ? kGlyph : Color32(60, 72, 84));
        }));
    add("ZelSkinSlider_dragBackground", [] {
        TZelSkinImage f = New(14, 14);
        Outlined(f, Circle(7, 7, 6.5f), Circle(7, 7, 5.3f), kAccent,
                 [](float, float) { return kWhite; });
        return f;
    }());
    add("ZelSkinPreview_bkg", Panel(20, 20, 3, kTrackBorder, Color32(250, 252, 253)));
    add("ZelSkinSlider_Aio_light_bkg", [] {
        TZelSkinImage f = New(30, 6);
        Fill(f, RoundRect(0, 0, 30, 6, 3), kTrack);
        return f;
    }());
    add("ZelSkinPasswordchar", Icon16(Circle(4, 4, 3), Color32(40, 40, 40), 8));
    add("ZelSkinKeyboard", [] {
        TZelSkinImage f = New(20, 14);
        Outlined(f, RoundRect(0.5f, 1.5f, 19.5f, 13.5f, 2), RoundRect(1.6f, 2.6f, 18.4f, 12.4f, 1),
                 kGlyph, [](float, float) { return kWhite; });
        for (int i = 0; i < 5; ++i)
            Fill(f, Rect(3.5f + i * 3, 4.5f, 5 + i * 3, 6), kGlyph);
        for (int i = 0; i < 4; ++i)
            Fill(f, Rect(5 + i * 3, 7.2f, 6.5f + i * 3, 8.7f), kGlyph);
        Fill(f, Rect(6, 10, 14, 11.2f), kGlyph);
        return f;
    }());
    add("ZelSkinDrop_arrow_hot", Icon16(Chevron(8, 8, 3.5f, 2, 0.8f), kAccent));
    add("ZelSkinDrop_arrow_normal", Icon16(Chevron(8, 8, 3.5f, 2, 0.8f), kGlyph));
    add("ZelSkinExpand_1", [] {
        TZelSkinImage f = New(9, 9);
        Outlined(f, Rect(0, 0, 9, 9), Rect(1, 1, 8, 8), kBorder,
                 [](float, float) { return kWhite; });
        Fill(f, Union({Rect(2, 4, 7, 5), Rect(4, 2, 5, 7)}), Color32(40, 60, 80));
        return f;
    }());
    add("ZelSkinExpand_2", [] {
        TZelSkinImage f = New(9, 9);
        Outlined(f, Rect(0, 0, 9, 9), Rect(1, 1, 8, 8), kBorder,
                 [](float, float) { return kWhite; });
        Fill(f, Rect(2, 4, 7, 5), Color32(40, 60, 80));
        return f;
    }());
    for (int hot = 0; hot < 2; ++hot) {
        TZelSkinImage f = New(18, 18);
        Fill(f, Circle(9, 9, 7.5f), hot ? Color32(232, 72, 72) : Color32(184, 194, 204));
        Fill(f, Cross(9, 9, 3, 0.85f), kWhite);
        add(hot ? "ZelSkinCancel_18_Hot" : "ZelSkinCancel_18_Normal", std::move(f));
    }
    add("ZelSkinMenu_bk", Panel(30, 30, 0, Color32(190, 200, 210), Color32(252, 253, 254)));
    add("ZelSkinMenu_hilight", [] {
        TZelSkinImage f = New(30, 24);
        Fill(f, RoundRect(0, 0, 30, 24, 2), Color32(214, 234, 248));
        return f;
    }());
    add("ZelSkinMenu_sub_arrow", Icon16(Arrow(8, 8, 3.5f, 1), kGlyph));
    add("ZelSkinMenu_icon_check", Icon16(Check(8, 8, 11, 0.9f), Color32(40, 40, 40)));
    add("ZelSkinMenu_icon_radio", Icon16(Circle(8, 8, 3), Color32(40, 40, 40)));
    out.push_back({"ZelSkinTabDown", false, Tab(0)});
    out.back().Image.SetDrawMode(dmOpaque);
    add("ZelSkinTabHover", Tab(1));
    add("ZelSkinTab_button_normal", Tab(2));
    add("ZelSkinTab_button_hot", Tab(3));
    add("ZelSkinTab_button_down", Tab(4));
    add("ZelSkinBar_base", Bar(false));
    add("ZelSkinBar_cur", Bar(true));
    add("ZelSkinScrollbar_bar_down", ScrollThumb(true, 2));
    add("ZelSkinScrollbar_bar_highlight", ScrollThumb(true, 1));
    add("ZelSkinScrollbar_bar_normal", ScrollThumb(true, 0));
    add("ZelSkinScrollbar_bkg", ScrollTrack(true));
    add("ZelSkinScrollbar_arrowdown_normal", ScrollArrow(2, 0));
    add("ZelSkinScrollbar_arrowup_normal", ScrollArrow(0, 0));
    add("ZelSkinScrollbar_horz_bkg", ScrollTrack(false));
    add("ZelSkinScrollbar_horzbar_down", ScrollThumb(false, 2));
    add("ZelSkinScrollbar_horzbar_highlight", ScrollThumb(false, 1));
    add("ZelSkinScrollbar_horzbar_normal", ScrollThumb(false, 0));
    add("ZelSkinScrollbar_arrowleft_normal", ScrollArrow(3, 0));
    add("ZelSkinScrollbar_arrowright_normal", ScrollArrow(1, 0));
    add("ZelSkinScrollbar_arrowdown_down", ScrollArrow(2, 2));
    add("ZelSkinScrollbar_arrowdown_highlight", ScrollArrow(2, 1));
    add("ZelSkinScrollbar_arrowleft_down", ScrollArrow(3, 2));
    add("ZelSkinScrollbar_arrowleft_highlight", ScrollArrow(3, 1));
    add("ZelSkinScrollbar_arrowright_down", ScrollArrow(1, 2));
    add("ZelSkinScrollbar_arrowright_highlight", ScrollArrow(1, 1));
    add("ZelSkinScrollbar_arrowup_down", ScrollArrow(0, 2));
    add("ZelSkinScrollbar_arrowup_highlight", ScrollArrow(0, 1));
    add("ZelSkinDrag_flag", [] {
        TZelSkinImage f = New(12, 12);
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j <= i; ++j)
                Fill(f, Rect(9 - 3.5f * j, 9 - 3.5f * (i - j), 11 - 3.5f * j, 11 - 3.5f * (i - j)),
                     Color32(150, 162, 174));
        return f;
    }());
    add("ZelSkinSwitch_on", Switch(true));
    add("ZelSkinSwitch_off", Switch(false));
    add("ZelSkinMini_close_btn", Frames(12, 12, 3, [](TZelSkinImage& f, int i) {
            if (i == 1) Fill(f, RoundRect(0, 0, 12, 12, 2), kCloseHot);
            if (i == 2) Fill(f, RoundRect(0, 0, 12, 12, 2), kClosePressed);
            Fill(f, Cross(6, 6, 2.5f, 0.7f), i == 0 ? kGlyph : kWhite);
        }));
    add("ZelSkinColor_tabs", Frames(20, 20, 3, [](TZelSkinImage& f, int i) {
            if (i == 1) Fill(f, RoundRect(0, 0, 20, 20, 3), Alpha(kWhite, 70));
            if (i == 2) Fill(f, RoundRect(0, 0, 20, 20, 3), Alpha(kWhite, 130));
            Fill(f, RoundRect(5, 5, 15, 15, 2), kAccent);
        }));
    add("ZelSkinBrower_back",
        Icon16(Union({Segment(3.5f, 8, 12.5f, 8, 0.9f), Chevron(6, 8, 3.5f, 3, 0.9f)}), kGlyph));
    add("ZelSkinBrower_front",
        Icon16(Union({Segment(3.5f, 8, 12.5f, 8, 0.9f), Chevron(10, 8, 3.5f, 1, 0.9f)}), kGlyph));
    add("ZelSkinBrower_up",
        Icon16(Union({Segment(8, 3.5f, 8, 12.5f, 0.9f), Chevron(8, 6, 3.5f, 0, 0.9f)}), kGlyph));
    add("ZelSkinBrower_down",
        Icon16(Union({Segment(8, 3.5f, 8, 12.5f, 0.9f), Chevron(8, 10, 3.5f, 2, 0.9f)}), kGlyph));
    add("ZelSkinSearch_icon",
        Icon16(Union({Ring(6.5f, 6.5f, 4.2f, 0.9f), Segment(9.6f, 9.6f, 13.5f, 13.5f, 1.1f)}),
               kGlyph));
    add("ZelSkinCalendar_18_N", Calendar(false));
    add("ZelSkinCalendar_18_H", Calendar(true));
    add("ZelSkinSpin_normal_up", Spin(0, 0));
    add("ZelSkinSpin_highlight_up", Spin(0, 1));
    add("ZelSkinSpin_pushed_up", Spin(0, 2));
    add("ZelSkinSpin_normal_down", Spin(2, 0));
    add("ZelSkinSpin_highlight_down", Spin(2, 1));
    add("ZelSkinSpin_pushed_down", Spin(2, 2));
    add("ZelSkinToolbtn", Frames(24, 24, 3, [](TZelSkinImage& f, int i) {
            if (i == 1)
                Outlined(f, RoundRect(0, 0, 24, 24, 3), RoundRect(1, 1, 23, 23, 2),
                         Alpha(kAccent, 120), [](float, float) { return Alpha(kAccentHot, 40); });
            if (i == 2)
                Outlined(f, RoundRect(0, 0, 24, 24, 3), RoundRect(1, 1, 23, 23, 2),
                         Alpha(kAccent, 170), [](float, float) { return Alpha(kAccent, 80); });
        }));
    add("ZelSkinCheckedCheckbox_18", CheckBox(18, true, false));
    add("ZelSkinCheckedCheckbox_h_18", CheckBox(18, true, true));
    add("ZelSkinUncheckedCheckbox_18", CheckBox(18, false, false));
    add("ZelSkinUncheckedCheckbox_h_18", CheckBox(18, false, true));
    return out;
}
