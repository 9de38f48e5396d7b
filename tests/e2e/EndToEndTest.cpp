// The road of one update as a user sees it: real processes, a real server,
// real windows on a virtual X screen driven by xdotool.
#include "HttpTestServer.h"
#include "ReleaseServer.h"
#include "TestSupport.h"
#include "UpdaterWindows.h"
#include "XScreen.h"
#include "platform/Md5.h"
#include "skin/ZelSkinImage.h"
#include "skin/ZelSkinPng.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <sys/stat.h>

using ::testing::HasSubstr;
using testsupport::Child;
using testsupport::TempDir;

namespace fs = std::filesystem;

namespace {

class EndToEnd : public ::testing::Test {
protected:
    XScreen screen;
    TempDir work{"e2e"};
    std::string install = work / "install/";
    std::string release = work / "release/";
    std::string published = work / "published/";
    std::string home = work / "home/";
    std::unique_ptr<Child> server;

    void SetUp() override {
        std::string why;
        if (!screen.Start(why)) GTEST_SKIP() << why;
        for (const auto& d :
             {install, release + "plugins", release + "skins/图片", published, home + "Desktop"})
            testsupport::MakeDirs(d);
        // The installation as it stands: an old application, the updater, the agent code.
        testsupport::CopyExecutable(UPDATER_BIN, install + "updater");
        testsupport::CopyExecutable(SAMPLEAPP_BIN, install + "Varnoke.exe");
        testsupport::WriteFile(install + "ag", "\xEF\xBB\xBF"
                                               "E2E-AGENT\r\n");
        // The release: a new application, a plug-in and a zip package with a
        // Chinese-named file in a sub-folder.
        testsupport::CopyExecutable(SAMPLEAPP_BIN, release + "Varnoke.exe");
        std::ofstream(release + "Varnoke.exe", std::ios::app) << "\nrelease 2";
        testsupport::WriteFile(release + "plugins/report.dll", "report plug-in v3");
        testsupport::WriteFile(release + "skins/图片/蓝色.txt", "蓝色皮肤");
        testsupport::WriteFile(release + "skins/readme.txt", "skins");
    }

    void Publish(const std::string& extra = "") {
        testsupport::WriteFile(
            work / "release.json",
            R"({"appName":"Varnoke 演示版","notes":["修复了若干问题","新增皮肤包"],)"
            R"("zipFolders":["skins"],"versions":{"Varnoke.exe":2,"plugins/report.dll":3})" +
                extra + "}");
        std::string base = std::string("http://") + UPDATER_SERVER_HOST + "/";
        ASSERT_TRUE(testsupport::RunForOutput(
            {PUBLISHER_BIN, release, work / "release.json", published, base}));
    }

    void StartServer(std::vector<std::string> extra = {}) {
        bool ready = false;
        server = StartDevServer(DEVSERVER_BIN, published, UPDATER_SERVER_HOST, extra, ready);
        ASSERT_TRUE(ready) << server->StdErr();
    }
    int Served(const std::string& path) { return ServedCount(server->StdOut(), path); }

    // display: none for a run without one; by default the test's own screen.
    std::unique_ptr<Child> StartUpdater(bool display = true,
                                        std::optional<std::string> otherDisplay = {}) {
        return std::make_unique<Child>(
            Child::Options{{install + "updater"},
                           install,
                           {{"DISPLAY", otherDisplay ? otherDisplay
                                        : display    ? std::optional(screen.Display)
                                                     : std::nullopt},
                            {"WAYLAND_DISPLAY", std::nullopt},
                            {"HOME", home},
                            {"UPDATER_HEADLESS", std::nullopt},
                            {"XDG_DESKTOP_DIR", std::nullopt},
                            {"XDG_CONFIG_HOME", std::nullopt}}});
    }

    std::optional<std::string> WindowNamed(const std::string& title,
                                           std::chrono::seconds bound = std::chrono::seconds(30)) {
        return screen.WindowNamed(title, bound);
    }
    // The main window's id once it is on screen.
    std::optional<std::string> MainWindow(std::chrono::seconds bound = std::chrono::seconds(30)) {
        return WindowNamed(kMainTitle, bound);
    }
    Geometry GeometryOf(const std::string& id) { return screen.GeometryOf(id); }
    void ClickClient(const std::string& id, std::pair<int, int> point) {
        auto [x, y] = MainClientPoint(GeometryOf(id), point.first, point.second);
        ASSERT_TRUE(screen.ClickAt(x, y));
    }
    void ClickStart(const std::string& id) { ClickClient(id, kStartButton); }
    // Clicks "开始更新" until the server is asked for a file: a window that has
    // only just appeared may not take the first click yet.
    void StartDownload(const std::string& id) {
        std::string before = server->StdOut();
        for (int attempt = 0; attempt < 5; ++attempt) {
            ClickStart(id);
            if (testsupport::WaitUntil([&] { return server->StdOut().size() > before.size(); },
                                       std::chrono::seconds(4)))
                return;
        }
        ADD_FAILURE() << "the start button did not react";
    }
    void ClickCancel(const std::string& id) { ClickClient(id, kCancelButton); }
    void ClickClose(const std::string& id) { ClickClient(id, kCloseButton); }

    std::string Shot(const std::string& name, const std::string& window = "") {
        fs::create_directories(ARTEFACT_DIR);
        std::string path = std::string(ARTEFACT_DIR) + "/" + name + ".png";
        std::vector<std::string> argv = {XSHOT_BIN, path};
        if (!window.empty()) argv.push_back(window);
        testsupport::RunForOutput(argv, {{"DISPLAY", screen.Display}});
        return path;
    }
    TZelSkinImage Load(const std::string& path) {
        TZelSkinImage image;
        LoadPngFromFile(path, image);
        return image;
    }

    // Takes shots until the status line shows red text (an error), within a bound.
    bool ShowsRedStatus(const std::string& window, const std::string& name) {
        return testsupport::WaitUntil(
            [&] {
                TZelSkinImage shot = Load(Shot(name, window));
                int red = 0;
                for (int y = 28 + 325; y < 28 + 351 && y < shot.Height(); ++y) // the status line
                    for (int x = 240; x < shot.Width(); ++x) {
                        TColor32 p = shot.Pixel(x, y);
                        red += RedOf(p) > 150 && GreenOf(p) < 90 && BlueOf(p) < 90;
                    }
                return red > 20;
            },
            std::chrono::seconds(30));
    }

    // What a failed window search leaves to look at: the updater's state,
    // the windows on the screen and what the server was asked.
    std::string Diagnose(Child& updater) {
        std::string out = "\nupdater running: " + std::to_string(updater.Running()) + ", display " +
                          screen.Display + "\n";
        // Its open files: an X connection shows as a socket.
        out += testsupport::RunForOutput(
                   {"/bin/ls", "-l", "/proc/" + std::to_string(updater.Pid()) + "/fd"}, {})
                   .value_or("");
        out += testsupport::RunForOutput({"/usr/bin/xwininfo", "-root", "-tree"},
                                         {{"DISPLAY", screen.Display}})
                   .value_or("(no window list)\n");
        return out + (server ? server->StdOut() : std::string());
    }
    bool AppStarted() const { return testsupport::Exists(install + "app-started.txt"); }
    std::string AppAgentCode() const { return testsupport::ReadFile(install + "app-started.txt"); }
    std::string Installed(const std::string& name) const {
        return testsupport::ReadFile(install + name);
    }
};

TEST_F(EndToEnd, NothingToDoStartsTheApplicationAfterTheCheck) {
    // The release is what is installed already.
    fs::remove_all(release);
    testsupport::MakeDirs(release);
    testsupport::CopyExecutable(SAMPLEAPP_BIN, release + "Varnoke.exe");
    Publish();
    StartServer();
    auto start = std::chrono::steady_clock::now();
    auto updater = StartUpdater();
    // The checking window is up while the list is fetched.
    ASSERT_TRUE(testsupport::WaitUntil([&] {
        auto out = screen.XDo({"search", "--onlyvisible", "--class", "."});
        return out && !out->empty();
    })) << updater->StdErr()
        << Diagnose(*updater);
    Shot("checking-window");
    ASSERT_EQ(updater->Wait(std::chrono::seconds(60)), 0) << updater->StdErr();
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
    EXPECT_FALSE(MainWindow(std::chrono::seconds(1)));
    ASSERT_TRUE(testsupport::WaitUntil([&] { return AppStarted(); }));
    EXPECT_EQ(AppAgentCode(), "agent code: E2E-AGENT\n");
    EXPECT_TRUE(testsupport::Exists(home + "Desktop/updater.desktop"));
}

TEST_F(EndToEnd, FilesAreFetchedUnpackedRecordedAndTheApplicationStarts) {
    // Slowed down so that the bars can be seen moving: at 100 KB/s the
    // application's 400 KB of padding takes about four seconds, whatever the
    // size of the sample program in this build.
    std::ofstream(release + "Varnoke.exe", std::ios::app) << std::string(400 * 1024, 'p');
    Publish();
    StartServer({"--throttle", "100000"});
    auto updater = StartUpdater();
    auto window = MainWindow();
    ASSERT_TRUE(window) << updater->StdErr() << Diagnose(*updater);
    int before = BarFill(Load(Shot("main-window", *window)));
    StartDownload(*window);
    // Shots until one shows the bars filled part-way (the window is gone
    // once everything is done, so a later shot could not show them).
    EXPECT_TRUE(testsupport::WaitUntil(
        [&] { return BarFill(Load(Shot("main-window-downloading", *window))) > before + 50; },
        std::chrono::seconds(30)))
        << updater->StdErr();
    ASSERT_EQ(updater->Wait(std::chrono::seconds(60)), 0) << updater->StdErr();
    EXPECT_EQ(Installed("Varnoke.exe"), testsupport::ReadFile(release + "Varnoke.exe"));
    EXPECT_EQ(Installed("plugins/report.dll"), "report plug-in v3");
    EXPECT_EQ(Installed("skins/图片/蓝色.txt"), "蓝色皮肤");
    EXPECT_EQ(Installed("skins/readme.txt"), "skins");
    EXPECT_FALSE(testsupport::Exists(install + "~FileCache.TMP"));
    std::string ini = Installed("version.ini");
    EXPECT_THAT(ini, HasSubstr("[Varnoke.exe]\r\nVer=2\r\nMD5=" +
                               platform::Md5Hex(testsupport::ReadFile(release + "Varnoke.exe"))));
    EXPECT_THAT(ini, HasSubstr("[plugins\\report.dll]\r\nVer=3\r\n"));
    EXPECT_THAT(ini, HasSubstr("[" + install + "skins\\]\r\nVer=1\r\n"));
    ASSERT_TRUE(testsupport::WaitUntil([&] { return AppStarted(); }));
    EXPECT_EQ(AppAgentCode(), "agent code: E2E-AGENT\n");
}

TEST_F(EndToEnd, ANewUpdaterReplacesItselfAndTheLastRunStartsTheApplication) {
    // A package is offered again at every check (its file is gone once it is
    // unpacked), so this release has none: the last run finds nothing to do.
    fs::remove_all(release + "skins");
    testsupport::CopyExecutable(UPDATER_BIN, release + "updater");
    std::ofstream(release + "updater", std::ios::app) << "\nnew updater build";
    Publish(R"(,"updater":"updater")");
    StartServer();
    auto updater = StartUpdater();
    auto window = MainWindow();
    ASSERT_TRUE(window) << updater->StdErr() << Diagnose(*updater);
    StartDownload(*window);
    ASSERT_EQ(updater->Wait(std::chrono::seconds(60)), 0) << updater->StdErr();
    // The hand-off copy waits for the old updater, replaces it and starts it;
    // that run checks again, finds nothing and starts the application.
    ASSERT_TRUE(testsupport::WaitUntil([&] { return AppStarted(); }, std::chrono::seconds(60)))
        << server->StdOut() << updater->StdErr() << Installed("version.ini");
    EXPECT_EQ(Installed("updater"), testsupport::ReadFile(release + "updater"));
    EXPECT_TRUE(
        testsupport::WaitUntil([&] { return !testsupport::Exists(install + "_updater.tmp"); }));
    EXPECT_EQ(server->StdOut().find("list requested") != std::string::npos, true);
    std::string log = server->StdOut();
    size_t lists = 0;
    for (size_t p = 0; (p = log.find("list requested", p)) != std::string::npos; ++p)
        ++lists;
    EXPECT_EQ(lists, 2u) << log;
    EXPECT_EQ(AppAgentCode(), "agent code: E2E-AGENT\n");
}

// An installation that runs unattended has no screen to click on: the run
// goes on by itself, reports its progress on standard error and ends the way
// the window would, through the hand-off to the application.
TEST_F(EndToEnd, WithoutADisplayTheUpdateRunsUnattended) {
    testsupport::CopyExecutable(UPDATER_BIN, release + "updater");
    std::ofstream(release + "updater", std::ios::app) << "\nnew updater build";
    Publish(R"(,"updater":"updater")");
    StartServer();
    auto updater = StartUpdater(false);
    ASSERT_EQ(updater->Wait(std::chrono::seconds(60)), 0) << updater->StdErr();
    ASSERT_TRUE(testsupport::WaitUntil([&] { return AppStarted(); }, std::chrono::seconds(60)))
        << server->StdOut() << updater->StdErr();
    EXPECT_EQ(AppAgentCode(), "agent code: E2E-AGENT\n");
    EXPECT_EQ(Installed("Varnoke.exe"), testsupport::ReadFile(release + "Varnoke.exe"));
    EXPECT_EQ(Installed("skins/图片/蓝色.txt"), "蓝色皮肤");
    EXPECT_EQ(Installed("updater"), testsupport::ReadFile(release + "updater"));
    std::string err = updater->StdErr();
    EXPECT_THAT(err, HasSubstr("] Varnoke.exe 100% 文件大小(KB):"));
    EXPECT_THAT(err, HasSubstr("] report.dll 100% 文件大小(KB):1,"));
    EXPECT_THAT(err, HasSubstr("] updater.exe 100% "));
}

// A display that is named but cannot be reached is no screen either: the
// run goes on unattended rather than with windows nobody can see.
TEST_F(EndToEnd, ADisplayThatCannotBeOpenedRunsUnattended) {
    Publish();
    StartServer();
    auto updater = StartUpdater(true, ":4093");
    ASSERT_EQ(updater->Wait(std::chrono::seconds(60)), 0) << updater->StdErr();
    EXPECT_THAT(updater->StdErr(), HasSubstr("无法打开显示"));
    EXPECT_THAT(updater->StdErr(), HasSubstr("] report.dll 100% "));
    ASSERT_TRUE(testsupport::WaitUntil([&] { return AppStarted(); }));
    EXPECT_EQ(Installed("plugins/report.dll"), "report plug-in v3");
}

// A file that fails is reported with the window's words; the application
// still starts.
TEST_F(EndToEnd, WithoutADisplayAFailedFileIsReportedAndTheApplicationStarts) {
    Publish();
    fs::remove(published + "files/plugins/report.dll");
    StartServer();
    auto updater = StartUpdater(false);
    ASSERT_EQ(updater->Wait(std::chrono::seconds(60)), 0) << updater->StdErr();
    EXPECT_THAT(updater->StdErr(), HasSubstr(" 下载[report.dll]发生错误:"));
    ASSERT_TRUE(testsupport::WaitUntil([&] { return AppStarted(); }));
    EXPECT_EQ(AppAgentCode(), "agent code: E2E-AGENT\n");
}

TEST_F(EndToEnd, AMissingFileStopsTheRunAndASecondStartFetchesOnlyTheRest) {
    Publish();
    std::string held = work / "held-back.dll";
    fs::rename(published + "files/plugins/report.dll", held);
    StartServer();
    auto updater = StartUpdater();
    auto window = MainWindow();
    ASSERT_TRUE(window) << updater->StdErr() << Diagnose(*updater);
    StartDownload(*window);
    // The first file is put in place, the second fails: the window stays.
    ASSERT_TRUE(testsupport::WaitUntil([&] {
        return server->StdOut().find("missing: /files/plugins/report.dll") != std::string::npos;
    }));
    ASSERT_TRUE(testsupport::WaitUntil([&] {
        return Installed("Varnoke.exe") == testsupport::ReadFile(release + "Varnoke.exe");
    }));
    EXPECT_TRUE(updater->Running());
    // The status line shows the error in red.
    EXPECT_TRUE(ShowsRedStatus(*window, "main-window-error"));

    fs::rename(held, published + "files/plugins/report.dll");
    StartDownload(*window);
    ASSERT_EQ(updater->Wait(std::chrono::seconds(60)), 0) << updater->StdErr();
    EXPECT_EQ(Served("/files/Varnoke.exe"), 1);
    EXPECT_EQ(Served("/files/plugins/report.dll"), 1);
    EXPECT_EQ(Served("/files/skins.zip"), 1);
    EXPECT_EQ(Installed("plugins/report.dll"), "report plug-in v3");
    ASSERT_TRUE(testsupport::WaitUntil([&] { return AppStarted(); }));
}

TEST_F(EndToEnd, CancelStopsTheDownloadAndLeavesNothingHalfWritten) {
    std::string big(6 << 20, 'b');
    testsupport::WriteFile(release + "plugins/report.dll", big);
    testsupport::WriteFile(install + "plugins.keep", "");
    testsupport::MakeDirs(install + "plugins");
    testsupport::WriteFile(install + "plugins/report.dll", "old plug-in");
    Publish();
    StartServer({"--throttle", "1000000"});
    auto updater = StartUpdater();
    auto window = MainWindow();
    ASSERT_TRUE(window) << updater->StdErr() << Diagnose(*updater);
    StartDownload(*window);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return Served("/files/plugins/report.dll") == 1; }));
    ClickCancel(*window);
    // The stopped transfer is reported in red and the window stays.
    EXPECT_TRUE(ShowsRedStatus(*window, "main-window-cancelled"));
    EXPECT_TRUE(updater->Running());
    EXPECT_EQ(Installed("plugins/report.dll"), "old plug-in");
    ClickClose(*window);
    ASSERT_EQ(updater->Wait(std::chrono::seconds(60)), 0) << updater->StdErr();
    EXPECT_EQ(Installed("plugins/report.dll"), "old plug-in");
    ASSERT_TRUE(testsupport::WaitUntil([&] { return AppStarted(); }));
}

TEST_F(EndToEnd, AnUnreachableServerStillStartsTheApplicationWithoutAMessage) {
    auto updater = StartUpdater();
    ASSERT_EQ(updater->Wait(std::chrono::seconds(60)), 0);
    EXPECT_EQ(updater->StdErr(), "");
    ASSERT_TRUE(testsupport::WaitUntil([&] { return AppStarted(); }));
    EXPECT_EQ(AppAgentCode(), "agent code: E2E-AGENT\n");
}

TEST_F(EndToEnd, AStartUpErrorShowsInTheSkinnedBoxUntilOKIsClicked) {
    fs::remove(install + "ag");
    auto updater = StartUpdater();
    auto box = WindowNamed("错误");
    ASSERT_TRUE(box) << updater->StdErr();
    const Geometry g = GeometryOf(*box);
    // The text lies right of the icon (2 + 66) and below the title bar
    // (28 + 20): its characters leave dark pixels there once the box shows.
    int dark = 0;
    testsupport::WaitUntil([&] {
        TZelSkinImage shot = Load(Shot("message-box-error", *box));
        dark = 0;
        for (int y = 28 + 20; y < shot.Height() - 37 - 2; ++y)
            for (int x = 2 + 66; x < shot.Width() - 2; ++x) {
                TColor32 p = shot.Pixel(x, y);
                dark += RedOf(p) + GreenOf(p) + BlueOf(p) < 3 * 90;
            }
        return dark > 200;
    });
    EXPECT_GT(dark, 200);
    EXPECT_TRUE(updater->Running());
    // "确定" ends the run.
    std::optional<int> code;
    for (int attempt = 0; attempt < 5 && !code; ++attempt) {
        auto [x, y] = MessageBoxButton(g, 0);
        ASSERT_TRUE(screen.ClickAt(x, y));
        code = updater->Wait(std::chrono::seconds(4));
    }
    ASSERT_EQ(code, 0) << updater->StdErr();
    // Shown on the screen, not written to standard error.
    EXPECT_EQ(updater->StdErr(), "");
    EXPECT_FALSE(AppStarted());
}

} // namespace
