// The hand-off run: started with the name of the updater to replace.
#include "AppTestSupport.h"
#include "app/UnitReplaceUpdater.h"

#include <thread>

using ::testing::ElementsAre;

namespace {

class HandOff : public Installation {};

TEST_F(HandOff, CopiesTheNewUpdaterOverTheNamedFileAndStartsIt) {
    InstallUpdater(UPDATER_BIN);
    InstallRecorder("_updater.tmp");
    const std::string ini = "; a hand-off never rewrites this\r\n[x]\r\nVer=1\r\n";
    Put("version.ini", ini);
    auto r = Run({"Updater 2.exe", "ignored", "more"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    ASSERT_TRUE(WaitForStarts(1));
    EXPECT_THAT(Started(), ElementsAre("RUN Updater 2.exe", CwdLine()));
    EXPECT_EQ(Get("Updater 2.exe"), Get("_updater.tmp"));
    EXPECT_EQ(testsupport::PermissionBits(At("Updater 2.exe")).value_or(0755) & 0111, 0111u);
    EXPECT_EQ(Get("version.ini"), ini);
    EXPECT_FALSE(testsupport::Exists(ShortcutFile()));
}

TEST_F(HandOff, WaitsWhileTheOldUpdaterStillRuns) {
    InstallUpdater(UPDATER_BIN);
    InstallRecorder("old-updater.exe");
    Put("_updater.tmp", Get("old-updater.exe") + std::string("\nNEW BUILD"));
    testsupport::Child old(Options({"--hold", At("stop")}, "old-updater.exe"));
    ASSERT_TRUE(old.WaitForExec(At("old-updater.exe")));

    testsupport::Child handOff(Options({"old-updater.exe"}));
    // While the old program runs its file cannot be written: the copy keeps waiting.
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_TRUE(handOff.Running());
    EXPECT_NE(Get("old-updater.exe"), Get("_updater.tmp"));

    Put("stop", "");
    ASSERT_TRUE(old.Wait().has_value());
    ASSERT_EQ(handOff.Wait(), 0);
    EXPECT_EQ(Get("old-updater.exe"), Get("_updater.tmp"));
    ASSERT_TRUE(WaitForStarts(2));
    auto lines = Started();
    EXPECT_EQ(lines.back(), CwdLine()); // started again without arguments
    EXPECT_EQ(lines[lines.size() - 2], "RUN old-updater.exe");
}

TEST_F(HandOff, MissingNewCopyFailsAtOnceWithAMessage) {
    InstallUpdater(UPDATER_BIN);
    Put("ag", "CODE");
    auto start = std::chrono::steady_clock::now();
    auto r = Run({"updater.exe"});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "错误: 找不到文件 : " + Native("_updater.tmp") + "\n");
    EXPECT_TRUE(Started().empty());
}

TEST_F(HandOff, CopyLoopGivesUpAfterItsBound) {
    // A running program: its file cannot be written while it runs.
    InstallRecorder("busy.exe");
    Put("new", "x");
    testsupport::Child busy(Options({"--hold", At("stop")}, "busy.exe"));
    ASSERT_TRUE(busy.WaitForExec(At("busy.exe")));
    ASSERT_TRUE(WaitForStarts(1));
    auto ec = CopyOverWhenFree(At("new"), At("busy.exe"), std::chrono::milliseconds(10),
                               std::chrono::milliseconds(200));
    EXPECT_EQ(ec, std::errc::text_file_busy);
    EXPECT_EQ(CopyOverWhenFree(At("missing"), At("busy.exe"), std::chrono::milliseconds(10),
                               std::chrono::seconds(30)),
              std::errc::no_such_file_or_directory);
    busy.Kill(testsupport::kKillSignal);
    busy.Wait();
    EXPECT_FALSE(CopyOverWhenFree(At("new"), At("busy.exe"), std::chrono::milliseconds(10),
                                  std::chrono::seconds(30)));
    EXPECT_EQ(Get("busy.exe"), "x");
}

} // namespace
