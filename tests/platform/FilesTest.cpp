// The file services with real files in a temporary folder: what they do the
// same way on every system.
#include "platform/Files.h"

#include "TestSupport.h"
#include "platform/Paths.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace platform;
using testsupport::TempDir;

namespace {

std::vector<std::string> Listing(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::u8string name = entry.path().filename().u8string();
        names.emplace_back(name.begin(), name.end());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(Paths, NamesAndNativePaths) {
    EXPECT_EQ(ExtractFileName("/a/b\\c.exe"), "c.exe");
    EXPECT_EQ(ExtractFilePath("/a/b\\c.exe"), "/a/b\\");
    EXPECT_EQ(ExtractFilePath("c.exe"), "");
    const std::string d(1, kPathDelim);
    EXPECT_EQ(NativePath("/root/plugins\\sub/a.dll"),
              d + "root" + d + "plugins" + d + "sub" + d + "a.dll");
    EXPECT_EQ(ExecutableFolder().back(), kPathDelim);
    EXPECT_EQ(ExecutableFolder() + ExtractFileName(ExecutablePath()), ExecutablePath());
    EXPECT_TRUE(FileExists(ExecutablePath()));
}

TEST(Files, ReadWholeFileReportsThePath) {
    TempDir dir;
    testsupport::WriteFile(dir / "a", std::string("x\0y", 3));
    EXPECT_EQ(ReadWholeFile(dir / "a"), std::string("x\0y", 3));
    try {
        ReadWholeFile(dir / "missing");
        FAIL();
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find(NativePath(dir / "missing")), std::string::npos);
        EXPECT_EQ(e.Code(), std::errc::no_such_file_or_directory);
    }
    try {
        ReadWholeFile(dir.Path());
        FAIL();
    } catch (const FileError& e) {
        EXPECT_EQ(e.Code(), std::errc::is_a_directory);
    }
}

TEST(Files, CopyReplacesContentAndKeepsTheTime) {
    TempDir dir;
    testsupport::WriteFile(dir / "src", "new content");
    testsupport::WriteFile(dir / "dst", "old content that is longer");
    const FileTime stamp = std::chrono::system_clock::from_time_t(1500000000);
    ASSERT_TRUE(SetFileModificationTime(dir / "src", stamp));
    EXPECT_FALSE(CopyFileOver(dir / "src", dir / "dst"));
    EXPECT_EQ(testsupport::ReadFile(dir / "dst"), "new content");
    FileTime time;
    ASSERT_TRUE(GetFileModificationTime(dir / "dst", time));
    EXPECT_EQ(time, stamp);
    EXPECT_FALSE(CopyFileOver(dir / "src", dir / "exe", true));
    EXPECT_EQ(testsupport::ReadFile(dir / "exe"), "new content");

    EXPECT_EQ(CopyFileOver(dir / "missing", dir / "dst"), std::errc::no_such_file_or_directory);
    EXPECT_EQ(CopyFileOver(dir / "src", dir / "no-folder/dst"),
              std::errc::no_such_file_or_directory);
    EXPECT_EQ(CopyFileOver(dir.Path(), dir / "dst"), std::errc::is_a_directory);
    testsupport::MakeDirs(dir / "folder");
    EXPECT_EQ(CopyFileOver(dir / "src", dir / "folder"), std::errc::is_a_directory);
    EXPECT_EQ(testsupport::ReadFile(dir / "dst"), "new content");
}

TEST(Files, PutInPlaceWholeAndLeaveNothingBehind) {
    TempDir dir;
    WriteFileAtomic(dir / "ini", "first");
    WriteFileAtomic(dir / "ini", "second");
    EXPECT_EQ(testsupport::ReadFile(dir / "ini"), "second");

    testsupport::WriteFile(dir / "src", "copied");
    EXPECT_FALSE(ReplaceFileWith(dir / "src", dir / "ini"));
    EXPECT_EQ(testsupport::ReadFile(dir / "ini"), "copied");
    EXPECT_EQ(testsupport::ReadFile(dir / "src"), "copied");

    testsupport::WriteFile(dir / "moved", "moved");
    EXPECT_FALSE(MoveFileOver(dir / "moved", dir / "ini"));
    EXPECT_EQ(testsupport::ReadFile(dir / "ini"), "moved");
    EXPECT_FALSE(testsupport::Exists(dir / "moved"));
    EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"ini", "src"}));

    // Failures leave the target as it was.
    testsupport::MakeDirs(dir / "folder");
    EXPECT_EQ(ReplaceFileWith(dir / "src", dir / "folder"), std::errc::is_a_directory);
    EXPECT_EQ(MoveFileOver(dir / "src", dir / "folder"), std::errc::is_a_directory);
    EXPECT_EQ(ReplaceFileWith(dir / "missing", dir / "ini"), std::errc::no_such_file_or_directory);
    EXPECT_EQ(MoveFileOver(dir / "missing", dir / "ini"), std::errc::no_such_file_or_directory);
    EXPECT_THROW(WriteFileAtomic(dir / "no-folder/ini", "x"), FileError);
    EXPECT_EQ(testsupport::ReadFile(dir / "ini"), "moved");
    EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"folder", "ini", "src"}));
}

TEST(Files, SameFileSeesThroughOtherSpellings) {
    TempDir dir;
    testsupport::MakeDirs(dir / "sub");
    testsupport::WriteFile(dir / "a", "same");
    testsupport::WriteFile(dir / "b", "same");
    EXPECT_TRUE(SameFile(dir / "a", dir / "sub/../a"));
    EXPECT_TRUE(SameFile(dir / "a", dir / "sub\\..\\a"));
    EXPECT_FALSE(SameFile(dir / "a", dir / "b"));
    EXPECT_FALSE(SameFile(dir / "a", dir / "missing"));
}

TEST(Files, FoldersAndDeletion) {
    TempDir dir;
    EXPECT_TRUE(CreateFolder(dir / "a"));
    EXPECT_TRUE(CreateFolder(dir / "a")); // already there
    std::error_code error;
    EXPECT_FALSE(CreateFolder(dir / "x/y", &error));
    EXPECT_EQ(error, std::errc::no_such_file_or_directory);
    EXPECT_TRUE(DirectoryExists(dir / "a"));
    EXPECT_FALSE(FileExists(dir / "a"));
    testsupport::WriteFile(dir / "f", "");
    EXPECT_FALSE(CreateFolder(dir / "f", &error));
    EXPECT_EQ(error, std::errc::file_exists);
    EXPECT_TRUE(FileExists(dir / "f"));
    EXPECT_FALSE(DirectoryExists(dir / "f"));
    EXPECT_TRUE(SetExecutable(dir / "f"));
    EXPECT_FALSE(SetExecutable(dir / "missing"));
    EXPECT_TRUE(DeleteFile(dir / "f"));
    EXPECT_FALSE(DeleteFile(dir / "f"));
    EXPECT_FALSE(DeleteFile(dir / "a")); // folders are not files
}

TEST(Files, ModificationTimeRoundTrips) {
    TempDir dir;
    testsupport::WriteFile(dir / "f", "");
    FileTime when = std::chrono::system_clock::from_time_t(1300000000) + std::chrono::seconds(2);
    ASSERT_TRUE(SetFileModificationTime(dir / "f", when));
    FileTime got;
    ASSERT_TRUE(GetFileModificationTime(dir / "f", got));
    EXPECT_EQ(got, when);
    EXPECT_FALSE(GetFileModificationTime(dir / "missing", got));
    EXPECT_FALSE(SetFileModificationTime(dir / "missing", when));
}

} // namespace
