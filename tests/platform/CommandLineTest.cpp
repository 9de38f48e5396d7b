#include "platform/CommandLine.h"

#include <gtest/gtest.h>

using platform::SplitCommandLine;

namespace {

struct SplitCase {
    std::string line;
    std::vector<std::string> args;
};
void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.line; }


class Split : public ::testing::TestWithParam<SplitCase> {};

TEST_P(Split, FollowsTheWindowsRules) { EXPECT_EQ(SplitCommandLine(GetParam().line), GetParam().args); }

INSTANTIATE_TEST_SUITE_P(
    Cases, Split,
    ::testing::Values(
        SplitCase{"", {}},
        SplitCase{"   ", {}},
        SplitCase{"/a/Varnoke.exe CODE", {"/a/Varnoke.exe", "CODE"}},
        SplitCase{"/a/Varnoke.exe ", {"/a/Varnoke.exe"}},
        SplitCase{"\"/my dir/Varnoke.exe\" CODE", {"/my dir/Varnoke.exe", "CODE"}},
        SplitCase{"/my dir/Varnoke.exe CODE", {"/my", "dir/Varnoke.exe", "CODE"}},
        SplitCase{"p a\tb  c", {"p", "a", "b", "c"}},
        SplitCase{"p \"a b\" c", {"p", "a b", "c"}},
        SplitCase{"p a\"b c\"d", {"p", "ab cd"}},
        SplitCase{"p a\\\\b", {"p", "a\\\\b"}},          // backslashes alone are literal
        SplitCase{"p a\\\"b", {"p", "a\"b"}},            // \"  -> "
        SplitCase{"p a\\\\\"b c\"", {"p", "a\\b c"}},    // \\" -> \ and a quote that groups
        SplitCase{"p \"a\"\"b\"", {"p", "a\"b"}},        // "" inside quotes
        SplitCase{"p \"\"", {"p", ""}},
        SplitCase{"p line1\nline2", {"p", "line1\nline2"}}, // only blanks and tabs separate
        SplitCase{"\"C:\\x\\\" y", {"C:\\x\\", "y"}})); // program name: no escapes

TEST(Quote, ArgumentsSurviveTheRoundTrip) {
    std::vector<std::string> args = {"/a b/prog", "plain", "two words", "", "q\"uote",
                                     "trail\\", "sl\\\\\"ash", "tab\there", "中 文"};
    EXPECT_EQ(SplitCommandLine(platform::JoinCommandLine(args)), args);
}

TEST(Quote, OnlyWhenNeeded) {
    EXPECT_EQ(platform::QuoteArgument("Updater"), "Updater");
    EXPECT_EQ(platform::QuoteProgramPath("/a/b"), "/a/b");
    EXPECT_EQ(platform::QuoteProgramPath("/a b/c"), "\"/a b/c\"");
}

} // namespace
