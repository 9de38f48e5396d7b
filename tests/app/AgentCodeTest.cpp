#include "app/UnitRunUpdater.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

namespace {

struct AgCase {
    const char* name;
    std::string bytes;
    std::string code;
};
void PrintTo(const AgCase& c, std::ostream* os) {
    *os << c.name;
}

// A code the ANSI code page can hold (Chinese in UTF-8 or CP936, else
// Western), as bytes in that code page.
std::string AnsiText() {
    const std::string& charset = platform::AnsiCharset();
    return platform::ToUtf8(platform::FromUtf8("代理123", charset), charset) == "代理123"
               ? "代理123"
               : "Größe123";
}
std::string Ansi(const std::string& text) {
    return platform::FromUtf8(text, platform::AnsiCharset());
}

class AgentCode : public ::testing::TestWithParam<AgCase> {};

TEST_P(AgentCode, Decoded) {
    EXPECT_EQ(DecodeAgentCode(GetParam().bytes), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AgentCode,
    ::testing::Values(AgCase{"utf8_bom_and_line_break",
                             "\xEF\xBB\xBF"
                             "A1B2\r\n",
                             "A1B2"},
                      AgCase{"two_lines_keep_inner_break", "first\r\nsecond\r\n",
                             "first\r\nsecond"},
                      AgCase{"blanks_only", " \r\n\t \n", ""}, AgCase{"empty", "", ""},
                      AgCase{"utf16le_bom",
                             std::string("\xFF\xFE"
                                         " \0"
                                         "A\0"
                                         "\x2D\x4E"
                                         "\n\0",
                                         10),
                             "A中"},
                      AgCase{"control_characters_trimmed", "\x01\x1F code \x7F", "code \x7F"},
                      AgCase{"ansi_without_mark", Ansi(AnsiText()), AnsiText()}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
