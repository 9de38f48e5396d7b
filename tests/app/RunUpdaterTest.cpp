// The updater as a real process in an installation folder.
#include "AppTestSupport.h"

#include <algorithm>
#include <filesystem>

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

class RunSequence : public Installation {};

TEST_F(RunSequence, MissingAgStopsWithOneMessageAndStillWritesVersionIni) {
    InstallUpdater(UPDATER_BIN);
    InstallRecorder("Varnoke.exe");
    auto r = Run();
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "错误: 找不到文件 : " + Native("ag") + "\n");
    EXPECT_TRUE(Has("version.ini"));
    EXPECT_TRUE(Started().empty());
    EXPECT_FALSE(testsupport::Exists(ShortcutFile()));
}

TEST_F(RunSequence, NormalRunMakesTheShortcutAndStartsTheApplication) {
    InstallUpdater(UPDATER_BIN);
    InstallRecorder("Varnoke.exe");
    Put("ag", "\xEF\xBB\xBF"
              "AGENT-7\r\n");
    Put("version.ini", "; kept only as records\r\n[Varnoke.exe]\r\nVer = 12\r\nMD5=abc\r\n");
    testsupport::MakeDirs(At("Resource"));
    Put("Resource/app.ico", "icon");
    auto r = Run();
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    ASSERT_TRUE(WaitForStarts(1));
    EXPECT_THAT(Started(), ElementsAre("RUN Varnoke.exe", CwdLine(), "ARG AGENT-7"));
    EXPECT_EQ(Get("version.ini"), "[Varnoke.exe]\r\nVer=12\r\nMD5=abc\r\n\r\n");

    auto link = Shortcut();
    ASSERT_TRUE(link.has_value()) << ShortcutFile();
    EXPECT_EQ(link->target, Native("updater.exe"));
    EXPECT_EQ(link->workingDirectory, platform::NativePath(Root()));
    EXPECT_EQ(link->iconPath, Native("Resource/app.ico"));
    EXPECT_EQ(link->name, "updater");
}

TEST_F(RunSequence, EmptyAgentCodeIsPassedOn) {
    InstallUpdater(UPDATER_BIN);
    InstallRecorder("Varnoke.exe");
    Put("ag", " \r\n");
    EXPECT_EQ(Run().exitCode, 0);
    ASSERT_TRUE(WaitForStarts(1));
    // Nothing follows the blank after the program, so no argument arrives.
    EXPECT_THAT(Started(), ElementsAre("RUN Varnoke.exe", CwdLine()));
    auto link = Shortcut();
    ASSERT_TRUE(link.has_value()) << ShortcutFile();
    EXPECT_EQ(link->iconPath, "");
}

TEST_F(RunSequence, FailedApplicationStartIsReported) {
    InstallUpdater(UPDATER_BIN);
    Put("ag", "X");
    auto r = Run();
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "错误: 启动软件应用失败\n");
}

TEST_F(RunSequence, OtherLoaderGetsAFreshCopyEveryRunAndTheManifestOnce) {
    InstallUpdater(FAKEWINDOW_BIN);
    InstallRecorder("Varnoke.exe");
    Put("ag", "CODE");
    Put("window.txt", "loader Loader.exe\n");
    Put("Varnoke.exe.manifest", "m1");
    EXPECT_EQ(Run().exitCode, 0);
    ASSERT_TRUE(WaitForStarts(1));
    EXPECT_THAT(Started(), ElementsAre("RUN Loader.exe", CwdLine(), "ARG CODE"));
    EXPECT_EQ(Get("Loader.exe.manifest"), "m1");

    Put("Loader.exe", "stale copy");
    Put("Varnoke.exe.manifest", "m2");
    EXPECT_EQ(Run().exitCode, 0);
    ASSERT_TRUE(WaitForStarts(2));
    EXPECT_EQ(Get("Loader.exe"), Get("Varnoke.exe"));
    EXPECT_EQ(Get("Loader.exe.manifest"), "m1");
}

TEST_F(RunSequence, LoaderDifferingOnlyInLetterCaseIsNotCopied) {
    InstallUpdater(FAKEWINDOW_BIN);
    InstallRecorder("VARNOKE.EXE");
    Put("ag", "CODE");
    Put("window.txt", "loader VARNOKE.EXE\n");
    EXPECT_EQ(Run().exitCode, 0);
    ASSERT_TRUE(WaitForStarts(1));
    EXPECT_THAT(Started(), ElementsAre("RUN VARNOKE.EXE", CwdLine(), "ARG CODE"));
    // No second file: a letter-case-blind file system shows the one under both names.
    EXPECT_EQ(FileNames(),
              (std::vector<std::string>{"VARNOKE.EXE", "ag", "started.txt", "updater.exe",
                                        "version.ini", "window-shown.txt", "window.txt"}));
}

// A loader name that reaches "Varnoke.exe" by another spelling must not
// empty it by copying it onto itself.
TEST_F(RunSequence, LoaderReachingTheApplicationByAnotherNameLeavesItWhole) {
    const char* const loaders[] = {".\\Varnoke.exe", "sub\\..\\Varnoke.exe"};
    for (const char* loader : loaders) {
        SCOPED_TRACE(loader);
        InstallUpdater(FAKEWINDOW_BIN);
        InstallRecorder("Varnoke.exe");
        testsupport::MakeDirs(At("sub"));
        std::filesystem::remove(At("started.txt"));
        const std::string before = Get("Varnoke.exe");
        Put("ag", "CODE");
        Put("window.txt", std::string("loader ") + loader + "\n");
        EXPECT_EQ(Run().exitCode, 0);
        EXPECT_EQ(Get("Varnoke.exe"), before);
        ASSERT_TRUE(WaitForStarts(1));
        EXPECT_THAT(Started(), ElementsAre("RUN Varnoke.exe", CwdLine(), "ARG CODE"));
    }
}

TEST_F(RunSequence, AgentCodeWithTwoLinesArrivesWhole) {
    InstallUpdater(FAKEWINDOW_BIN);
    InstallRecorder("Varnoke.exe");
    Put("ag", "line1\r\nline2\r\n");
    EXPECT_EQ(Run().exitCode, 0);
    EXPECT_EQ(Get("window-shown.txt"), "[line1\r\nline2]\n");
    ASSERT_TRUE(WaitForStarts(1));
    EXPECT_THAT(Started(), ElementsAre("RUN Varnoke.exe", CwdLine(), "ARG line1\\r\\nline2"));
}

TEST_F(RunSequence, UnreadableVersionIniIsReportedAndNeverOverwritten) {
    InstallUpdater(UPDATER_BIN);
    InstallRecorder("Varnoke.exe");
    Put("ag", "CODE");
    testsupport::MakeDirs(At("version.ini")); // exists, cannot be read as a file
    auto r = Run();
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(r.err, HasSubstr("读取版本记录失败"));
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
    ASSERT_TRUE(WaitForStarts(1)); // the run goes on
    EXPECT_TRUE(std::filesystem::is_directory(At("version.ini")));
}

TEST_F(RunSequence, KilledDuringWriteBackLeavesTheOldVersionIni) {
    InstallUpdater(UPDATER_BIN);
    const std::string old = "; comment\r\n[a.dll]\r\nVer=3\r\n";
    Put("version.ini", old);
    auto options = Options({});
    options.env["UPDATER_TEST_PAUSE_BEFORE_RENAME"] = At("paused");
    testsupport::Child child(options);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return Has("paused"); }));
    child.Kill(testsupport::kKillSignal);
    child.Wait();
    EXPECT_EQ(Get("version.ini"), old);
}

TEST_F(RunSequence, NewUpdaterCopyHandsOffInsteadOfLaunching) {
    // The installed updater fetches "a new copy" (the same build with a mark
    // appended, so the replacement can be seen) and ends; the copy replaces
    // it and starts it; that run starts the application.
    InstallUpdater(FAKEWINDOW_BIN);
    InstallRecorder("Varnoke.exe");
    std::string fresh = Get("updater.exe") + std::string("\nNEW BUILD");
    Put("_updater.tmp", fresh);
    testsupport::SetPermissionBits(At("_updater.tmp"), 0755);
    Put("ag", "CODE");
    Put("window.txt", "launcher\n");
    auto r = Run();
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_TRUE(WaitForStarts(1)) << r.err;
    ASSERT_TRUE(
        testsupport::WaitUntil([&] { return Get("window-shown.txt") == "[CODE]\n[CODE]\n"; }));
    EXPECT_EQ(Get("updater.exe"), fresh);
    EXPECT_THAT(Started(), ElementsAre("RUN Varnoke.exe", CwdLine(), "ARG CODE"));
}

} // namespace

namespace {

TEST_F(RunSequence, UnreadableAgStopsTheRunWithAClearMessage) {
    InstallUpdater(UPDATER_BIN);
    InstallRecorder("Varnoke.exe");
    // Exists, but every read fails, whoever runs the test.
    testsupport::UnreadableFile ag(At("ag"));
    auto r = Run();
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(r.err, HasSubstr("读取文件失败 : " + Native("ag")));
    EXPECT_TRUE(Started().empty());
}

} // namespace
