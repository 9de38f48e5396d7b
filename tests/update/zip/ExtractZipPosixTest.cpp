// Unpacking where only a POSIX system has the notion: permission bits, and
// the local time zone set through TZ.
#include "update/zip/ZipArchive.h"

#include "ZipFixtures.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ctime>
#include <optional>
#include <sys/stat.h>

using namespace ziptest;
using testing::ElementsAre;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;
using zip::ExtractZipTo;

namespace {

mode_t ModeOf(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

time_t MTimeOf(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? st.st_mtime : 0;
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
    Shell("touch -d @" + std::to_string(fileStamp) + " " + QuotePath(dir / "src/infozip.txt"));
    Shell("cd " + QuotePath(dir / "src") + " && zip -q -X ../infozip.zip infozip.txt");

    ExtractZipTo(dir / "raw.zip", dir / "out");
    ExtractZipTo(dir / "infozip.zip", dir / "out");
    EXPECT_EQ(MTimeOf(dir / "out/raw.txt"), localStamp);
    EXPECT_EQ(MTimeOf(dir / "out/infozip.txt"), fileStamp);
}

} // namespace
