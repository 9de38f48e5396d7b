#include "config/UnitAppConfig.h"

#include "TestSupport.h"
#include "platform/Paths.h"
#include "platform/Text.h"

#include <filesystem>
#include <gtest/gtest.h>

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

class AppConfigFile : public ::testing::Test {
protected:
    TempDir dir;
    std::string ini = dir / "version.ini";
    TAppConfig config;
};

TEST_F(AppConfigFile, DefaultsAfterCreate) {
    TAppConfig fresh;
    EXPECT_EQ(fresh.INIFile(), nullptr);
    EXPECT_FALSE(fresh.NeedUpdateLauncher());
    EXPECT_EQ(fresh.LoaderName(), "Varnoke.exe");
    EXPECT_EQ(fresh.ApplicationFileName(), "");
    EXPECT_EQ(fresh.AgentCode, "");
}

TEST_F(AppConfigFile, MissingFileStartsEmptyAndIsWrittenInAnsi) {
    config.LoadFromFile(ini);
    ASSERT_NE(config.INIFile(), nullptr);
    EXPECT_TRUE(config.LoadError().empty());
    config.SetSetion("plugins\\report.dll");
    EXPECT_EQ(config.ReadInt32("Ver", 0), 0);
    config.WriteInt32("Ver", 0);
    config.SaveToFile();
    EXPECT_EQ(ReadFile(ini), "[plugins\\report.dll]\r\nVer=0\r\n\r\n");
}

struct EncodingCase {
    const char* name;
    std::string bytes;   // the file as stored
    std::string written; // after Ver of section 文件 becomes 2
};
void PrintTo(const EncodingCase& c, std::ostream* os) {
    *os << c.name;
}

class AppConfigEncoding : public AppConfigFile,
                          public ::testing::WithParamInterface<EncodingCase> {};

TEST_P(AppConfigEncoding, RoundTripsInTheSameEncoding) {
    WriteFile(ini, GetParam().bytes);
    config.LoadFromFile(ini);
    config.SetSetion("文件");
    EXPECT_EQ(config.ReadInt32("Ver", -1), 1);
    config.WriteInt32("Ver", 2);
    config.SaveToFile();
    EXPECT_EQ(ReadFile(ini), GetParam().written);
}

std::string Utf16(const std::u16string& s, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t c : s) {
        char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, AppConfigEncoding,
    ::testing::Values(EncodingCase{"utf8_bom", "\xEF\xBB\xBF[文件]\nVer=1\n",
                                   "\xEF\xBB\xBF[文件]\r\nVer=2\r\n\r\n"},
                      EncodingCase{"utf16le", Utf16(u"[文件]\r\nVer=1\r\n", false),
                                   Utf16(u"[文件]\r\nVer=2\r\n\r\n", false)},
                      EncodingCase{"utf16be", Utf16(u"[文件]\r\nVer=1\r\n", true),
                                   Utf16(u"[文件]\r\nVer=2\r\n\r\n", true)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AppConfigFile, AnsiFileIsReadAndWrittenInTheLocaleCharset) {
    // A section name the code page can hold: Chinese in UTF-8 or CP936, else Western.
    const std::string& charset = platform::AnsiCharset();
    const auto ansi = [&](const std::string& text) { return platform::FromUtf8(text, charset); };
    const std::string name = platform::ToUtf8(ansi("文件"), charset) == "文件" ? "文件" : "Größe";
    WriteFile(ini, ansi("[" + name + "]\r\nVer=1\r\n"));
    config.LoadFromFile(ini);
    config.SetSetion(name);
    EXPECT_EQ(config.ReadInt32("Ver", 0), 1);
    config.SaveToFile();
    EXPECT_EQ(ReadFile(ini), ansi("[" + name + "]\r\nVer=1\r\n\r\n"));
}

struct IntCase {
    const char* value;
    int32_t expected;
};
void PrintTo(const IntCase& c, std::ostream* os) {
    *os << c.value;
}

class ReadInt32Values : public AppConfigFile, public ::testing::WithParamInterface<IntCase> {};

TEST_P(ReadInt32Values, ParsesOrGivesDefault) {
    WriteFile(ini, std::string("[S]\r\nVer=") + GetParam().value + "\r\n");
    config.LoadFromFile(ini);
    config.SetSetion("s");
    EXPECT_EQ(config.ReadInt32("ver", -99), GetParam().expected) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(
    Values, ReadInt32Values,
    ::testing::Values(IntCase{"12", 12}, IntCase{"+7", 7}, IntCase{"-3", -3}, IntCase{"0x1F", 31},
                      IntCase{"0X10", 16}, IntCase{"$ff", 255}, IntCase{"0xFFFFFFFF", -1},
                      IntCase{"2147483647", 2147483647}, IntCase{"-2147483648", INT32_MIN},
                      IntCase{"2147483648", -99}, IntCase{"abc", -99}, IntCase{"1.5", -99},
                      IntCase{"", -99}, IntCase{"0x", -99}, IntCase{"12a", -99}));

TEST_F(AppConfigFile, BooleanAndStringAccessors) {
    WriteFile(ini, "[S]\r\nOn=1\r\nOff=0\r\nList=a;b;c\r\nWord= some text \r\n");
    config.LoadFromFile(ini);
    config.SetSetion("S");
    EXPECT_TRUE(config.ReadBoolean("On", false));
    EXPECT_FALSE(config.ReadBoolean("Off", true));
    EXPECT_TRUE(config.ReadBoolean("Missing", true));
    EXPECT_EQ(config.ReadString("Word", "d"), "some text");
    EXPECT_EQ(config.ReadString("Missing", "d"), "d");
    EXPECT_EQ(config.ReadCommaString("List", ""), "a,b,c");
    EXPECT_EQ(config.ReadCommaString("Missing", "x;y"), "x,y");
    config.WriteCommaString("Pair", "p,q");
    config.WriteBoolean("Flag", true);
    EXPECT_EQ(config.ReadString("Pair", ""), "p;q");
    EXPECT_EQ(config.ReadString("Flag", ""), "1");
    config.SetSetion("Other");
    EXPECT_EQ(config.ReadString("Word", "none"), "none");
}

TEST(AppConfigFolderName, MakeFolderName) {
    EXPECT_EQ(TAppConfig::MakeFolderName("  plugins  "), "plugins\\");
    EXPECT_EQ(TAppConfig::MakeFolderName("a\\b\\"), "a\\b\\");
    EXPECT_EQ(TAppConfig::MakeFolderName(""), "");
    EXPECT_EQ(TAppConfig::MakeFolderName(" \t "), "");
}

TEST(AppConfigRootPath, IsTheExecutableFolderWithSeparator) {
    std::string root = TAppConfig::GetRootPath();
    ASSERT_FALSE(root.empty());
    EXPECT_EQ(root.back(), platform::kPathDelim);
    EXPECT_EQ(root + platform::ExtractFileName(platform::ExecutablePath()),
              platform::ExecutablePath());
}

TEST_F(AppConfigFile, UnreadableFileIsNeverWrittenBack) {
    testsupport::MakeDirs(ini); // a folder of that name cannot be read as a file
    config.LoadFromFile(ini);
    EXPECT_FALSE(config.LoadError().empty());
    EXPECT_FALSE(config.WriteBack());
    EXPECT_NE(config.INIFile(), nullptr);
}

TEST_F(AppConfigFile, SaveLeavesNoTemporaryFiles) {
    WriteFile(ini, "[A]\r\nVer=1\r\n");
    config.LoadFromFile(ini);
    config.SetSetion("A");
    config.WriteInt32("Ver", 2);
    config.SaveToFile();
    EXPECT_NE(ReadFile(ini).find("Ver=2"), std::string::npos);
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 1);
}
} // namespace
