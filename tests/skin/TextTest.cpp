#include "skin/ZelSkinText.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

const TColor32 kPaper = Color32(255, 255, 255);

TZelSkinImage Render(const TZelFont& font, const std::string& text, const TRect& rect,
                     TTextFormat format, int w = 240, int h = 80) {
    TZelSkinImage img(w, h, kPaper);
    TZelPainter p(img);
    DrawText(p, font, text, rect, format);
    return img;
}

// Bounds of the pixels that are not paper; empty when there are none.
TRect Ink(const TZelSkinImage& img) {
    TRect r{img.Width(), img.Height(), 0, 0};
    for (int y = 0; y < img.Height(); ++y)
        for (int x = 0; x < img.Width(); ++x)
            if (img.Pixel(x, y) != kPaper) {
                r.Left = std::min(r.Left, x);
                r.Top = std::min(r.Top, y);
                r.Right = std::max(r.Right, x + 1);
                r.Bottom = std::max(r.Bottom, y + 1);
            }
    return r.IsEmpty() ? TRect{} : r;
}

TZelFont Latin() {
    return TZelFont("Tahoma", 11, clBlack);
}
TZelFont Song(int px = 12, TFontStyles style = 0) {
    return TZelFont("宋体", px, clBlack, style);
}

TEST(Fonts, ChineseFamilyResolvesToAFaceWithChineseGlyphs) {
    EXPECT_FALSE(ResolveFontFace(Song()).Family.empty());

    const TRect r{0, 0, 60, 30};
    const TZelSkinImage fa = Render(Song(14), "发", r, tfSingleLine);
    const TZelSkinImage xian = Render(Song(14), "现", r, tfSingleLine);
    const TZelSkinImage missing = Render(Song(14), "\xF4\x8F\xBF\xBD", r, tfSingleLine); // U+10FFFD
    EXPECT_FALSE(Ink(fa).IsEmpty());
    EXPECT_FALSE(Ink(xian).IsEmpty());
    // Empty boxes would all look alike.
    EXPECT_NE(fa, xian);
    EXPECT_NE(fa, missing);
    EXPECT_NE(xian, missing);
}

TEST(Fonts, ChineseTextInALatinFontFallsBack) {
    const TRect r{0, 0, 60, 30};
    const TZelSkinImage fa = Render(Latin(), "发", r, tfSingleLine);
    const TZelSkinImage xian = Render(Latin(), "现", r, tfSingleLine);
    EXPECT_FALSE(Ink(fa).IsEmpty());
    EXPECT_NE(fa, xian);
}

// Whether the face itself is bold, or the engine thickens its strokes.
TEST(Fonts, BoldIsSyntheticOnlyWhereTheFamilyHasNoBoldFace) {
    EXPECT_TRUE(ResolveFontFace(Song(12, fsBold)).SyntheticBold);
    EXPECT_FALSE(ResolveFontFace(Song(12)).SyntheticBold);
    EXPECT_FALSE(ResolveFontFace(TZelFont("Tahoma", 11, clBlack, fsBold)).SyntheticBold);
}

// Grey edges with anti-aliasing, only ink and paper without.
TEST(Fonts, QualityDecidesAntialiasing) {
    const struct {
        TFontQuality quality;
        bool grey;
    } cases[] = {{fqAntialiased, true}, {fqNonAntialiased, false}};
    for (const auto& c : cases) {
        TZelFont font("Tahoma", 20, clBlack);
        font.SetQuality(c.quality);
        const TZelSkinImage img = Render(font, "Update & Progress", {0, 0, 240, 40}, tfNoPrefix);
        int ink = 0, grey = 0;
        for (int y = 0; y < img.Height(); ++y)
            for (int x = 0; x < img.Width(); ++x) {
                const TColor32 p = img.Pixel(x, y);
                if (p == kPaper) continue;
                ++ink;
                grey += p != Color32(0, 0, 0);
            }
        EXPECT_GT(ink, 100) << c.quality;
        EXPECT_EQ(grey > 0, c.grey) << c.quality << ": " << grey << " grey of " << ink;
    }
}

TEST(Fonts, BoldIsWider) {
    EXPECT_GT(TextWidth(Song(12, fsBold), "开始更新 Update"),
              TextWidth(Song(12), "开始更新 Update") - 1);
    EXPECT_NE(Render(Song(12, fsBold), "更新", {0, 0, 100, 30}, 0),
              Render(Song(12), "更新", {0, 0, 100, 30}, 0));
}

struct MeasureCase {
    const char* name;
    TZelFont font;
    const char* text;
    // Chinese below 12 pixels: Wine's stand-in face has no bitmaps there and
    // is drawn without anti-aliasing, losing strokes at the glyphs' edges.
    bool thinUnderWine = false;
};
void PrintTo(const MeasureCase& c, std::ostream* os) {
    *os << c.name;
}

class Measure : public ::testing::TestWithParam<MeasureCase> {};

TEST_P(Measure, DrawnInkLiesInsideTheMeasuredBox) {
    const auto& c = GetParam();
    const TSize extent = TextExtent(c.font, c.text);
    const TRect calc =
        MeasureText(c.font, c.text, TRect{10, 10, 10, 10}, tfSingleLine | tfNoPrefix);
    EXPECT_EQ(calc, TRect::Bounds(10, 10, extent.cx, extent.cy));
    EXPECT_EQ(extent.cy, GetFontMetrics(c.font).Height);

    const TZelSkinImage img = Render(c.font, c.text, TRect{10, 10, 400, 60},
                                     tfSingleLine | tfNoPrefix | tfNoClip, 420, 80);
    const TRect ink = Ink(img);
    ASSERT_FALSE(ink.IsEmpty());
    // One pixel of overhang at the sides is allowed, as with the platform's fonts.
    EXPECT_GE(ink.Left, calc.Left - 1);
    EXPECT_LE(ink.Right, calc.Right + 1);
    EXPECT_GE(ink.Top, calc.Top);
    EXPECT_LE(ink.Bottom, calc.Bottom);
    // And the box is not much larger than the ink.
    if (!(c.thinUnderWine && testsupport::RunningUnderWine())) {
        EXPECT_LE(calc.Right - ink.Right, 3);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Measure,
    ::testing::Values(MeasureCase{"latin", Latin(), "Downloaded 1024 KB"},
                      MeasureCase{"song12", Song(12), "发现新的升级文件"},
                      MeasureCase{"song14_bold", Song(14, fsBold), "正在检查更新"},
                      MeasureCase{"mixed", Song(12), "7×24h无人值守"},
                      MeasureCase{"tahoma_chinese", Latin(), "开始更新", true}),
    [](const auto& info) { return std::string(info.param.name); });

// Alignment is a shift of the left-aligned drawing.
TEST(Layout, AlignmentShiftsTheLine) {
    const TZelFont font = Song();
    const std::string text = "升级 Update";
    const int tw = TextWidth(font, text), lh = GetFontMetrics(font).Height;
    const TRect box{0, 0, 200, 50};
    const struct {
        TTextFormat format;
        int dx, dy;
    } cases[] = {
        {tfRight | tfSingleLine, 200 - tw, 0},
        {tfCenter | tfSingleLine, (200 - tw) / 2, 0},
        {tfVerticalCenter | tfSingleLine, 0, (50 - lh) / 2},
        {tfBottom | tfSingleLine, 0, 50 - lh},
        {tfBottom, 0, 0}, // bottom and centre need a single line
        {tfCenter | tfVerticalCenter | tfSingleLine, (200 - tw) / 2, (50 - lh) / 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Render(font, text, box, c.format),
                  Render(font, text, box.Offset(c.dx, c.dy), tfSingleLine))
            << std::hex << c.format;
    }
}

struct EllipsisCase {
    const char* name;
    const char* text;
    TTextFormat format;
    const char* fitting;  // the rectangle is exactly as wide as this text
    const char* expected; // and this is what shows
};
void PrintTo(const EllipsisCase& c, std::ostream* os) {
    *os << c.name;
}

class Ellipsis : public ::testing::TestWithParam<EllipsisCase> {};

TEST_P(Ellipsis, ShortensToTheExpectedText) {
    const auto& c = GetParam();
    const TZelFont font = Latin();
    const TRect box{0, 0, TextWidth(font, c.fitting), 20};
    const TZelSkinImage got = Render(font, c.text, box, c.format | tfSingleLine | tfNoPrefix);
    const TZelSkinImage want = Render(font, c.expected, box, tfSingleLine | tfNoPrefix);
    EXPECT_EQ(got, want);
    EXPECT_EQ(MeasureText(font, c.text, box, c.format | tfSingleLine | tfNoPrefix).Width(),
              TextWidth(font, c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Ellipsis,
    ::testing::Values(EllipsisCase{"end", "abcdefghij", tfEndEllipsis, "abcd...", "abcd..."},
                      EllipsisCase{"end_fits_untouched", "abcd", tfEndEllipsis, "abcd", "abcd"},
                      EllipsisCase{"path_keeps_file_name", "C:\\folder\\sub\\file.txt",
                                   tfPathEllipsis, "C:\\fo...\\file.txt", "C:\\fo...\\file.txt"},
                      EllipsisCase{"path_without_room_for_the_head", "C:\\folder\\file.txt",
                                   tfPathEllipsis, "...\\file.txt", "...\\file.txt"},
                      EllipsisCase{"path_without_separator_is_end", "abcdefghij", tfPathEllipsis,
                                   "abcd...", "abcd..."},
                      EllipsisCase{"word_cuts_at_a_word", "alpha beta gamma", tfWordEllipsis,
                                   "alpha beta ga...", "alpha beta..."},
                      EllipsisCase{"end_cuts_inside_the_word", "alpha beta gamma", tfEndEllipsis,
                                   "alpha beta ga...", "alpha beta ga..."},
                      EllipsisCase{"word_with_one_long_word_cuts_it", "abcdefghij", tfWordEllipsis,
                                   "abcd...", "abcd..."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Layout, WordBreakGivesTheSameLinesAsExplicitBreaks) {
    const TZelFont font = Latin();
    const struct {
        const char* text;
        const char* fitting;
        const char* lines;
    } cases[] = {
        {"alpha beta gamma", "alpha beta", "alpha beta\ngamma"},
        {"alpha beta gamma", "alpha", "alpha\nbeta\ngamma"},
        {"abcdefghijkl mn", "abc", "abcdefghijkl\nmn"}, // a long word stays whole
        {"one\ntwo three", "two three", "one\ntwo three"},
    };
    for (const auto& c : cases) {
        const TRect box{0, 0, TextWidth(font, c.fitting), 70};
        EXPECT_EQ(Render(font, c.text, box, tfWordBreak | tfNoClip),
                  Render(font, c.lines, box, tfNoClip))
            << c.text << " / " << c.fitting;
    }
    const TZelFont song = Song();
    const TRect box{0, 0, TextWidth(song, "发现新的"), 70};
    EXPECT_EQ(Render(song, "发现新的升级文件", box, tfWordBreak),
              Render(song, "发现新的\n升级文件", box, 0));
    EXPECT_EQ(MeasureText(song, "发现新的升级文件", box, tfWordBreak).Height(),
              2 * GetFontMetrics(song).Height);
    EXPECT_EQ(MeasureText(song, "发现新的升级文件", box, tfWordBreak).Width(), box.Width());
}

TEST(Layout, LineBreaksAndSingleLine) {
    const TZelFont font = Latin();
    const int lh = GetFontMetrics(font).Height;
    EXPECT_EQ(MeasureText(font, "a\r\nb\rc\nd", {0, 0, 100, 100}, 0).Height(), 4 * lh);
    EXPECT_EQ(MeasureText(font, "a\r\nb", {0, 0, 100, 100}, tfSingleLine).Height(), lh);
    EXPECT_EQ(MeasureText(font, "a\r\nb", {0, 0, 100, 100}, tfSingleLine).Width(),
              TextWidth(font, "ab"));
}

TEST(Layout, PrefixMarksUnderlineTheNextCharacter) {
    const TZelFont font = Latin();
    const TRect box{0, 0, 100, 20};
    EXPECT_EQ(Render(font, "a&&b", box, tfSingleLine),
              Render(font, "a&b", box, tfSingleLine | tfNoPrefix));
    EXPECT_EQ(Render(font, "&File", box, tfSingleLine | tfHidePrefix),
              Render(font, "File", box, tfSingleLine));
    const TZelSkinImage marked = Render(font, "&File", box, tfSingleLine);
    const TZelSkinImage plain = Render(font, "File", box, tfSingleLine);
    ASSERT_NE(marked, plain);
    // Only under the baseline, and only under the "F".
    const int ascent = GetFontMetrics(font).Ascent;
    const int fWidth = TextWidth(font, "F");
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 100; ++x)
            if (marked.Pixel(x, y) != plain.Pixel(x, y)) {
                EXPECT_GE(y, ascent);
                EXPECT_LT(x, fWidth);
            }
}

TEST(Layout, TextIsClippedToTheRectangleUnlessNoClip) {
    const TZelFont font = Song();
    const TRect box{5, 5, 30, 12};
    const TRect clipped = Ink(Render(font, "发现新的升级文件", box, 0));
    ASSERT_FALSE(clipped.IsEmpty());
    EXPECT_EQ(clipped.Intersect(box), clipped);
    const TRect free = Ink(Render(font, "发现新的升级文件", box, tfNoClip));
    EXPECT_GT(free.Right, box.Right);
}

TEST(Layout, RepaintingTakesGlyphsFromTheCache) {
    const TZelFont font = Song(13);
    Render(font, "缓存测试 cache", {0, 0, 200, 30}, 0);
    const int before = RenderedGlyphCount();
    Render(font, "缓存测试 cache", {0, 0, 200, 30}, tfCenter);
    Render(font, "存缓 ache", {0, 0, 200, 30}, 0);
    EXPECT_EQ(RenderedGlyphCount(), before);
}

TEST(Glow, BlankTextLeavesTheCanvasAlone) {
    TZelSkinImage canvas(40, 20, Color32(0, 64, 128, 200));
    const TZelSkinImage before = canvas;
    TZelPainter p(canvas);
    DrawGlowText(p, Song(), {0, 0, 40, 20}, " \t ", 1, clWhite, 0);
    EXPECT_EQ(canvas, before);
}

TEST(Glow, PullsTheCanvasTowardsTheHaloAroundTheText) {
    const TColor32 ground = Color32(0, 64, 128, 200);
    TZelSkinImage canvas(80, 40, ground);
    TZelPainter p(canvas);
    const TRect box{10, 5, 70, 35};
    DrawGlowText(p, Song(14), box, "升级", 1, TColor(0xFEFFFF),
                 tfCenter | tfVerticalCenter | tfSingleLine);
    int lighter = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 80; ++x) {
            const TColor32 c = canvas.Pixel(x, y);
            EXPECT_EQ(AlphaOf(c), 200); // the canvas keeps its alpha
            if (!box.Contains(x, y)) {
                EXPECT_EQ(c, ground) << x << "," << y;
            }
            if (RedOf(c) > 0) ++lighter;
        }
    EXPECT_GT(lighter, 20);
    // Far from the text the mask is white: c + ((c − halo)·255 >> 8) gives c back here.
    EXPECT_EQ(canvas.Pixel(10, 5), ground);
}

} // namespace
