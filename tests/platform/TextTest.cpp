#include "platform/Text.h"

#include <cctype>
#include <gtest/gtest.h>

using namespace platform;

namespace {

struct DecodeCase {
    const char* name;
    std::string bytes;
    std::string text;
    TextEncoding encoding;
};
void PrintTo(const DecodeCase& c, std::ostream* os) {
    *os << c.name;
}

class Decode : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(Decode, ByByteOrderMark) {
    TextEncoding found;
    EXPECT_EQ(DecodeText(GetParam().bytes, &found), GetParam().text);
    EXPECT_EQ(found, GetParam().encoding);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Decode,
    ::testing::Values(DecodeCase{"utf8_bom",
                                 "\xEF\xBB\xBF"
                                 "ab\xE4\xB8\xAD",
                                 "ab中", TextEncoding::Utf8},
                      DecodeCase{"utf16le",
                                 std::string("\xFF\xFE"
                                             "a\0-N",
                                             6),
                                 "a中", TextEncoding::Utf16LE},
                      DecodeCase{"utf16be", std::string("\xFE\xFF\0aN-", 6), "a中",
                                 TextEncoding::Utf16BE},
                      DecodeCase{"utf16le_surrogates", std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6),
                                 "\xF0\x9F\x98\x80", TextEncoding::Utf16LE},
                      // FF FE 00 00 is still UTF-16 LE: the marks are tested in order.
                      DecodeCase{"utf16le_before_others", std::string("\xFF\xFE\0\0", 4),
                                 std::string("\0", 1), TextEncoding::Utf16LE},
                      DecodeCase{"no_mark_is_ansi", "plain", "plain", TextEncoding::Ansi},
                      DecodeCase{"only_mark", "\xEF\xBB\xBF", "", TextEncoding::Utf8}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Encode, RoundTripsWithMark) {
    for (auto enc : {TextEncoding::Utf8, TextEncoding::Utf16LE, TextEncoding::Utf16BE}) {
        std::string bytes = EncodeText("[文件]\r\nx=😀\r\n", enc);
        TextEncoding found;
        EXPECT_EQ(DecodeText(bytes, &found), "[文件]\r\nx=😀\r\n");
        EXPECT_EQ(found, enc);
    }
}

TEST(Charsets, ConvertThroughIconv) {
    // "中文" in GBK, and CP437's box-drawing and accented letters.
    EXPECT_EQ(ToUtf8("\xD6\xD0\xCE\xC4", "GBK"), "中文");
    EXPECT_EQ(FromUtf8("中文", "GBK"), "\xD6\xD0\xCE\xC4");
    EXPECT_EQ(ToUtf8("\x82\xC9", "CP437"), "é╔");
    // A character the code page cannot hold becomes '?', the rest survives.
    EXPECT_EQ(FromUtf8("a中b", "CP437"), "a?b");
    // Invalid bytes in UTF-8 become U+FFFD instead of being passed on.
    EXPECT_EQ(ToUtf8("a\xFF"
                     "b",
                     "UTF-8"),
              "a\xEF\xBF\xBD"
              "b");
}

struct CharsetCase {
    const char* charset; // as the configuration names it, in any case
    std::string bytes;
    std::string text;
};
void PrintTo(const CharsetCase& c, std::ostream* os) {
    *os << c.charset;
}

class Charset : public ::testing::TestWithParam<CharsetCase> {};

TEST_P(Charset, DecodesAndEncodesBothWays) {
    EXPECT_EQ(ToUtf8(GetParam().bytes, GetParam().charset), GetParam().text);
    EXPECT_EQ(FromUtf8(GetParam().text, GetParam().charset), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Names, Charset,
                         ::testing::Values(CharsetCase{"GBK", "\xD6\xD0\xCE\xC4", "中文"},
                                           CharsetCase{"gb2312", "\xD6\xD0\xCE\xC4", "中文"},
                                           CharsetCase{"CP936", "\xD6\xD0\xCE\xC4", "中文"},
                                           CharsetCase{"GB18030", "a\xD6\xD0", "a中"},
                                           CharsetCase{"BIG5", "\xA4\xA4\xA4\xE5", "中文"},
                                           CharsetCase{"Shift_JIS", "\x93\xFA\x96\x7B", "日本"},
                                           CharsetCase{"WINDOWS-1252", "\x80\xE9", "€é"},
                                           CharsetCase{"cp1252", "\x80\xE9", "€é"},
                                           CharsetCase{"ISO-8859-1", "\xE9\xFF", "éÿ"},
                                           CharsetCase{"CP437", "\x82\xC9", "é╔"},
                                           CharsetCase{"UTF-16LE", std::string("a\0-N", 4), "a中"},
                                           CharsetCase{"utf-8", "a\xE4\xB8\xAD", "a中"}),
                         [](const auto& info) {
                             std::string name;
                             for (char c : std::string(info.param.charset))
                                 name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

TEST(Charsets, WhatCannotBeConvertedIsMarked) {
    // Undecodable bytes become U+FFFD, an incomplete pair at the end too.
    EXPECT_EQ(ToUtf8("a\xFF"
                     "b",
                     "GBK"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(ToUtf8("a\xD6", "GBK"), "a\xEF\xBF\xBD");
    // One '?' for each character the code page lacks, outside the BMP too.
    EXPECT_EQ(FromUtf8("x😀y中", "CP1252"), "x?y?");
    EXPECT_EQ(FromUtf8("中😀", "GBK"), "\xD6\xD0?");
}

TEST(Trim, RemovesControlCharactersAndBlanksAtBothEnds) {
    EXPECT_EQ(Trim(" \t\r\n\x01 code\r\nline2 \r\n\x1F"), "code\r\nline2");
    EXPECT_EQ(Trim("  \r\n "), "");
    EXPECT_EQ(Trim("中"), "中");
}

TEST(LowerCase, IsUnicodeAware) {
    EXPECT_EQ(LowerCase("Varnoke.EXE"), "varnoke.exe");
    EXPECT_EQ(LowerCase("ÄÖÜ.EXE"), "äöü.exe");
    EXPECT_EQ(LowerCase("ΣΑΣ"), "σασ");
    EXPECT_EQ(LowerCase("启动.EXE"), "启动.exe");
    EXPECT_EQ(AsciiLowerCase("ÄB"), "Äb");
}

} // namespace
