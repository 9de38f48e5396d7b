#include "config/IniDocument.h"

#include <gtest/gtest.h>

namespace {

struct ParseCase {
    const char* name;
    std::string input;
    std::string expected; // the document written back
};
void PrintTo(const ParseCase& c, std::ostream* os) {
    *os << c.name;
}

class IniParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(IniParse, WritesBackAsExpected) {
    TIniDocument doc(GetParam().input);
    EXPECT_EQ(doc.ToText(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniParse,
    ::testing::Values(
        ParseCase{"empty", "", ""},
        ParseCase{"one_section", "[A]\r\nVer=1\r\n", "[A]\r\nVer=1\r\n\r\n"},
        ParseCase{"lone_lf_and_cr", "[A]\nx=1\ry=2\r\n[B]\nz=3",
                  "[A]\r\nx=1\r\ny=2\r\n\r\n[B]\r\nz=3\r\n\r\n"},
        ParseCase{"comments_blanks_and_preamble_dropped",
                  "preamble=1\r\n; comment\r\n\r\n[A]\r\n  ; indented comment\r\n\r\nVer=2\r\n",
                  "[A]\r\nVer=2\r\n\r\n"},
        ParseCase{"trimmed_names_and_values", "\t[  Sec  ]  \r\n   Ver   =   7  \r\n",
                  "[Sec]\r\nVer=7\r\n\r\n"},
        ParseCase{"value_keeps_later_equals", "[A]\r\nk = a=b \r\n", "[A]\r\nk=a=b\r\n\r\n"},
        ParseCase{"line_without_equals_kept", "[A]\r\n  just text  \r\n",
                  "[A]\r\njust text\r\n\r\n"},
        ParseCase{"same_section_other_case_merged",
                  "[Plugins\\A.dll]\r\nVer=1\r\n[plugins\\a.DLL]\r\nMD5=x\r\n",
                  "[Plugins\\A.dll]\r\nVer=1\r\nMD5=x\r\n\r\n"},
        ParseCase{"empty_section_kept", "[A]\r\n[B]\r\nx=1\r\n", "[A]\r\n\r\n[B]\r\nx=1\r\n\r\n"},
        ParseCase{"bracket_inside_is_entry", "[A]\r\n[x=1\r\n", "[A]\r\n[x=1\r\n\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IniDocument, NamesCompareWithoutLetterCase) {
    TIniDocument doc("[Varnoke.EXE]\r\nVER=3\r\n");
    ASSERT_NE(doc.FindValue("varnoke.exe", "ver"), nullptr);
    EXPECT_EQ(*doc.FindValue("VARNOKE.exe", "Ver"), "3");
    EXPECT_EQ(doc.FindValue("varnoke.exe", "MD5"), nullptr);
    EXPECT_EQ(doc.FindValue("other", "Ver"), nullptr);
}

TEST(IniDocument, WriteReplacesInPlaceOrAppends) {
    TIniDocument doc("[A]\r\nx=1\r\nVer=1\r\ny=2\r\n[B]\r\nz=1\r\n");
    doc.WriteString("a", "VER", "5");      // in place, name as written
    doc.WriteString("A", "MD5", "abc");    // appended at the end of its section
    doc.WriteString("C\\d\\", "Ver", "0"); // new section at the end
    EXPECT_EQ(doc.ToText(), "[A]\r\nx=1\r\nVER=5\r\ny=2\r\nMD5=abc\r\n\r\n[B]\r\nz=1\r\n\r\n"
                            "[C\\d\\]\r\nVer=0\r\n\r\n");
}

// The file splits lines at CR and LF and trims them: what is written must be
// held, and found, the way the next load reads it, or a version recorded
// under a listed name with a blank at its end is never found again.
struct WriteCase {
    const char* name;
    std::string section, entry, value;
    std::string expected; // the document written back
};
void PrintTo(const WriteCase& c, std::ostream* os) {
    *os << c.name;
}

class IniWriteAsRead : public ::testing::TestWithParam<WriteCase> {};

TEST_P(IniWriteAsRead, HeldAsTheNextLoadReadsIt) {
    const WriteCase& c = GetParam();
    TIniDocument doc("[a.dll]\r\nVer=3\r\n");
    doc.WriteString(c.section, c.entry, c.value);
    EXPECT_EQ(doc.ToText(), c.expected);

    TIniDocument next(doc.ToText());
    EXPECT_EQ(next.ToText(), doc.ToText());
    const std::string* held = doc.FindValue(c.section, c.entry);
    const std::string* read = next.FindValue(c.section, c.entry);
    ASSERT_NE(held, nullptr);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(*read, *held);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniWriteAsRead,
    ::testing::Values(WriteCase{"blank_after_section", "a.dll ", "Ver", "4",
                                "[a.dll]\r\nVer=4\r\n\r\n"},
                      WriteCase{"nul_after_section", std::string("a.dll\0", 6), "Ver", "4",
                                "[a.dll]\r\nVer=4\r\n\r\n"},
                      WriteCase{"blanks_around_entry_and_value", "a.dll", "\tMD5 ", " x ",
                                "[a.dll]\r\nVer=3\r\nMD5=x\r\n\r\n"},
                      WriteCase{"line_break_in_section", "b\r\n[c]", "Ver", "0",
                                "[a.dll]\r\nVer=3\r\n\r\n[b  [c]]\r\nVer=0\r\n\r\n"},
                      WriteCase{"line_break_in_value", "a.dll", "Ver", "5\n[d]\nx=1",
                                "[a.dll]\r\nVer=5 [d] x=1\r\n\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IniDocument, SectionExistsOnlyWithALine) {
    TIniDocument doc("[Empty]\r\n[Text]\r\nno equals sign\r\n");
    EXPECT_FALSE(doc.SectionExists("Empty"));
    EXPECT_TRUE(doc.SectionExists("text"));
    EXPECT_FALSE(doc.SectionExists("missing"));
}

} // namespace
