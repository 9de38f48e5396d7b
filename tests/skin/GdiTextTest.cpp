// The GDI engine against GDI itself: the advances the layout adds up are the
// widths GDI gives the whole string in the same font. (This file talks to
// the engine directly: <windows.h> and the toolkit's headers do not mix.)
#include "skin/text/FontEngine.h"

#include "platform/Text.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

using namespace skintext;

int GdiWidth(const TFontRequest& r, const std::string& text) {
    const std::u16string name = platform::Utf8ToUtf16(r.Name);
    const std::u16string wide = platform::Utf8ToUtf16(text);
    HFONT font =
        CreateFontW(-r.Pixels, 0, 0, 0, r.Bold ? FW_BOLD : FW_NORMAL, r.Italic, FALSE, FALSE,
                    DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                    DEFAULT_PITCH | FF_DONTCARE, reinterpret_cast<LPCWSTR>(name.c_str()));
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, reinterpret_cast<LPCWSTR>(wide.c_str()), int(wide.size()), &size);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(font);
    return int(size.cx);
}

TEST(GdiEngine, AdvancesAddUpToGdisWidthOfTheString) {
    const struct {
        const char* family;
        int pixels;
        bool bold, italic;
        const char* text; // characters the family itself has
    } cases[] = {
        {"Tahoma", 11, false, false, "Downloaded 1024 KB, 50% done"},
        {"Tahoma", 11, true, false, "Start the update"},
        {"Tahoma", 13, false, true, "Wide WWW and thin iii"},
        {"宋体", 12, false, false, "发现新的升级文件 v2.0"},
        {"宋体", 14, true, false, "正在检查更新"},
        {"Microsoft YaHei", 12, false, false, "开始更新"},
    };
    for (const auto& c : cases) {
        TFontRequest r;
        r.Name = c.family;
        r.Pixels = c.pixels;
        r.Bold = c.bold;
        r.Italic = c.italic;
        r.Quality = TQuality::Antialiased;
        TEngineFont& font = FindFont(r);
        int sum = 0;
        for (char32_t ch : platform::Utf8ToUtf32(c.text))
            sum += font.Glyph(ch).Advance;
        EXPECT_EQ(sum, GdiWidth(r, c.text)) << c.family << " " << c.pixels << " " << c.text;
        EXPECT_GT(sum, 0) << c.family;
    }
}

TEST(GdiEngine, FaceIsTheFamilyGdiChoseWithoutAFile) {
    TFontRequest r;
    r.Name = "宋体";
    const TFace face = FindFont(r).Face();
    EXPECT_TRUE(face.File.empty());
    EXPECT_FALSE(face.Family.empty());
}

} // namespace
