// Files written beside their target and put over it in one step, and files
// read at offsets.
#include "TestSupport.h"
#include "platform/Files.h"
#include "platform/Paths.h"

#include <gtest/gtest.h>

using namespace platform;
using testsupport::TempDir;

namespace {

// The system's own form: the folder as the platform gives it, the rest with
// backslashes, as the update list names files.
std::string SystemName(const TempDir& dir, const std::string& relative) {
    return dir.Path() + "/" + relative;
}

TEST(TempFile, CommitReplacesTheTargetWithTheWrittenBytesAndTime) {
    TempDir dir;
    testsupport::MakeDirs(dir / "sub");
    testsupport::WriteFile(dir / "sub/a.dll", "old");
    const FileTime stamp = std::chrono::system_clock::from_time_t(1600000000);
    for (bool durable : {false, true}) {
        TTempFile file(SystemName(dir, "sub\\a.dll"));
        EXPECT_EQ(file.Path().find(kPathDelim == '/' ? '\\' : '/'), std::string::npos)
            << file.Path();
        file.Write("new ", 4);
        file.Write(durable ? "durable" : "quick", durable ? 7 : 5);
        file.SetTimes(stamp);
        EXPECT_EQ(testsupport::ReadFile(dir / "sub/a.dll"), durable ? "new quick" : "old");
        file.Commit(durable);
        EXPECT_FALSE(testsupport::Exists(file.Path()));
        EXPECT_EQ(testsupport::ReadFile(dir / "sub/a.dll"), durable ? "new durable" : "new quick");
        FileTime time;
        ASSERT_TRUE(GetFileModificationTime(dir / "sub/a.dll", time));
        EXPECT_EQ(time, stamp);
    }
}

TEST(TempFile, WhatIsNotCommittedGoesUnlessKept) {
    TempDir dir;
    testsupport::WriteFile(dir / "target", "old");
    std::string dropped, closed, kept;
    {
        TTempFile file(dir / "target");
        dropped = file.Path();
        file.Write("x", 1);
        EXPECT_TRUE(testsupport::Exists(dropped));
    }
    {
        TTempFile file(dir / "target", dir / "fixed.tmp");
        closed = file.Path();
        file.Write("package", 7);
        file.Close();
        EXPECT_EQ(testsupport::ReadFile(closed), "package");
    }
    {
        TTempFile file(dir / "target", SystemName(dir, "kept.tmp"));
        kept = file.Path();
        file.Write("received", 8);
        file.Keep();
    }
    EXPECT_FALSE(testsupport::Exists(dropped));
    EXPECT_FALSE(testsupport::Exists(closed));
    EXPECT_EQ(testsupport::ReadFile(dir / "kept.tmp"), "received");
    EXPECT_EQ(testsupport::ReadFile(dir / "target"), "old");
}

TEST(TempFile, AFixedNameStartsEmptyAndAFolderTargetIsNeverReplaced) {
    TempDir dir;
    testsupport::WriteFile(dir / "cache.tmp", "an older, longer transfer");
    testsupport::MakeDirs(dir / "folder");
    TTempFile file(dir / "folder", dir / "cache.tmp");
    file.Write("short", 5);
    EXPECT_THROW(file.Commit(false), FileError);
    EXPECT_TRUE(testsupport::Exists(dir / "folder"));
    EXPECT_EQ(testsupport::ReadFile(dir / "cache.tmp"), "short");
}

TEST(TempFile, AMissingFolderFailsAtOnceWithThePath) {
    TempDir dir;
    try {
        TTempFile file(dir / "missing/target");
        FAIL();
    } catch (const FileError& e) {
        EXPECT_NE(e.Path().find(NativePath(dir / "missing")), std::string::npos);
        EXPECT_EQ(e.Code(), std::errc::no_such_file_or_directory);
    }
}

TEST(FileReader, ReadsAtOffsetsAndInOrder) {
    TempDir dir;
    std::string content;
    for (int i = 0; i < 100000; ++i)
        content += char('a' + i % 26);
    testsupport::WriteFile(dir / "f", content);
    TFileReader reader(SystemName(dir, "f"));
    EXPECT_EQ(reader.Size(), content.size());
    char buf[10];
    ASSERT_EQ(reader.ReadAt(99990, buf, 10), 10u);
    EXPECT_EQ(std::string(buf, 10), content.substr(99990));
    EXPECT_EQ(reader.ReadAt(99995, buf, 10), 5u);
    EXPECT_EQ(reader.ReadAt(200000, buf, 10), 0u);
    std::string again;
    std::vector<char> block(4096);
    while (size_t n = reader.Read(block.data(), block.size()))
        again.append(block.data(), n);
    EXPECT_EQ(again, content);

    EXPECT_THROW(TFileReader{dir.Path()}, FileError);
    EXPECT_THROW(TFileReader{dir / "missing"}, FileError);
}

// Hashing a file must never stand in the way of the program that owns it.
TEST(FileReader, OthersMayWriteAndDeleteTheFileMeanwhile) {
    TempDir dir;
    testsupport::WriteFile(dir / "f", "0123456789");
    TFileReader reader(dir / "f");
    testsupport::WriteFile(dir / "f", "abcdefghij");
    char buf[4];
    ASSERT_EQ(reader.ReadAt(2, buf, 4), 4u);
    EXPECT_EQ(std::string(buf, 4), "cdef");
    EXPECT_TRUE(DeleteFile(dir / "f"));
    EXPECT_EQ(reader.ReadAt(6, buf, 4), 4u);
    EXPECT_EQ(std::string(buf, 4), "ghij");
}

} // namespace
