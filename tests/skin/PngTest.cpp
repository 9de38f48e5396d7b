#include "skin/ZelSkinPng.h"

#include "TestSupport.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstring>

namespace {

// A 2 × 1 PNG of the given colour type; pixel 0 is the colour (10, 20, 30)
// (or grey 10), pixel 1 is (200, 100, 50) (or grey 200); alpha channels
// hold 0 and 128; with `trns` the colour of pixel 0 is marked transparent.
void WritePng(const std::string& path, int colorType, bool trns) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_IHDR(png, info, 2, 1, 8, colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (trns) {
        png_color_16 c{};
        c.red = 10;
        c.green = 20;
        c.blue = 30;
        c.gray = 10;
        png_set_tRNS(png, info, nullptr, 0, &c);
    }
    png_write_info(png, info);
    std::vector<png_byte> row;
    switch (colorType) {
    case PNG_COLOR_TYPE_RGB:
        row = {10, 20, 30, 200, 100, 50};
        break;
    case PNG_COLOR_TYPE_RGB_ALPHA:
        row = {10, 20, 30, 0, 200, 100, 50, 128};
        break;
    case PNG_COLOR_TYPE_GRAY:
        row = {10, 200};
        break;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        row = {10, 0, 200, 128};
        break;
    }
    png_write_row(png, row.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
}

struct PngCase {
    const char* name;
    int colorType;
    bool trns;
    TDrawMode mode;
    TColor32 pixel0, pixel1;
};
void PrintTo(const PngCase& c, std::ostream* os) {
    *os << c.name;
}

class PngTransparency : public ::testing::TestWithParam<PngCase> {};

TEST_P(PngTransparency, BecomesAlphaAndDrawMode) {
    testsupport::TempDir dir;
    const std::string path = dir / "picture.png";
    WritePng(path, GetParam().colorType, GetParam().trns);
    TZelSkinImage img;
    std::string error;
    ASSERT_TRUE(LoadPngFromFile(path, img, &error)) << error;
    ASSERT_EQ(img.Width(), 2);
    EXPECT_EQ(img.DrawMode(), GetParam().mode);
    EXPECT_EQ(img.Pixel(0, 0), GetParam().pixel0) << std::hex << img.Pixel(0, 0);
    EXPECT_EQ(img.Pixel(1, 0), GetParam().pixel1) << std::hex << img.Pixel(1, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PngTransparency,
    ::testing::Values(PngCase{"rgb_opaque", PNG_COLOR_TYPE_RGB, false, dmOpaque,
                              Color32(10, 20, 30), Color32(200, 100, 50)},
                      PngCase{"rgb_transparent_colour", PNG_COLOR_TYPE_RGB, true, dmBlend,
                              Color32(10, 20, 30, 0), Color32(200, 100, 50)},
                      PngCase{"rgba", PNG_COLOR_TYPE_RGB_ALPHA, false, dmBlend,
                              Color32(10, 20, 30, 0), Color32(200, 100, 50, 128)},
                      PngCase{"grey_opaque", PNG_COLOR_TYPE_GRAY, false, dmOpaque,
                              Color32(10, 10, 10), Color32(200, 200, 200)},
                      PngCase{"grey_alpha", PNG_COLOR_TYPE_GRAY_ALPHA, false, dmBlend,
                              Color32(10, 10, 10, 0), Color32(200, 200, 200, 128)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Png, WriteAndReadBackKeepsEveryPixel) {
    testsupport::TempDir dir;
    TZelSkinImage img(3, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            img.SetPixel(x, y, Color32(uint8_t(x * 80), uint8_t(y * 90), 7, uint8_t(40 + x * 100)));
    ASSERT_TRUE(SavePngToFile(img, dir / "out.png"));
    TZelSkinImage back;
    ASSERT_TRUE(LoadPngFromFile(dir / "out.png", back));
    EXPECT_EQ(back.Width(), 3);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(back.Pixel(x, y), img.Pixel(x, y)) << x << "," << y;
}

TEST(Png, UnreadableInputsFailWithoutTouchingTheImage) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir / "bad.png", "\x89PNG\r\n\x1a\nnot really");
    TZelSkinImage img(1, 1, 42);
    std::string error;
    EXPECT_FALSE(LoadPngFromFile(dir / "bad.png", img, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(LoadPngFromFile(dir / "missing.png", img));
    EXPECT_EQ(img.Pixel(0, 0), 42u);
}

} // namespace
