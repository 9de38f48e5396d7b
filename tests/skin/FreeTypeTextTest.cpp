// What only the FreeType engine does: tell the font file a family resolved
// to, and lay the Chinese stand-ins out on the em square, as SimSun is.
#include "skin/ZelSkinText.h"

#include "platform/Files.h"

#include <gtest/gtest.h>

namespace {

TEST(FreeTypeFonts, ChineseFamilyResolvesToAnExistingFontFile) {
    const TZelFontFace face = ResolveFontFace(TZelFont("宋体", 12));
    ASSERT_FALSE(face.File.empty());
    EXPECT_TRUE(platform::FileExists(face.File)) << face.File;
}

TEST(FreeTypeFonts, ChineseFamiliesAreAsHighAsTheirEmSquare) {
    for (int px : {12, 14, 16}) {
        const TZelFontMetrics m = GetFontMetrics(TZelFont("宋体", px));
        EXPECT_EQ(m.Height, px);
        EXPECT_EQ(m.Ascent, (px * 220 + 128) / 256) << px;
    }
}

} // namespace
