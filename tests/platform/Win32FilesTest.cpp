// File services where they meet Windows: sharing, file attributes, long names.
#include "platform/Files.h"

#include "TestSupport.h"
#include "platform/CommandLine.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/Text.h"

#include <gtest/gtest.h>
#include <windows.h>
#undef DeleteFile // the service of that name, not <windows.h>'s macro

using namespace platform;
using testsupport::TempDir;

namespace {

std::wstring W(const std::string& s) {
    std::u16string u = Utf8ToUtf16(s);
    return std::wstring(u.begin(), u.end());
}

// A running program's file refuses writers: the hand-off copy fails until the
// old updater has ended, and then succeeds.
TEST(Win32Files, CopyOverARunningProgramFailsUntilItEnds) {
    TempDir dir;
    const std::string running = dir / "running.exe";
    ASSERT_FALSE(CopyFileOver(ExecutableFolder() + PLATFORM_PROBE_NAME, running));
    testsupport::WriteFile(dir / "new", "replacement");
    ASSERT_FALSE(StartProcess(JoinCommandLine({running, "--hold", dir / "ready", dir / "stop"}),
                              dir.Path()));
    ASSERT_TRUE(testsupport::WaitUntil([&] { return FileExists(dir / "ready"); }));
    const std::error_code busy = CopyFileOver(dir / "new", running);
    EXPECT_EQ(busy, std::errc::text_file_busy) << busy.message();
    EXPECT_EQ(busy.value(), ERROR_SHARING_VIOLATION);
    EXPECT_NE(testsupport::ReadFile(running), "replacement");

    testsupport::WriteFile(dir / "stop", "");
    EXPECT_TRUE(testsupport::WaitUntil([&] { return !CopyFileOver(dir / "new", running); }));
    EXPECT_EQ(testsupport::ReadFile(running), "replacement");
}

TEST(Win32Files, AFileHeldByAnotherIsReportedInUtf8) {
    TempDir dir;
    testsupport::WriteFile(dir / "held", "data");
    HANDLE h = ::CreateFileW(W(dir / "held").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    try {
        ReadWholeFile(dir / "held");
        ADD_FAILURE();
    } catch (const FileError& e) {
        EXPECT_EQ(e.Code(), std::errc::text_file_busy);
        const std::string message = e.Code().message();
        EXPECT_FALSE(message.empty());
        EXPECT_EQ(ValidUtf8(message), message);
        EXPECT_NE(std::string(e.what()).find(message), std::string::npos);
    }
    EXPECT_THROW(TFileReader{dir / "held"}, FileError);
    ::CloseHandle(h);
    EXPECT_EQ(ReadWholeFile(dir / "held"), "data");
}

TEST(Win32Files, HiddenAndReadOnlyFilesAreReplacedAndDeleted) {
    TempDir dir;
    testsupport::WriteFile(dir / "src", "new");
    testsupport::WriteFile(dir / "hidden", "old");
    ASSERT_TRUE(::SetFileAttributesW(W(dir / "hidden").c_str(), FILE_ATTRIBUTE_HIDDEN));
    EXPECT_FALSE(CopyFileOver(dir / "src", dir / "hidden"));
    EXPECT_EQ(testsupport::ReadFile(dir / "hidden"), "new");

    // (Writing to a read-only file is refused on Windows; Wine run by root
    // lets it through, so it is not asserted here.)
    testsupport::WriteFile(dir / "readonly", "old");
    ASSERT_TRUE(::SetFileAttributesW(W(dir / "readonly").c_str(), FILE_ATTRIBUTE_READONLY));
    // Deleting works as on POSIX, where the permission bits do not matter.
    EXPECT_TRUE(DeleteFile(dir / "readonly"));
    EXPECT_FALSE(FileExists(dir / "readonly"));
}

TEST(Win32Files, NamesLongerThanMaxPathWork) {
    TempDir dir;
    std::string folder = dir.Path();
    while (folder.size() < 300) {
        folder += "a folder with a rather long name 文件夹\\";
        ASSERT_TRUE(CreateFolder(folder)) << folder.size();
    }
    const std::string target = folder + "target.dll";
    TTempFile file(target);
    file.Write("long", 4);
    file.Commit(true);
    EXPECT_TRUE(FileExists(target));
    EXPECT_EQ(ReadWholeFile(target), "long");
    EXPECT_FALSE(CopyFileOver(target, folder + "copy.dll"));
    EXPECT_TRUE(SameFile(folder + "copy.dll",
                         folder + "..\\" + ExtractFileName(folder.substr(0, folder.size() - 1)) +
                             "\\copy.dll"));
    EXPECT_TRUE(DeleteFile(target));
    EXPECT_FALSE(FileExists(target));
}

} // namespace
