#include "update/zip/ZipArchive.h"

#include "ZipFixtures.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

using namespace ziptest;
using testsupport::TempDir;
using zip::ZipArchive;
using zip::ZipError;

namespace {

const std::string kUtf8Chinese = "中文.txt";
const std::string kUtf8ChineseAsCp437 = "Σ╕¡µûç.txt";
const std::string kGbkChinese = "\xD6\xD0\xCE\xC4.txt"; // 中文 in GBK
const std::string kGbkChineseAsCp437 = "╓╨╬─.txt";
constexpr int kUtf8 = 1 << 11;

std::vector<std::string> Names(const std::string& archive) {
    ZipArchive z(archive);
    std::vector<std::string> names;
    for (const auto& e : z.Entries())
        names.push_back(e.name);
    return names;
}

json WithUnicodePath(json entry, json fields) {
    entry["upath"] = std::move(fields);
    return entry;
}

TEST(ZipNames, DecodingRules) {
    // An extended-timestamp field, so the Unicode-path field is not the first block.
    const std::string timestamp = "5455050001"
                                  "00000000";
    json afterTimestamp =
        WithUnicodePath(Entry("legacy.txt"), json::array({UPath("新名.txt", "right")}));
    afterTimestamp["extra_hex"] = timestamp;
    struct Case {
        const char* what;
        json entries;
        std::vector<std::string> expected;
    } cases[] = {
        {"every entry flagged: UTF-8, '/' becomes a backslash",
         {Entry("目录/" + kUtf8Chinese, "x", 8, kUtf8), Entry("readme.txt", "x", 8, kUtf8)},
         {"目录\\" + kUtf8Chinese, "readme.txt"}},
        {"each entry decoded by its own flag",
         {Entry(kUtf8Chinese, "x", 8, kUtf8), Entry("readme.txt"), Entry(kGbkChinese)},
         {kUtf8Chinese, "readme.txt", kGbkChineseAsCp437}},
        {"GBK bytes without the flag", {Entry(kGbkChinese)}, {kGbkChineseAsCp437}},
        {"Unicode-path field with the right CRC wins over the header name",
         {WithUnicodePath(Entry("legacy.txt"), json::array({UPath("新名.txt", "right")}))},
         {"新名.txt"}},
        {"Unicode-path field with a wrong CRC is ignored",
         {WithUnicodePath(Entry("legacy.txt"), json::array({UPath("新名.txt", "wrong")}))},
         {"legacy.txt"}},
        {"only the first Unicode-path field counts",
         {WithUnicodePath(Entry("legacy.txt"),
                          json::array({UPath("第一.txt", "wrong"), UPath("第二.txt", "right")}))},
         {"legacy.txt"}},
        {"Unicode-path field after another extra field", {afterTimestamp}, {"新名.txt"}},
        {"Unicode-path field over GBK header bytes, beside a flagged entry",
         {WithUnicodePath(Entry(kGbkChinese), json::array({UPath("中文/名.txt", "right")})),
          Entry(kUtf8Chinese, "x", 8, kUtf8)},
         {"中文\\名.txt", kUtf8Chinese}},
        {"folder entries",
         {Entry("res/", "", 0), Entry("res/sub/", "", 0), Entry("res/a.png")},
         {"res\\", "res\\sub\\", "res\\a.png"}},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string archive = dir / "names.zip";
        MakeRaw(archive, {{"entries", c.entries}});
        EXPECT_EQ(Names(archive), c.expected);
    }
}

TEST(ZipNames, PackagesFromPythonZipfile) {
    TempDir dir;
    // zipfile flags only the names that are not ASCII; a package mixing both
    // kinds must still unpack under the names it was made with.
    MakeZipfile(dir / "all.zip", {{"entries", {{{"name", "目录/甲.txt"}}, {{"name", "乙.txt"}}}}});
    EXPECT_THAT(Names(dir / "all.zip"), testing::ElementsAre("目录\\甲.txt", "乙.txt"));
    MakeZipfile(dir / "mixed.zip", {{"entries",
                                     {{{"name", "bin/x.dll"}, {"data", "dll"}},
                                      {{"name", "皮肤/说明.txt"}, {"data", "说明"}},
                                      {{"name", "a.txt"}}}}});
    EXPECT_THAT(Names(dir / "mixed.zip"),
                testing::ElementsAre("bin\\x.dll", "皮肤\\说明.txt", "a.txt"));
    zip::ExtractZipTo(dir / "mixed.zip", dir / "mixed");
    EXPECT_EQ(testsupport::ReadFile(dir / "mixed/bin/x.dll"), "dll");
    EXPECT_EQ(testsupport::ReadFile(dir / "mixed/皮肤/说明.txt"), "说明");
}

TEST(ZipArchive, ListsEntriesInCentralDirectoryOrder) {
    TempDir dir;
    json first = Entry("first.txt", "hello", 0);
    first["date_time"] = {2021, 3, 4, 5, 6, 8};
    MakeRaw(dir / "a.zip",
            {{"reverse_cd", true},
             {"entries", {first, Entry("dir/", "", 0), Entry("last.bin", "abcabcabc")}}});
    ZipArchive z(dir / "a.zip");
    const auto& e = z.Entries();
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0].name, "last.bin");
    EXPECT_EQ(e[0].method, 8);
    EXPECT_EQ(e[0].uncompressedSize, 9u);
    EXPECT_FALSE(e[0].isFolder);
    EXPECT_EQ(e[1].name, "dir\\");
    EXPECT_TRUE(e[1].isFolder);
    EXPECT_EQ(e[2].name, "first.txt");
    EXPECT_EQ(e[2].method, 0);
    EXPECT_EQ(e[2].crc32, 0x3610a686u); // CRC-32 of "hello"
    EXPECT_EQ(e[2].compressedSize, 5u);
    EXPECT_EQ(e[2].dosDate, ((2021 - 1980) << 9) | (3 << 5) | 4);
    EXPECT_EQ(e[2].dosTime, (5 << 11) | (6 << 5) | 4);
    EXPECT_EQ(z.ReadToString(e[2]), "hello");
    EXPECT_EQ(z.ReadToString(e[0]), "abcabcabc");
}

TEST(ZipArchive, Zip64RecordsAndFields) {
    TempDir dir;
    // Sizes and offsets only in the ZIP64 extra field, counts only in the ZIP64 end record.
    json big = Entry("big.bin", "", 8);
    big.erase("data_hex");
    big["gen"] = {{"kind", "text"}, {"size", 3 << 20}, {"seed", 7}};
    big["zip64"] = true;
    json small = Entry("small.txt", "small", 0);
    small["zip64"] = true;
    MakeRaw(dir / "z64.zip", {{"zip64_end", true}, {"entries", {small, big}}});
    {
        ZipArchive z(dir / "z64.zip");
        ASSERT_EQ(z.Entries().size(), 2u);
        EXPECT_EQ(z.Entries()[1].uncompressedSize, 3u << 20);
        EXPECT_GT(z.Entries()[1].localHeaderOffset, 0u);
        EXPECT_EQ(z.ReadToString(z.Entries()[0]), "small");
        EXPECT_EQ(z.ReadToString(z.Entries()[1]).size(), 3u << 20);
    }

    // zipfile's force_zip64 puts the ZIP64 field in the local header only.
    MakeZipfile(dir / "forced.zip",
                {{"entries",
                  {{{"name", "a.txt"}, {"data", "deflated text"}, {"zip64", true}},
                   {{"name", "b.txt"}, {"data", "stored"}, {"method", 0}, {"zip64", true}}}}});
    zip::ExtractZipTo(dir / "forced.zip", dir / "forced");
    EXPECT_EQ(testsupport::ReadFile(dir / "forced/a.txt"), "deflated text");
    EXPECT_EQ(testsupport::ReadFile(dir / "forced/b.txt"), "stored");

    // More than 65535 entries need the ZIP64 end record.
    const int count = 65600;
    Fixture("many", dir / "many.zip", std::to_string(count));
    ZipArchive many(dir / "many.zip");
    ASSERT_EQ(many.Entries().size(), static_cast<size_t>(count));
    EXPECT_EQ(many.Entries().front().name, "d000\\f000000.txt");
    EXPECT_EQ(many.Entries().back().name, "d099\\f065599.txt");
    EXPECT_EQ(many.ReadToString(many.Entries().back()), "65599");
}

TEST(ZipArchive, UnsupportedEntriesNameWhatIsWrong) {
    TempDir dir;
    testsupport::WriteFile(dir / "secret.txt", "secret");
    Shell("cd " + QuotePath(dir.Path()) + " && zip -q -P pass encrypted.zip secret.txt");
    MakeZipfile(dir / "bzip2.zip", {{"entries", {{{"name", "b.dat"}, {"method", 12}}}}});
    MakeZipfile(dir / "lzma.zip", {{"entries", {{{"name", "l.dat"}, {"method", 14}}}}});
    MakeRaw(dir / "deflate64.zip", {{"entries", {Entry("d64.dat", "x", 9)}}});
    struct Case {
        std::string archive, text;
    } cases[] = {
        {"encrypted.zip", "不支持加密的条目 : " + dir / "encrypted.zip" + " : secret.txt"},
        {"bzip2.zip", "不支持的压缩方式 12 (bzip2) : " + dir / "bzip2.zip" + " : b.dat"},
        {"lzma.zip", "不支持的压缩方式 14 (lzma) : " + dir / "lzma.zip" + " : l.dat"},
        {"deflate64.zip",
         "不支持的压缩方式 9 (deflate64) : " + dir / "deflate64.zip" + " : d64.dat"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.archive);
        ZipArchive z(dir / c.archive); // listing works
        ASSERT_EQ(z.Entries().size(), 1u);
        try {
            z.ReadToString(z.Entries()[0]);
            ADD_FAILURE() << "no error";
        } catch (const ZipError& e) {
            EXPECT_EQ(e.what(), c.text);
        }
    }
}

// Offsets in a one-entry archive made by fixtures.py without comment.
struct Layout {
    std::string bytes;
    size_t end, cd;
};
Layout ReadLayout(const std::string& path) {
    Layout l{testsupport::ReadFile(path), 0, 0};
    l.end = l.bytes.size() - 22;
    l.cd = static_cast<unsigned char>(l.bytes[l.end + 16]) |
           static_cast<unsigned char>(l.bytes[l.end + 17]) << 8;
    return l;
}
void Put32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s[at + i] = static_cast<char>(v >> (8 * i));
}

TEST(ZipArchive, DamagedArchivesAreClearErrors) {
    TempDir dir;
    std::string good = dir / "good.zip";
    json entry = Entry("a.txt", "");
    entry.erase("data_hex");
    entry["gen"] = {{"kind", "text"}, {"size", 200000}};
    MakeRaw(good, {{"entries", {entry}}});
    struct Case {
        const char* what;
        std::function<void(Layout&)> damage;
        const char* text;
    } cases[] = {
        {"empty file", [](Layout& l) { l.bytes.clear(); }, "找不到中央目录结尾记录"},
        {"not a zip", [](Layout& l) { l.bytes = std::string(5000, 'z'); },
         "找不到中央目录结尾记录"},
        {"cut in half", [](Layout& l) { l.bytes.resize(l.bytes.size() / 2); },
         "找不到中央目录结尾记录"},
        {"directory beyond the end", [](Layout& l) { Put32(l.bytes, l.end + 16, 0x7FFFFFF0); },
         "中央目录超出文件范围"},
        {"directory larger than the file",
         [](Layout& l) { Put32(l.bytes, l.end + 12, 0x7FFFFFF0); }, "中央目录超出文件范围"},
        {"more entries than the directory holds",
         [](Layout& l) { l.bytes[l.end + 8] = l.bytes[l.end + 10] = 9; }, "中央目录条目数无效"},
        {"broken directory header", [](Layout& l) { l.bytes[l.cd] = 'X'; }, "中央目录条目无效"},
        {"name running past the directory",
         [](Layout& l) { l.bytes[l.cd + 29] = static_cast<char>(0xFF); }, "中央目录不完整"},
        {"compressed size beyond the data",
         [](Layout& l) { Put32(l.bytes, l.cd + 20, 0x7FFFFFF0); }, "条目数据超出文件范围"},
        {"local header offset beyond the data",
         [](Layout& l) { Put32(l.bytes, l.cd + 42, 0x7FFFFFF0); }, "条目数据超出文件范围"},
        {"ZIP64 sizes without the ZIP64 field",
         [](Layout& l) { Put32(l.bytes, l.cd + 24, 0xFFFFFFFF); }, "ZIP64 扩展字段不完整"},
        {"broken local header", [](Layout& l) { l.bytes[0] = 'X'; }, "本地文件头无效"},
        {"deflate data garbled",
         [](Layout& l) {
             for (size_t i = 40; i < 400; ++i)
                 l.bytes[i] = static_cast<char>(i * 7);
         },
         "条目数据无法解压"},
        {"deflate data cut short",
         [](Layout& l) {
             uint32_t csize = static_cast<unsigned char>(l.bytes[l.cd + 20]) |
                              static_cast<unsigned char>(l.bytes[l.cd + 21]) << 8 |
                              static_cast<unsigned char>(l.bytes[l.cd + 22]) << 16;
             Put32(l.bytes, l.cd + 20, csize / 2);
         },
         "条目数据不完整"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Layout l = ReadLayout(good);
        c.damage(l);
        std::string bad = dir / "bad.zip";
        testsupport::WriteFile(bad, l.bytes);
        try {
            zip::ExtractZipTo(bad, dir / "out");
            ADD_FAILURE() << "no error";
        } catch (const ZipError& e) {
            EXPECT_THAT(e.what(), testing::HasSubstr(c.text));
            EXPECT_THAT(e.what(), testing::HasSubstr(bad));
        }
        EXPECT_THAT(Tree(dir / "out"), testing::IsEmpty());
    }
    EXPECT_THROW(ZipArchive(dir / "missing.zip"), ZipError);
    EXPECT_THROW(ZipArchive(dir.Path()), ZipError);
}

// Whatever the damage, the reader answers with a ZipError or with files inside
// the folder; it never crashes, hangs or writes elsewhere.
TEST(ZipArchive, EveryTruncationAndEveryFlippedByte) {
    TempDir dir;
    testsupport::MakeDirs(dir / "src/sub");
    testsupport::WriteFile(dir / "src/sub/text.txt", std::string(300, 'a') + "tail");
    testsupport::WriteFile(dir / "src/one.txt", "1");
    Shell("cd " + QuotePath(dir / "src") + " && zip -q -r -X ../small.zip sub one.txt");
    std::string good = testsupport::ReadFile(dir / "small.zip");
    testsupport::MakeDirs(dir / "box");
    std::string bad = dir / "box/bad.zip";
    for (size_t length = 0; length < good.size(); ++length) {
        testsupport::WriteFile(bad, good.substr(0, length));
        EXPECT_THROW(zip::ExtractZipTo(bad, dir / "box/out"), ZipError) << length;
    }
    int errors = 0;
    for (size_t i = 0; i < good.size(); ++i) {
        std::string damaged = good;
        damaged[i] ^= static_cast<char>(0xA5);
        testsupport::WriteFile(bad, damaged);
        try {
            zip::ExtractZipTo(bad, dir / "box/out");
        } catch (const ZipError&) {
            ++errors;
        }
    }
    EXPECT_GT(errors, 0);
    for (const auto& [name, content] : Tree(dir.Path()))
        EXPECT_TRUE(name.rfind("src", 0) == 0 || name.rfind("box", 0) == 0 || name == "small.zip")
            << name;
}

} // namespace
