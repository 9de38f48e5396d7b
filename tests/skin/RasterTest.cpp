#include "skin/ZelSkinImage.h"

#include <gtest/gtest.h>

namespace {

struct BlendCase {
    const char* name;
    TColor32 dst, src;
    TColor32 expected;
};
void PrintTo(const BlendCase& c, std::ostream* os) {
    *os << c.name;
}

class Blend : public ::testing::TestWithParam<BlendCase> {};

TEST_P(Blend, SourceOverWithoutPremultiplication) {
    EXPECT_EQ(BlendPixel(GetParam().dst, GetParam().src), GetParam().expected)
        << std::hex << BlendPixel(GetParam().dst, GetParam().src);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Blend,
    ::testing::Values(BlendCase{"transparent_source_keeps_destination", Color32(1, 2, 3),
                                Color32(255, 255, 255, 0), Color32(1, 2, 3)},
                      BlendCase{"opaque_source_replaces", Color32(1, 2, 3), Color32(9, 8, 7),
                                Color32(9, 8, 7)},
                      // 255·128/255 = 128; a premultiplied reading of the source would give 255.
                      BlendCase{"half_red_over_black", Color32(0, 0, 0), Color32(255, 0, 0, 128),
                                Color32(128, 0, 0)},
                      // R 200·128/255 = 100.4, G 50.2, B (50·128 + 255·127)/255 = 152.1
                      BlendCase{"half_over_blue", Color32(0, 0, 255), Color32(200, 100, 50, 128),
                                Color32(100, 50, 152)},
                      BlendCase{"over_nothing_is_the_source", Color32(0, 0, 0, 0),
                                Color32(255, 10, 20, 128), Color32(255, 10, 20, 128)},
                      // alpha 128 + 128·127/255 = 191.75; red 255·128/191.75 = 170.2; blue
                      // 255·63.75/191.75 = 84.8
                      BlendCase{"half_over_half", Color32(0, 0, 255, 128), Color32(255, 0, 0, 128),
                                Color32(170, 0, 85, 192)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Blend, MasterAlphaScalesTheSource) {
    EXPECT_EQ(BlendPixel(Color32(0, 0, 0), Color32(255, 255, 255), 128), Color32(128, 128, 128));
    EXPECT_EQ(BlendPixel(Color32(0, 0, 0), Color32(255, 255, 255, 128), 128), Color32(64, 64, 64));
}

TEST(Colors, RedInTheLowByteAndSystemColours) {
    EXPECT_EQ(Color32(TColor(0x123456)), Color32(0x56, 0x34, 0x12));
    EXPECT_EQ(Color32(TColor(12419072)), Color32(0, 128, 189)); // the main window's title colour
    EXPECT_EQ(Color32(clTeal, 10), Color32(0, 128, 128, 10));
    EXPECT_EQ(Color32(clBtnFace), Color32(240, 240, 240));
    EXPECT_EQ(ColorToRGB(clScrollBar), TColor(0xC8C8C8));
    EXPECT_EQ(ColorToRGB(clWindowText), clBlack);
    EXPECT_EQ(ColorToRGB(clWindow), clWhite);
    EXPECT_EQ(ColorToRGB(SystemColor(200)), clBlack);
    EXPECT_EQ(ColorToRGB(clRed), clRed);
    EXPECT_EQ(Color32ToColor(Color32(1, 2, 3, 4)), TColor(0x030201));
}

// One pixel column, so that row r holds the gradient's value r.
std::vector<int> RedColumn(const TZelSkinImage& img) {
    std::vector<int> v;
    for (int y = 0; y < img.Height(); ++y)
        v.push_back(RedOf(img.Pixel(0, y)));
    return v;
}

TEST(Gradient, RowROfNIsStartPlusDifferenceTimesRDivN) {
    TZelSkinImage img(1, 4);
    TZelPainter(img).GradientVertical(img.BoundsRect(), Color32(0, 0, 0), Color32(255, 0, 0));
    // The last row stops one step short of the end colour.
    EXPECT_EQ(RedColumn(img), (std::vector<int>{0, 63, 127, 191}));

    TZelSkinImage down(1, 3);
    TZelPainter(down).GradientVertical(down.BoundsRect(), Color32(200, 0, 0), Color32(0, 0, 0));
    // −200·1 ÷ 3 truncates to −66 (not −67).
    EXPECT_EQ(RedColumn(down), (std::vector<int>{200, 134, 67}));
}

TEST(Gradient, ClippedRowsKeepTheirPlaceInTheRectangle) {
    TZelSkinImage img(1, 2);
    TZelPainter(img).GradientVertical(TRect{0, -2, 1, 2}, Color32(0, 0, 0), Color32(255, 0, 0));
    EXPECT_EQ(RedColumn(img), (std::vector<int>{127, 191}));
}

TEST(Gradient, HorizontalRunsAlongColumns) {
    TZelSkinImage img(4, 1);
    TZelPainter(img).GradientHorizontal(img.BoundsRect(), Color32(0, 0, 0), Color32(0, 0, 255));
    EXPECT_EQ(BlueOf(img.Pixel(3, 0)), 191);
    EXPECT_EQ(AlphaOf(img.Pixel(3, 0)), 255);
}

TEST(FillGradient, FixedPointStepAndArithmeticShift) {
    // step = round(2²⁴ ÷ 3) = 5592405: 5592405·255 >> 24 = 84 (r÷n would give 85);
    // 2·5592405·255 exceeds 32 bits.
    TZelSkinImage up(3, 1);
    TZelPainter(up).FillGradient(up.BoundsRect(), Color32(0, 0, 0), Color32(255, 255, 255), true);
    EXPECT_EQ(RedOf(up.Pixel(0, 0)), 0);
    EXPECT_EQ(RedOf(up.Pixel(1, 0)), 84);
    EXPECT_EQ(RedOf(up.Pixel(2, 0)), 169);
    // Downwards the shift floors: 255 − 85, 255 − 170.
    TZelSkinImage down(1, 3);
    TZelPainter(down).FillGradient(down.BoundsRect(), Color32(255, 0, 0), Color32(0, 0, 0), false);
    EXPECT_EQ(RedColumn(down), (std::vector<int>{255, 170, 85}));
}

TEST(Draw, OpaqueCopiesAlphaBlendComposites) {
    TZelSkinImage src(2, 1);
    src.SetPixel(0, 0, Color32(255, 0, 0, 0));
    src.SetPixel(1, 0, Color32(255, 0, 0, 128));
    TZelSkinImage dst(2, 1, Color32(0, 0, 0));
    src.SetDrawMode(dmOpaque);
    src.DrawTo(dst, 0, 0);
    EXPECT_EQ(dst.Pixel(0, 0), Color32(255, 0, 0, 0));
    EXPECT_EQ(dst.Pixel(1, 0), Color32(255, 0, 0, 128));

    dst.Clear(Color32(0, 0, 0));
    src.SetDrawMode(dmBlend);
    src.DrawTo(dst, 0, 0);
    EXPECT_EQ(dst.Pixel(0, 0), Color32(0, 0, 0));
    EXPECT_EQ(dst.Pixel(1, 0), Color32(128, 0, 0));
}

TEST(Painter, TranslationAndClip) {
    TZelSkinImage img(10, 10);
    TZelPainter p(img);
    p.Translate(2, 3);
    p.IntersectClip(TRect{0, 0, 4, 2}); // target (2, 3)–(6, 5)
    p.Save();
    p.IntersectClip(TRect{1, 0, 2, 1});
    EXPECT_EQ(p.ClipRect(), (TRect{1, 0, 2, 1}));
    p.Restore();
    p.FillRect(TRect{-5, -5, 50, 50}, Color32(1, 1, 1));
    int count = 0;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            if (img.Pixel(x, y)) {
                ++count;
                EXPECT_TRUE((TRect{2, 3, 6, 5}).Contains(x, y)) << x << "," << y;
            }
    EXPECT_EQ(count, 8);
}

TEST(Painter, DrawKeepsSourcePlacementWhenCut) {
    TZelSkinImage src(3, 1);
    for (int x = 0; x < 3; ++x)
        src.SetPixel(x, 0, Color32(uint8_t(x + 1), 0, 0));
    TZelSkinImage dst(3, 1);
    TZelPainter(dst).Draw(-1, 0, src); // the first column falls off the left
    EXPECT_EQ(RedOf(dst.Pixel(0, 0)), 2);
    EXPECT_EQ(RedOf(dst.Pixel(1, 0)), 3);
    EXPECT_EQ(dst.Pixel(2, 0), 0u);
}

TEST(Painter, StretchIsNearestNeighbourAndClipDoesNotShiftIt) {
    TZelSkinImage src(2, 1);
    src.SetPixel(0, 0, Color32(10, 0, 0));
    src.SetPixel(1, 0, Color32(20, 0, 0));
    TZelSkinImage wide(4, 1);
    TZelPainter(wide).StretchDraw(wide.BoundsRect(), src);
    std::vector<int> got;
    for (int x = 0; x < 4; ++x)
        got.push_back(RedOf(wide.Pixel(x, 0)));
    EXPECT_EQ(got, (std::vector<int>{10, 10, 20, 20}));

    TZelSkinImage clipped(4, 1);
    TZelPainter p(clipped);
    p.IntersectClip(TRect{1, 0, 4, 1});
    p.StretchDraw(clipped.BoundsRect(), src);
    EXPECT_EQ(clipped.Pixel(0, 0), 0u);
    for (int x = 1; x < 4; ++x)
        EXPECT_EQ(clipped.Pixel(x, 0), wide.Pixel(x, 0));

    TZelSkinImage three(3, 1);
    for (int x = 0; x < 3; ++x)
        three.SetPixel(x, 0, Color32(uint8_t(x), 0, 0));
    TZelSkinImage one(1, 1);
    TZelPainter(one).StretchDraw(one.BoundsRect(), three);
    EXPECT_EQ(RedOf(one.Pixel(0, 0)), 1); // the middle, not an edge
}

TEST(Painter, LinesLeaveOutTheLastPoint) {
    TZelSkinImage img(5, 5);
    TZelPainter p(img);
    p.Line(0, 0, 4, 0, Color32(255, 0, 0), dmOpaque);
    EXPECT_NE(img.Pixel(3, 0), 0u);
    EXPECT_EQ(img.Pixel(4, 0), 0u);
    p.Line(0, 1, 3, 4, Color32(0, 255, 0), dmOpaque);
    EXPECT_NE(img.Pixel(2, 3), 0u);
    EXPECT_EQ(img.Pixel(3, 4), 0u);
    img.Clear();
    p.FrameRect(TRect{1, 1, 4, 4}, Color32(0, 0, 255), dmOpaque);
    EXPECT_NE(img.Pixel(3, 3), 0u);
    EXPECT_EQ(img.Pixel(2, 2), 0u);
    EXPECT_EQ(img.Pixel(4, 4), 0u);
}

TEST(Painter, SmoothShapesCoverEdgesPartly) {
    TZelSkinImage img(20, 12, Color32(0, 0, 0));
    TZelPainter p(img);
    p.Translate(2, 1);
    p.FillRoundRectSmooth(TRect{0, 0, 16, 10}, 4, 4, Color32(255, 255, 255, 128));
    EXPECT_EQ(img.Pixel(10, 6), Color32(128, 128, 128)); // inside: the colour at its alpha
    EXPECT_EQ(img.Pixel(1, 6), Color32(0, 0, 0));       // left of it: untouched
    EXPECT_EQ(img.Pixel(2, 1), Color32(0, 0, 0));       // the rounded-off corner
    const int corner = RedOf(img.Pixel(3, 2));          // on the arc: partly covered
    EXPECT_GT(corner, 0);
    EXPECT_LT(corner, 128);

    TZelSkinImage line(12, 5, Color32(0, 0, 0));
    TZelPainter(line).StrokeSmooth(2, 2, 9, 2, 3, Color32(255, 255, 255));
    EXPECT_EQ(line.Pixel(5, 2), Color32(255, 255, 255));
    EXPECT_EQ(line.Pixel(5, 0), Color32(0, 0, 0));
    EXPECT_GT(RedOf(line.Pixel(10, 2)), 0); // the round end reaches past the end point
    EXPECT_EQ(line.Pixel(11, 2), Color32(0, 0, 0));
}

TEST(BoxBlur, MeanOfTheWindowInsideTheImage) {
    TZelSkinImage img(5, 1, Color32(0, 0, 0));
    img.SetPixel(2, 0, Color32(255, 255, 255, 7));
    BoxBlur(img, 1, 1, 0);
    std::vector<int> got;
    for (int x = 0; x < 5; ++x)
        got.push_back(RedOf(img.Pixel(x, 0)));
    EXPECT_EQ(got, (std::vector<int>{0, 85, 85, 85, 0}));
    EXPECT_EQ(AlphaOf(img.Pixel(2, 0)), 7); // alpha is left alone

    // At the edge only the pixels inside count: (255 + 0) ÷ 2.
    TZelSkinImage edge(3, 1, Color32(0, 0, 0));
    edge.SetPixel(0, 0, Color32(255, 0, 0));
    BoxBlur(edge, 1, 1, 0);
    EXPECT_EQ(RedOf(edge.Pixel(0, 0)), 127);
    EXPECT_EQ(RedOf(edge.Pixel(1, 0)), 85);

    TZelSkinImage column(1, 3, Color32(0, 0, 0));
    column.SetPixel(0, 1, Color32(0, 0, 255));
    BoxBlur(column, 1, 0, 1);
    EXPECT_EQ(BlueOf(column.Pixel(0, 0)), 127);
}

TEST(PixelBlock, LittleEndianHeaderAndBgraPixels) {
    TZelSkinImage img(2, 1);
    img.SetPixel(0, 0, 0x11223344u);
    img.SetPixel(1, 0, Color32(1, 2, 3, 4));
    const std::string block = img.SaveToData();
    EXPECT_EQ(block, std::string("\x02\0\0\0\x01\0\0\0\x44\x33\x22\x11\x03\x02\x01\x04", 16));
    TZelSkinImage back;
    ASSERT_TRUE(back.LoadFromData(block.data(), block.size()));
    EXPECT_EQ(back.Pixel(0, 0), 0x11223344u);
    EXPECT_EQ(back.Pixel(1, 0), Color32(1, 2, 3, 4));
    EXPECT_FALSE(back.LoadFromData(block.data(), block.size() - 1));
    EXPECT_FALSE(back.LoadFromData(std::string("\xFF\xFF\xFF\xFF\x01\0\0\0", 8).data(), 8));
}

} // namespace
