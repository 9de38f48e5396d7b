#include "config/IniDocument.h"

#include <gtest/gtest.h>

namespace {

struct ParseCase {
    const char* name;
    std::string input;
    std::string expected; // the document written back
};
void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.name; }


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
        ParseCase{"lone_lf_and_cr", "[A]\nx=1\ry=2\r\n[B]\nz=3", "[A]\r\nx=1\r\ny=2\r\n\r\n[B]\r\nz=3\r\n\r\n"},
        ParseCase{"comments_blanks_and_preamble_dropped",
                  "preamble=1\r\n; comment\r\n\r\n[A]\r\n  ; indented comment\r\n\r\nVer=2\r\n",
                  "[A]\r\nVer=2\r\n\r\n"},
        ParseCase{"trimmed_names_and_values", "\t[  Sec  ]  \r\n   Ver   =   7  \r\n",
                  "[Sec]\r\nVer=7\r\n\r\n"},
        ParseCase{"value_keeps_later_equals", "[A]\r\nk = a=b \r\n", "[A]\r\nk=a=b\r\n\r\n"},
        ParseCase{"line_without_equals_kept", "[A]\r\n  just text  \r\n", "[A]\r\njust text\r\n\r\n"},
        ParseCase{"same_section_other_case_merged", "[Plugins\\A.dll]\r\nVer=1\r\n[plugins\\a.DLL]\r\nMD5=x\r\n",
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
    doc.WriteString("a", "VER", "5");     // in place, name as written
    doc.WriteString("A", "MD5", "abc");   // appended at the end of its section
    doc.WriteString("C\\d\\", "Ver", "0"); // new section at the end
    EXPECT_EQ(doc.ToText(), "[A]\r\nx=1\r\nVER=5\r\ny=2\r\nMD5=abc\r\n\r\n[B]\r\nz=1\r\n\r\n"
                            "[C\\d\\]\r\nVer=0\r\n\r\n");
}

TEST(IniDocument, SectionExistsOnlyWithALine) {
    TIniDocument doc("[Empty]\r\n[Text]\r\nno equals sign\r\n");
    EXPECT_FALSE(doc.SectionExists("Empty"));
    EXPECT_TRUE(doc.SectionExists("text"));
    EXPECT_FALSE(doc.SectionExists("missing"));
}

} // namespace
