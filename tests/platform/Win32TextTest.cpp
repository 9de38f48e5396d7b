// The ANSI code page as a Windows program meets it: GetACP() follows the
// locale the process was started in (Wine: LC_ALL).
#include "TestSupport.h"
#include "platform/Paths.h"

#include <gtest/gtest.h>

namespace {

struct AnsiCase {
    const char* locale;
    std::string output; // charset, then "中文" in GBK bytes decoded as ANSI
};
void PrintTo(const AnsiCase& c, std::ostream* os) {
    *os << c.locale;
}

class AnsiCodePage : public ::testing::TestWithParam<AnsiCase> {};

TEST_P(AnsiCodePage, DecodesFilesWithoutAMarkInTheProcessCodePage) {
    const std::string probe = platform::ExecutableFolder() + PLATFORM_PROBE_NAME;
    auto out = testsupport::RunForOutput({probe, "--ansi"}, {{"LC_ALL", GetParam().locale}});
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(*out, GetParam().output);
}

INSTANTIATE_TEST_SUITE_P(Locales, AnsiCodePage,
                         ::testing::Values(AnsiCase{"zh_CN.UTF-8", "CP936\n中文\n"},
                                           AnsiCase{"en_US.UTF-8", "CP1252\nÖÐÎÄ\n"}),
                         [](const auto& info) {
                             return std::string(info.param.locale).substr(0, 2);
                         });

} // namespace
