#include "ui/UpdateMainTexts.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;

namespace {

TEST(MainWindowFigures, BarScale) {
    struct Case {
        int64_t length;
        int32_t scale, maximum;
    };
    for (Case c : {Case{0, 1, 0}, Case{50000, 1, 50000}, Case{65535, 1, 65535}, Case{65536, 1024, 64},
                   Case{70000, 1024, 68}, Case{100000000, 10240, 9765}, Case{67108864, 10240, 6553}}) {
        TBarScale s = BarScaleFor(c.length);
        EXPECT_EQ(s.scale, c.scale) << c.length;
        EXPECT_EQ(s.maximum, c.maximum) << c.length;
    }
}

TEST(MainWindowFigures, SpeedText) {
    EXPECT_EQ(SpeedText(1999, 1000, 5000), ""); // first second
    EXPECT_EQ(SpeedText(3000, 1000, 2000), ",速度:1000 B/S");
    EXPECT_EQ(SpeedText(3000, 1000, 3000), ",速度:1 KB/S");
    // The tick counter wraps; the difference is taken on 32 bits.
    EXPECT_EQ(SpeedText(1000, 0xFFFFFFFFu - 999, 1800), ",速度:900 B/S");
}

TEST(MainWindowFigures, TransferText) {
    EXPECT_EQ(TransferText(1536, 1024, ",速度:1 KB/S"), "文件大小(KB):2,已下载(KB):1,速度:1 KB/S");
    EXPECT_EQ(TransferText(0, 0, ""), "文件大小(KB):0,已下载(KB):0");
}

TEST(MainWindowFigures, UpdateLogLines) {
    EXPECT_THAT(UpdateLogLines(R"(["修复了问题", 2, {"a":1}, true, null, [1]])"),
                ElementsAre("修复了问题", "2", "", "true", "null", ""));
    EXPECT_TRUE(UpdateLogLines("plain text").empty());
    EXPECT_TRUE(UpdateLogLines(R"({"a":1})").empty());
    EXPECT_TRUE(UpdateLogLines("").empty());
}

} // namespace
