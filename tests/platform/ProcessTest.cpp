// Starting a real program (the probe beside the tests) and what it receives.
#include "platform/Process.h"

#include "TestSupport.h"
#include "platform/CommandLine.h"
#include "platform/Files.h"
#include "platform/Paths.h"

#include <gtest/gtest.h>

using namespace platform;
using testsupport::TempDir;

namespace {

std::string Probe() {
    return ExecutableFolder() + PLATFORM_PROBE_NAME;
}

TEST(Process, ArgumentsAndFolderReachTheProgramUnchanged) {
    TempDir dir;
    // Blanks, quotes, backslashes and text no ANSI code page holds whole.
    const std::string folder = dir / "work dir 中文";
    testsupport::MakeDirs(folder);
    const std::string out = dir / "out.txt";
    const std::vector<std::string> args = {"one",     "two three", "中文 空格", "q\"uote",
                                           "trail\\", "",          "é ü ß",     "😀"};
    std::vector<std::string> line = {Probe(), "--record", out};
    line.insert(line.end(), args.begin(), args.end());
    ASSERT_FALSE(StartProcess(JoinCommandLine(line), folder + "/"));
    ASSERT_TRUE(testsupport::WaitUntil([&] { return FileExists(out); }));
    const std::string record = ReadWholeFile(out);
    const size_t eol = record.find('\n');
    ASSERT_NE(eol, std::string::npos) << record;
    EXPECT_TRUE(SameFile(record.substr(0, eol), folder)) << record;
    std::string expected;
    for (const std::string& a : args)
        expected += a + "|";
    EXPECT_EQ(record.substr(eol + 1), expected);
}

TEST(Process, ProgramsThatCannotStartAreReported) {
    TempDir dir;
    EXPECT_EQ(StartProcess(QuoteProgramPath(dir / "missing program"), dir.Path()),
              std::errc::no_such_file_or_directory);
    EXPECT_EQ(StartProcess("", dir.Path()), std::errc::invalid_argument);
    EXPECT_TRUE(StartProcess(Probe(), dir / "missing-folder"));
}

} // namespace
