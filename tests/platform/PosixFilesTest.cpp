// File services where they meet POSIX: permission bits, a running program's
// "text file busy", a script started by its "#!" line.
#include "platform/Files.h"

#include "TestSupport.h"
#include "platform/Paths.h"
#include "platform/Process.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace platform;
using testsupport::TempDir;

namespace {

mode_t ModeOf(const std::string& p) {
    struct stat st;
    return ::stat(p.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(Files, CopyReplacesContentAndKeepsOrAddsExecuteBits) {
    TempDir dir;
    testsupport::WriteFile(dir / "src", "new content");
    testsupport::WriteFile(dir / "dst", "old content that is longer");
    ::chmod((dir / "src").c_str(), 0640);
    ::chmod((dir / "dst").c_str(), 0600);
    EXPECT_FALSE(CopyFileOver(dir / "src", dir / "dst"));
    EXPECT_EQ(testsupport::ReadFile(dir / "dst"), "new content");
    EXPECT_EQ(ModeOf(dir / "dst"), 0640u);
    EXPECT_FALSE(CopyFileOver(dir / "src", dir / "exe", true));
    EXPECT_EQ(ModeOf(dir / "exe"), 0750u);
    EXPECT_EQ(CopyFileOver(dir / "missing", dir / "dst"), std::errc::no_such_file_or_directory);
    EXPECT_TRUE(CopyFileOver(dir / "src", dir / "no-folder/dst"));
}

TEST(Files, CopyOverARunningProgramFailsUntilItEnds) {
    TempDir dir;
    testsupport::CopyExecutable("/bin/sleep", dir / "running");
    testsupport::WriteFile(dir / "new", "replacement");
    testsupport::Child child({{dir / "running", "30"}, "", {}});
    ASSERT_TRUE(child.WaitForExec(dir / "running"));
    EXPECT_EQ(CopyFileOver(dir / "new", dir / "running"), std::errc::text_file_busy);
    EXPECT_NE(testsupport::ReadFile(dir / "running"), "replacement");
    child.Kill(SIGKILL);
    child.Wait();
    EXPECT_FALSE(CopyFileOver(dir / "new", dir / "running"));
    EXPECT_EQ(testsupport::ReadFile(dir / "running"), "replacement");
}

// Windows refuses to rename over a file that is open, even for reading.
TEST(Files, AFileBeingReadCanBeReplaced) {
    TempDir dir;
    testsupport::WriteFile(dir / "g", "old");
    TFileReader held(dir / "g");
    TTempFile file(dir / "g");
    file.Write("new", 3);
    file.Commit(false);
    EXPECT_EQ(testsupport::ReadFile(dir / "g"), "new");
    char buf[3];
    ASSERT_EQ(held.ReadAt(0, buf, 3), 3u);
    EXPECT_EQ(std::string(buf, 3), "old");
}

TEST(Process, StartsWithSplitArgumentsAndFolder) {
    TempDir dir;
    testsupport::MakeDirs(dir / "work dir");
    std::string script = dir / "work dir/prog";
    testsupport::WriteFile(script, "#!/bin/sh\npwd > out.txt\nprintf '%s|' \"$@\" >> out.txt\n");
    ::chmod(script.c_str(), 0755);
    EXPECT_FALSE(StartProcess("\"" + script + "\" one \"two three\"", dir / "work dir/"));
    std::string out = dir / "work dir/out.txt";
    ASSERT_TRUE(testsupport::WaitUntil([&] {
        return testsupport::Exists(out) &&
               testsupport::ReadFile(out).find("three|") != std::string::npos;
    }));
    EXPECT_EQ(testsupport::ReadFile(out), dir.Path() + "work dir\none|two three|");
    EXPECT_TRUE(StartProcess(dir / "missing-program", dir.Path()));
    EXPECT_TRUE(StartProcess("", dir.Path()));
}

} // namespace
