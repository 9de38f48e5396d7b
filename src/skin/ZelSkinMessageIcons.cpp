#include "skin/ZelSkinMessageIcons.h"

#include <cmath>
#include <functional>
#include <vector>

using platform::MessageIcon;

namespace {

// The shapes are laid out on a 32-unit square and scaled to the icon's size.
constexpr float kDesign = 32.0f;
// Samples per pixel along each axis: the edges are anti-aliased by coverage.
constexpr int kSamples = 4;

using Shape = std::function<bool(float x, float y)>;

struct Point {
    float x, y;
};

float SegmentDistance(Point p, Point a, Point b) {
    const float dx = b.x - a.x, dy = b.y - a.y;
    const float len2 = dx * dx + dy * dy;
    float t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0.0f;
    t = std::fmax(0.0f, std::fmin(1.0f, t));
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

Shape Disc(Point c, float r) {
    return [c, r](float x, float y) { return std::hypot(x - c.x, y - c.y) <= r; };
}

// A line through the points, `width` wide with round ends and joints.
Shape Stroke(std::vector<Point> points, float width) {
    return [points = std::move(points), half = width / 2](float x, float y) {
        for (size_t i = 0; i + 1 < points.size(); ++i)
            if (SegmentDistance({x, y}, points[i], points[i + 1]) <= half) return true;
        return false;
    };
}

// The triangle grown by `round` on every side, which rounds its corners.
Shape RoundedTriangle(Point a, Point b, Point c, float round) {
    return [=](float x, float y) {
        auto side = [x, y](Point p, Point q) {
            return (q.x - p.x) * (y - p.y) - (q.y - p.y) * (x - p.x);
        };
        const float s1 = side(a, b), s2 = side(b, c), s3 = side(c, a);
        const bool inside = (s1 >= 0 && s2 >= 0 && s3 >= 0) || (s1 <= 0 && s2 <= 0 && s3 <= 0);
        return inside || SegmentDistance({x, y}, a, b) <= round ||
               SegmentDistance({x, y}, b, c) <= round || SegmentDistance({x, y}, c, a) <= round;
    };
}

Shape Either(Shape first, Shape second) {
    return [first = std::move(first), second = std::move(second)](float x, float y) {
        return first(x, y) || second(x, y);
    };
}

// The shape blended in `color`, each pixel by the share of its samples inside.
void Fill(TZelPainter& painter, int left, int top, int size, const Shape& shape, TColor32 color) {
    const float scale = kDesign / float(size);
    for (int py = 0; py < size; ++py)
        for (int px = 0; px < size; ++px) {
            int inside = 0;
            for (int sy = 0; sy < kSamples; ++sy)
                for (int sx = 0; sx < kSamples; ++sx)
                    inside += shape((float(px) + (float(sx) + 0.5f) / kSamples) * scale,
                                    (float(py) + (float(sy) + 0.5f) / kSamples) * scale);
            if (inside == 0) continue;
            const int alpha = AlphaOf(color) * inside / (kSamples * kSamples);
            painter.BlendPixelAt(left + px, top + py, WithAlpha(color, uint8_t(alpha)));
        }
}

// A question mark's hook: an arc over the top bending down into the stem.
std::vector<Point> QuestionHook() {
    std::vector<Point> points;
    constexpr float kPi = 3.14159265f;
    for (int degrees = 165; degrees >= -45; degrees -= 15) {
        const float a = float(degrees) * kPi / 180.0f;
        points.push_back({16.0f + 5.0f * std::cos(a), 12.0f - 5.0f * std::sin(a)});
    }
    points.push_back({16.0f, 18.0f});
    points.push_back({16.0f, 19.5f});
    return points;
}

} // namespace

TColor32 MessageIconShapeColor(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Error:
        return Color32(218, 38, 38);
    case MessageIcon::Warning:
        return Color32(250, 182, 20);
    case MessageIcon::Information:
    case MessageIcon::Question:
        break;
    }
    // The title bar's blue.
    return Color32(0, 130, 189);
}

TColor32 MessageIconSignColor(MessageIcon icon) {
    return icon == MessageIcon::Warning ? Color32(48, 40, 24) : Color32(255, 255, 255);
}

void DrawMessageIcon(TZelPainter& painter, int x, int y, int size, MessageIcon icon) {
    if (size <= 0) return;
    const Point centre{16.0f, 16.0f};
    Shape shape = Disc(centre, 15.0f);
    Shape sign;
    switch (icon) {
    case MessageIcon::Error:
        sign = Either(Stroke({{10.5f, 10.5f}, {21.5f, 21.5f}}, 3.6f),
                      Stroke({{21.5f, 10.5f}, {10.5f, 21.5f}}, 3.6f));
        break;
    case MessageIcon::Warning:
        shape = RoundedTriangle({16.0f, 2.5f}, {30.0f, 28.5f}, {2.0f, 28.5f}, 1.5f);
        sign = Either(Stroke({{16.0f, 11.0f}, {16.0f, 19.5f}}, 3.4f), Disc({16.0f, 24.3f}, 1.9f));
        break;
    case MessageIcon::Information:
        sign = Either(Disc({16.0f, 9.0f}, 2.2f), Stroke({{16.0f, 14.0f}, {16.0f, 24.0f}}, 3.6f));
        break;
    case MessageIcon::Question:
        sign = Either(Stroke(QuestionHook(), 3.4f), Disc({16.0f, 24.3f}, 2.0f));
        break;
    }
    Fill(painter, x, y, size, shape, MessageIconShapeColor(icon));
    Fill(painter, x, y, size, sign, MessageIconSignColor(icon));
}
