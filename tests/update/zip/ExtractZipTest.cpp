#include "update/zip/ZipArchive.h"

#include "ZipFixtures.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ctime>
#include <random>
#include <sys/stat.h>

using namespace ziptest;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::Key;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;
using zip::ExtractZipTo;
using zip::ZipError;

namespace {

std::string RandomBytes(size_t size, unsigned seed) {
    std::mt19937 gen(seed);
    std::string out(size, '\0');
    for (auto& c : out)
        c = static_cast<char>(gen());
    return out;
}

std::string Text(size_t size) {
    std::string out;
    for (int i = 0; out.size() < size; ++i)
        out += "line " + std::to_string(i * 7 % 1000) + " 更新\n";
    out.resize(size);
    return out;
}

mode_t ModeOf(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

time_t MTimeOf(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? st.st_mtime : 0;
}

std::vector<std::string> Keys(const std::map<std::string, std::string>& tree) {
    std::vector<std::string> out;
    for (const auto& [name, content] : tree)
        out.push_back(name);
    return out;
}

// unzip is the reference: our result must be the same tree, byte for byte.
TEST(ExtractZip, SameFilesAsUnzip) {
    TempDir dir;
    MakeZipfile(dir / "zipfile.zip",
                {{"entries",
                  {{{"name", "bin/x.dll"}, {"gen", {{"kind", "text"}, {"size", 3 << 20}}}},
                   {{"name", "bin/raw.bin"},
                    {"method", 0},
                    {"gen", {{"kind", "random"}, {"size", 5 << 19}}}},
                   {{"name", "res/"}},
                   {{"name", "empty.txt"}, {"method", 0}},
                   {{"name", "empty-deflated.txt"}},
                   {{"name", "deep/a/b/noise.dat"},
                    {"gen", {{"kind", "random"}, {"size", 100000}, {"seed", 3}}}},
                   {{"name", "top.txt"}, {"data", "top"}}}}});

    // Info-ZIP writing to a pipe cannot seek back: sizes and CRCs follow the
    // data in data descriptors. Incompressible files are stored.
    testsupport::MakeDirs(dir / "src/skins/empty");
    testsupport::MakeDirs(dir / "src/plugins");
    WriteFile(dir / "src/Varnoke.exe", RandomBytes(1500000, 1));
    WriteFile(dir / "src/skins/main.xml", Text(2500000));
    WriteFile(dir / "src/plugins/a.dll", RandomBytes(70000, 2) + Text(70000));
    WriteFile(dir / "src/zero", "");
    Shell("cd " + Quote(dir / "src") + " && zip -q -r - . > ../pipe.zip");

    for (std::string archive : {"zipfile.zip", "pipe.zip"}) {
        SCOPED_TRACE(archive);
        Shell("unzip -q -o " + Quote(dir / archive) + " -d " + Quote(dir / ("ref-" + archive)));
        // The system's form of an unpacking folder: backslashes, levels missing.
        ExtractZipTo(dir / archive, dir / ("out-" + archive + "\\pkg\\"));
        auto expected = Tree(dir / ("ref-" + archive));
        EXPECT_GE(expected.size(), 7u);
        EXPECT_TRUE(Tree(dir / ("out-" + archive + "/pkg")) == expected);
    }
    EXPECT_EQ(ReadFile(dir / "out-pipe.zip/pkg/skins/main.xml"), Text(2500000));
    EXPECT_TRUE(testsupport::Exists(dir / "out-zipfile.zip/pkg/res"));
}

TEST(ExtractZip, ReplacesFilesKeepingTheirPermissions) {
    TempDir dir;
    mode_t oldMask = ::umask(022);
    MakeZipfile(dir / "p.zip", {{"entries",
                                 {{{"name", "tool.sh"}, {"data", "new tool"}},
                                  {{"name", "sub/new.txt"}, {"data", "new file"}}}}});
    testsupport::MakeDirs(dir / "out");
    WriteFile(dir / "out/tool.sh", "old tool, longer than the new one");
    ::chmod((dir / "out/tool.sh").c_str(), 0750);
    ExtractZipTo(dir / "p.zip", dir / "out"); // without a trailing separator
    ::umask(oldMask);
    EXPECT_EQ(ReadFile(dir / "out/tool.sh"), "new tool");
    EXPECT_EQ(ModeOf(dir / "out/tool.sh"), 0750u);
    EXPECT_EQ(ModeOf(dir / "out/sub/new.txt"), 0644u);
    EXPECT_THAT(Keys(Tree(dir / "out")), ElementsAre("sub", "sub/new.txt", "tool.sh"));
}

TEST(ExtractZip, RefusesNamesLeavingTheFolderBeforeWritingAnything) {
    json slipByUnicodePath = Entry("safe.txt");
    slipByUnicodePath["upath"] = json::array({UPath("../evil.txt", "right")});
    struct Case {
        json entry;
        std::string shown; // as the message names it
    } cases[] = {
        {Entry("../evil.txt"), "..\\evil.txt"},
        {Entry("a/../../evil.txt"), "a\\..\\..\\evil.txt"},
        {Entry("a\\..\\..\\evil.txt"), "a\\..\\..\\evil.txt"},
        {Entry("/tmp/evil.txt"), "\\tmp\\evil.txt"},
        {Entry("\\evil.txt"), "\\evil.txt"},
        {Entry("C:/evil.txt"), "C:\\evil.txt"},
        {Entry("C:evil.txt"), "C:evil.txt"},
        {Entry(".. /evil.txt"), ".. \\evil.txt"}, // Windows drops the trailing blank
        {Entry("a/.../evil.txt"), "a\\...\\evil.txt"},
        {Entry("../"), "..\\"},
        {slipByUnicodePath, "..\\evil.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        TempDir dir;
        MakeRaw(dir / "bad.zip", {{"entries", {Entry("good.txt"), c.entry}}});
        try {
            ExtractZipTo(dir / "bad.zip", dir / "pkg/out/");
            ADD_FAILURE() << "no error";
        } catch (const ZipError& e) {
            EXPECT_EQ(e.what(),
                      "条目名称不是压缩包内的相对路径 : " + dir / "bad.zip" + " : " + c.shown);
        }
        EXPECT_THAT(Keys(Tree(dir.Path())), ElementsAre("bad.zip"));
    }

    // Dots inside names are fine.
    TempDir dir;
    MakeRaw(dir / "ok.zip",
            {{"entries", {Entry("./a..b/c..txt", "1"), Entry("..x", "2"), Entry("x../", "")}}});
    ExtractZipTo(dir / "ok.zip", dir / "out");
    EXPECT_THAT(Keys(Tree(dir / "out")), ElementsAre("..x", "a..b", "a..b/c..txt", "x.."));
}

TEST(ExtractZip, ABadEntryNeverReplacesAGoodFile) {
    TempDir dir;
    std::string stored = Text(5000);
    std::string deflated = Text(300000);
    MakeZipfile(dir / "good.zip",
                {{"entries",
                  {{{"name", "keep.txt"}, {"method", 0}, {"data_hex", Hex(stored)}},
                   {{"name", "pack.txt"}, {"data_hex", Hex(deflated)}}}}});
    auto crcText = HasSubstr("条目校验失败 (CRC-32)");
    auto sizeText = HasSubstr("条目长度不符");
    struct Case {
        std::string entry, how;
        testing::Matcher<std::string> text;
    } cases[] = {
        {"keep.txt", "data", crcText},
        {"keep.txt", "crc", crcText},
        {"keep.txt", "shorter", sizeText},
        {"keep.txt", "longer", sizeText},
        {"pack.txt", "data", testing::AnyOf(crcText, HasSubstr("条目数据无法解压"))},
        {"pack.txt", "crc", crcText},
        {"pack.txt", "shorter", sizeText},
        {"pack.txt", "longer", sizeText},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry + " " + c.how);
        std::string archive = dir / "bad.zip";
        WriteFile(archive, ReadFile(dir / "good.zip"));
        Patch(archive, c.entry, c.how);
        TempDir out;
        WriteFile(out / "keep.txt", "good old");
        WriteFile(out / "pack.txt", "good old");
        try {
            ExtractZipTo(archive, out.Path());
            ADD_FAILURE() << "no error";
        } catch (const ZipError& e) {
            EXPECT_THAT(e.what(), c.text);
            EXPECT_THAT(e.what(), HasSubstr(archive + " : " + c.entry));
        }
        EXPECT_EQ(ReadFile(out / c.entry), "good old");
        EXPECT_THAT(Keys(Tree(out.Path())), ElementsAre("keep.txt", "pack.txt"));
    }
    TempDir out;
    ExtractZipTo(dir / "good.zip", out.Path());
    EXPECT_EQ(ReadFile(out / "keep.txt"), stored);
    EXPECT_EQ(ReadFile(out / "pack.txt"), deflated);
}

TEST(ExtractZip, UnsupportedMethodFailsAtThatEntry) {
    TempDir dir;
    MakeZipfile(dir / "p.zip", {{"entries",
                                 {{{"name", "first.txt"}, {"data", "1"}},
                                  {{"name", "packed.dat"}, {"data", "2"}, {"method", 12}},
                                  {{"name", "last.txt"}, {"data", "3"}}}}});
    try {
        ExtractZipTo(dir / "p.zip", dir / "out");
        ADD_FAILURE() << "no error";
    } catch (const ZipError& e) {
        EXPECT_THAT(e.what(), HasSubstr("不支持的压缩方式 12"));
        EXPECT_THAT(e.what(), HasSubstr("packed.dat"));
    }
    EXPECT_THAT(Keys(Tree(dir / "out")), ElementsAre("first.txt"));
    EXPECT_TRUE(testsupport::Exists(dir / "p.zip")); // deleting the package is the caller's
}

class LocalTimeZone : public testing::Test {
protected:
    // A zone without daylight saving, far from UTC, and not this machine's.
    void SetUp() override {
        if (const char* tz = std::getenv("TZ")) FOldTz = tz;
        ::setenv("TZ", "XST-8", 1);
        ::tzset();
    }
    void TearDown() override {
        if (FOldTz)
            ::setenv("TZ", FOldTz->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    std::optional<std::string> FOldTz;
};

TEST_F(LocalTimeZone, FilesGetTheEntryTimeAsLocalTime) {
    TempDir dir;
    std::tm utc{};
    utc.tm_year = 2021 - 1900;
    utc.tm_mon = 2;
    utc.tm_mday = 4;
    utc.tm_hour = 5;
    utc.tm_min = 6;
    utc.tm_sec = 8;
    time_t localStamp = ::timegm(&utc) - 8 * 3600; // 2021-03-04 05:06:08 at UTC+8

    json raw = Entry("raw.txt");
    raw["date_time"] = {2021, 3, 4, 5, 6, 8};
    MakeRaw(dir / "raw.zip", {{"entries", {raw}}});

    // Info-ZIP stores the local time of the file's modification time.
    testsupport::MakeDirs(dir / "src");
    WriteFile(dir / "src/infozip.txt", "x");
    time_t fileStamp = 1600000000; // even: DOS times count in 2-second steps
    Shell("touch -d @" + std::to_string(fileStamp) + " " + Quote(dir / "src/infozip.txt"));
    Shell("cd " + Quote(dir / "src") + " && zip -q -X ../infozip.zip infozip.txt");

    ExtractZipTo(dir / "raw.zip", dir / "out");
    ExtractZipTo(dir / "infozip.zip", dir / "out");
    EXPECT_EQ(MTimeOf(dir / "out/raw.txt"), localStamp);
    EXPECT_EQ(MTimeOf(dir / "out/infozip.txt"), fileStamp);
}

} // namespace
