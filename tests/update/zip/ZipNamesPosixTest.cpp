// Names of packages made from Linux file names, which are bytes: Info-ZIP
// stores them as they are.
#include "update/zip/ZipArchive.h"

#include "ZipFixtures.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace ziptest;
using testsupport::TempDir;

namespace {

const std::string kUtf8Chinese = "中文.txt";
const std::string kUtf8ChineseAsCp437 = "Σ╕¡µûç.txt";
const std::string kGbkChinese = "\xD6\xD0\xCE\xC4.txt"; // 中文 in GBK
const std::string kGbkChineseAsCp437 = "╓╨╬─.txt";

std::vector<std::string> Names(const std::string& archive) {
    zip::ZipArchive z(archive);
    std::vector<std::string> names;
    for (const auto& e : z.Entries())
        names.push_back(e.name);
    return names;
}

TEST(ZipNames, InfoZipStoresLinuxNamesAsBytes) {
    TempDir dir;
    // Info-ZIP zip on Linux stores the file names' bytes as they are, without
    // the flag and without a Unicode-path field.
    testsupport::MakeDirs(dir / "src");
    Shell("cd " + QuotePath(dir / "src") + " && python3 -c \"open(bytes.fromhex('" +
          Hex(kGbkChinese) + "'), 'w').write('gbk'); open(bytes.fromhex('" + Hex(kUtf8Chinese) +
          "'), 'w').write('utf8')\"");
    Shell("cd " + QuotePath(dir / "src") + " && LANG=C LC_ALL=C zip -q -X ../infozip.zip " +
          Quote(kGbkChinese) + " " + Quote(kUtf8Chinese));
    EXPECT_THAT(Names(dir / "infozip.zip"),
                testing::ElementsAre(kGbkChineseAsCp437, kUtf8ChineseAsCp437));

    // And the code-page-437 names are the names written.
    zip::ExtractZipTo(dir / "infozip.zip", dir / "out");
    EXPECT_EQ(testsupport::ReadFile(dir / ("out/" + kGbkChineseAsCp437)), "gbk");
    EXPECT_EQ(testsupport::ReadFile(dir / ("out/" + kUtf8ChineseAsCp437)), "utf8");
}

} // namespace
