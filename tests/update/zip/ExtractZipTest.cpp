#include "update/zip/ZipArchive.h"

#include "ZipFixtures.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ctime>
#include <random>

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
    Shell("cd " + QuotePath(dir / "src") + " && zip -q -r - . > ../pipe.zip");

    for (std::string archive : {"zipfile.zip", "pipe.zip"}) {
        SCOPED_TRACE(archive);
        Shell("unzip -q -o " + QuotePath(dir / archive) + " -d " +
              QuotePath(dir / ("ref-" + archive)));
        // The system's form of an unpacking folder: backslashes, levels missing.
        ExtractZipTo(dir / archive, dir / ("out-" + archive + "\\pkg\\"));
        auto expected = Tree(dir / ("ref-" + archive));
        EXPECT_GE(expected.size(), 7u);
        EXPECT_TRUE(Tree(dir / ("out-" + archive + "/pkg")) == expected);
    }
    EXPECT_EQ(ReadFile(dir / "out-pipe.zip/pkg/skins/main.xml"), Text(2500000));
    EXPECT_TRUE(testsupport::Exists(dir / "out-zipfile.zip/pkg/res"));
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
    // Windows drops the trailing dots of a name.
    EXPECT_THAT(Keys(Tree(dir / "out")),
                ElementsAre("..x", "a..b", "a..b/c..txt", testing::AnyOf("x..", "x")));
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

} // namespace
