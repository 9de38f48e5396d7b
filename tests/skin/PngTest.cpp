#include "skin/ZelSkinPng.h"

#include "TestSupport.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>

namespace {

// PNG colour types.
enum : uint8_t { kGrey = 0, kRgb = 2, kPalette = 3, kGreyAlpha = 4, kRgba = 6 };

void Put32(std::string& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(char(v >> shift));
}

void Chunk(std::string& out, const char* type, const std::string& data) {
    Put32(out, uint32_t(data.size()));
    std::string body = std::string(type, 4) + data;
    out += body;
    Put32(out, uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()))));
}

// An 8-bit PNG file of one row, written here so that the codec under test
// does not check itself.
std::string PngFile(uint8_t colorType, const std::string& row, const std::string& plte = "",
                    const std::string& trns = "", uint32_t width = 0) {
    std::string out = "\x89PNG\r\n\x1a\n";
    std::string ihdr;
    const int channels[] = {1, 0, 3, 1, 2, 0, 4};
    Put32(ihdr, width ? width : uint32_t(row.size()) / uint32_t(channels[colorType]));
    Put32(ihdr, 1);
    ihdr += std::string{8, char(colorType), 0, 0, 0};
    Chunk(out, "IHDR", ihdr);
    if (!plte.empty()) Chunk(out, "PLTE", plte);
    if (!trns.empty()) Chunk(out, "tRNS", trns);
    const std::string raw = std::string(1, '\0') + row; // filter type none
    uLongf size = compressBound(uLong(raw.size()));
    std::string packed(size, '\0');
    compress(reinterpret_cast<Bytef*>(packed.data()), &size,
             reinterpret_cast<const Bytef*>(raw.data()), uLong(raw.size()));
    packed.resize(size);
    Chunk(out, "IDAT", packed);
    Chunk(out, "IEND", "");
    return out;
}

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values)
        s.push_back(char(v));
    return s;
}

// Pixel 0 is (10, 20, 30) or grey 10, pixel 1 is (200, 100, 50) or grey 200;
// alpha channels hold 0 and 128; a transparent colour is that of pixel 0.
struct PngCase {
    const char* name;
    std::string file;
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
    testsupport::WriteFile(path, GetParam().file);
    TZelSkinImage img;
    std::string error;
    ASSERT_TRUE(LoadPngFromFile(path, img, &error)) << error;
    ASSERT_EQ(img.Width(), 2);
    EXPECT_EQ(img.DrawMode(), GetParam().mode);
    EXPECT_EQ(img.Pixel(0, 0), GetParam().pixel0) << std::hex << img.Pixel(0, 0);
    EXPECT_EQ(img.Pixel(1, 0), GetParam().pixel1) << std::hex << img.Pixel(1, 0);
    // The same from memory.
    TZelSkinImage fromMemory;
    ASSERT_TRUE(LoadPngFromMemory(GetParam().file.data(), GetParam().file.size(), fromMemory));
    EXPECT_EQ(fromMemory, img);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PngTransparency,
    ::testing::Values(
        PngCase{"rgb_opaque", PngFile(kRgb, Bytes({10, 20, 30, 200, 100, 50})), dmOpaque,
                Color32(10, 20, 30), Color32(200, 100, 50)},
        PngCase{"rgb_transparent_colour",
                PngFile(kRgb, Bytes({10, 20, 30, 200, 100, 50}), "", Bytes({0, 10, 0, 20, 0, 30})),
                dmBlend, Color32(10, 20, 30, 0), Color32(200, 100, 50)},
        PngCase{"rgba", PngFile(kRgba, Bytes({10, 20, 30, 0, 200, 100, 50, 128})), dmBlend,
                Color32(10, 20, 30, 0), Color32(200, 100, 50, 128)},
        PngCase{"grey_opaque", PngFile(kGrey, Bytes({10, 200})), dmOpaque, Color32(10, 10, 10),
                Color32(200, 200, 200)},
        PngCase{"grey_transparent_colour", PngFile(kGrey, Bytes({10, 200}), "", Bytes({0, 10})),
                dmBlend, Color32(10, 10, 10, 0), Color32(200, 200, 200)},
        PngCase{"grey_alpha", PngFile(kGreyAlpha, Bytes({10, 0, 200, 128})), dmBlend,
                Color32(10, 10, 10, 0), Color32(200, 200, 200, 128)},
        PngCase{"palette_opaque",
                PngFile(kPalette, Bytes({1, 0}), Bytes({200, 100, 50, 10, 20, 30})), dmOpaque,
                Color32(10, 20, 30), Color32(200, 100, 50)},
        PngCase{
            "palette_with_alpha",
            PngFile(kPalette, Bytes({1, 0}), Bytes({200, 100, 50, 10, 20, 30}), Bytes({128, 0})),
            dmBlend, Color32(10, 20, 30, 0), Color32(200, 100, 50, 128)}),
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
    const struct {
        const char* name;
        std::string bytes; // none: no such file
        const char* error; // the text both codecs give, or any
    } cases[] = {
        {"damaged", "\x89PNG\r\n\x1a\nnot really", nullptr},
        {"not_png", "GIF89a", "not a PNG file"},
        {"too_large", PngFile(kGrey, Bytes({1, 2}), "", "", 0x4001), "image too large"},
        {"missing", "", nullptr},
    };
    for (const auto& c : cases) {
        const std::string path = dir / c.name;
        if (!c.bytes.empty()) testsupport::WriteFile(path, c.bytes);
        TZelSkinImage img(1, 1, 42);
        std::string error;
        EXPECT_FALSE(LoadPngFromFile(path, img, &error)) << c.name;
        EXPECT_FALSE(error.empty()) << c.name;
        if (c.error) {
            EXPECT_EQ(error, c.error) << c.name;
        }
        EXPECT_EQ(img.Width(), 1) << c.name;
        EXPECT_EQ(img.Pixel(0, 0), 42u) << c.name;
    }
}

TEST(Png, WritingFailsWithAReason) {
    testsupport::TempDir dir;
    std::string error;
    EXPECT_FALSE(SavePngToFile(TZelSkinImage(), dir / "empty.png", &error));
    EXPECT_EQ(error, "empty image");
    error.clear();
    EXPECT_FALSE(SavePngToFile(TZelSkinImage(2, 2), dir / "no/such/folder/out.png", &error));
    EXPECT_FALSE(error.empty());
}

} // namespace
