// The road of one update with the Windows build's real windows: updater.exe
// under Wine's X11 driver on a virtual screen of the test's own, clicked
// with xdotool; the development server on loopback, a recorder as the
// application. Screenshots go to the build's screenshots folder.
#include "ReleaseServer.h"
#include "TestSupport.h"
#include "UpdaterWindows.h"
#include "XScreen.h"
#include "platform/Md5.h"
#include "skin/ZelSkinPng.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using ::testing::HasSubstr;
using testsupport::Child;
using testsupport::TempDir;

namespace fs = std::filesystem;

namespace {

const std::string kWindowsBuild = WINDOWS_BUILD;
const std::string kUpdaterExe = kWindowsBuild + "/src/app/updater.exe";
const std::string kRecorderExe = kWindowsBuild + "/tests/app/recorder.exe";
const std::string kProbeExe = kWindowsBuild + "/tests/platform/platform_probe.exe";

class WineWindows : public ::testing::Test {
protected:
    XScreen screen;
    TempDir work{"wine windows"};
    std::string install = work / "Program Files/Varnoke/";
    std::string release = work / "release/";
    std::string published = work / "published/";
    std::unique_ptr<Child> server;

    void SetUp() override {
        for (const std::string& program : {kUpdaterExe, kRecorderExe, kProbeExe})
            ASSERT_TRUE(fs::exists(program))
                << program << " is missing: build the Windows build first (make windows)";
        std::string why;
        if (!screen.Start(why)) GTEST_SKIP() << why;
        for (const auto& d :
             {install + "Resource", release + "plugins", release + "skins/图片", published})
            testsupport::MakeDirs(d);
        testsupport::CopyExecutable(kUpdaterExe, install + "updater.exe");
        testsupport::CopyExecutable(kRecorderExe, install + "Varnoke.exe");
        testsupport::WriteFile(install + "Resource/app.ico", "icon");
        testsupport::WriteFile(install + "ag", "\xEF\xBB\xBF"
                                               "WINE-AGENT\r\n");
        testsupport::CopyExecutable(kRecorderExe, release + "Varnoke.exe");
        std::ofstream(release + "Varnoke.exe", std::ios::app) << "\nrelease 2";
        testsupport::WriteFile(release + "plugins/report.dll", "report plug-in v3");
        testsupport::WriteFile(release + "skins/图片/蓝色.txt", "蓝色皮肤");
    }
    // The prefix's desktop stays on this test's screen until its server stops.
    void TearDown() override {
        testsupport::RunForOutput({WINE_PREFIX_SCRIPT, WINE_X11_PREFIX, "stop"}, {},
                                  std::chrono::seconds(60));
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
    std::unique_ptr<Child> StartUpdater() {
        return std::make_unique<Child>(
            Child::Options{{WINE_X11, WINE_X11_PREFIX, install + "updater.exe"},
                           install,
                           {{"DISPLAY", screen.Display},
                            {"UPDATER_HEADLESS", std::nullopt},
                            {"no_proxy", "127.0.0.1,localhost"}}});
    }

    void ClickMain(const std::string& id, std::pair<int, int> point) {
        auto [x, y] = MainClientPoint(screen.GeometryOf(id), point.first, point.second);
        ASSERT_TRUE(screen.ClickAt(x, y));
    }
    // Clicks "开始更新" until the server is asked for a file: a window that has
    // only just appeared may not take the first click yet.
    void StartDownload(const std::string& id) {
        std::string before = server->StdOut();
        for (int attempt = 0; attempt < 5; ++attempt) {
            ClickMain(id, kStartButton);
            if (testsupport::WaitUntil([&] { return server->StdOut().size() > before.size(); },
                                       std::chrono::seconds(4)))
                return;
        }
        ADD_FAILURE() << "the start button did not react";
    }
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
    // Presses a button of the question box until the box is gone.
    bool Answer(int fromRight) {
        for (int attempt = 0; attempt < 5; ++attempt) {
            auto box = screen.WindowNamed(kQuestionTitle, std::chrono::seconds(2));
            if (!box) return true;
            auto [x, y] = MessageBoxButton(screen.GeometryOf(*box), fromRight);
            screen.ClickAt(x, y);
            if (testsupport::WaitUntil(
                    [&] { return !screen.WindowNamed(kQuestionTitle, std::chrono::seconds(0)); },
                    std::chrono::seconds(4)))
                return true;
        }
        return false;
    }

    std::vector<std::string> AppStarts() { return RecordedLines(install + "started.txt"); }
    std::string Installed(const std::string& name) { return testsupport::ReadFile(install + name); }
};

TEST_F(WineWindows, TheWholeRoadWithRealWindows) {
    // Stripped, as a release ships it: the build's copy carries its debug
    // information.
    ASSERT_TRUE(testsupport::RunForOutput(
        {"/usr/bin/x86_64-w64-mingw32-strip", "-o", release + "updater.exe", kUpdaterExe}));
    std::ofstream(release + "updater.exe", std::ios::app) << "\nnew updater build";
    Publish(R"(,"updater":"updater.exe")");
    // Slowed down so that the bars can be seen moving: the recorder is a few
    // megabytes.
    StartServer({"--throttle", "1000000"});
    auto updater = StartUpdater();

    // The checking window shows while the list is fetched.
    ASSERT_TRUE(testsupport::WaitUntil(
        [&] {
            // Any window: the checking window is a tool window without a title.
            auto out = screen.XDo({"search", "--onlyvisible", "--class", "."});
            return out && !out->empty();
        },
        std::chrono::seconds(60)))
        << updater->StdErr();
    Shot("wine-checking-window");

    auto window = screen.WindowNamed(kMainTitle, std::chrono::seconds(60));
    ASSERT_TRUE(window) << updater->StdErr() << server->StdOut();
    const int before = BarFill(Load(Shot("wine-main-window", *window)));
    StartDownload(*window);
    EXPECT_TRUE(testsupport::WaitUntil(
        [&] { return BarFill(Load(Shot("wine-main-window-downloading", *window))) > before + 50; },
        std::chrono::seconds(30)))
        << updater->StdErr();
    ASSERT_EQ(updater->Wait(std::chrono::seconds(120)), 0) << updater->StdErr();

    // The replaced updater checks again; the package is offered again there
    // (its file is gone once unpacked) and is fetched with one more click.
    for (int round = 0; round < 3 && AppStarts().empty(); ++round) {
        auto again = screen.WindowNamed(kMainTitle, std::chrono::seconds(30));
        if (!again) break;
        StartDownload(*again);
        testsupport::WaitUntil([&] { return !AppStarts().empty(); }, std::chrono::seconds(30));
    }
    ASSERT_TRUE(
        testsupport::WaitUntil([&] { return !AppStarts().empty(); }, std::chrono::seconds(60)))
        << server->StdOut();
    const auto starts = AppStarts();
    ASSERT_GE(starts.size(), 3u);
    EXPECT_EQ(starts[0], "RUN Varnoke.exe");
    EXPECT_EQ(starts[2], "ARG WINE-AGENT");

    EXPECT_EQ(Installed("Varnoke.exe"), testsupport::ReadFile(release + "Varnoke.exe"));
    EXPECT_EQ(Installed("plugins/report.dll"), "report plug-in v3");
    EXPECT_EQ(Installed("skins/图片/蓝色.txt"), "蓝色皮肤");
    EXPECT_EQ(Installed("updater.exe"), testsupport::ReadFile(release + "updater.exe"));
    EXPECT_FALSE(testsupport::Exists(install + "~FileCache.TMP"));
    EXPECT_THAT(Installed("version.ini"),
                HasSubstr("[Varnoke.exe]\r\nVer=2\r\nMD5=" +
                          platform::Md5Hex(testsupport::ReadFile(release + "Varnoke.exe"))));

    // The shortcut, read back through the system's shell link.
    auto link =
        testsupport::RunForOutput({WINE_X11, WINE_X11_PREFIX, kProbeExe, "--shortcut", "updater"},
                                  {{"DISPLAY", screen.Display}}, std::chrono::seconds(60));
    ASSERT_TRUE(link) << "no shortcut on the desktop";
    EXPECT_THAT(*link, HasSubstr("\\Program Files\\Varnoke\\updater.exe"));
}

TEST_F(WineWindows, ClosingWhileDownloadingAsksAndOnlyYesStops) {
    testsupport::MakeDirs(install + "plugins");
    testsupport::WriteFile(install + "plugins/report.dll", "old plug-in");
    testsupport::WriteFile(release + "plugins/report.dll", std::string(6 << 20, 'b'));
    Publish();
    StartServer({"--throttle", "1000000"});
    auto updater = StartUpdater();
    auto window = screen.WindowNamed(kMainTitle, std::chrono::seconds(60));
    ASSERT_TRUE(window) << updater->StdErr() << server->StdOut();
    StartDownload(*window);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return Served("/files/plugins/report.dll") == 1; }));

    ClickMain(*window, kCloseButton);
    auto box = screen.WindowNamed(kQuestionTitle);
    ASSERT_TRUE(box) << updater->StdErr();
    Shot("wine-message-box-question", *box);
    ASSERT_TRUE(Answer(0)); // "否"
    EXPECT_TRUE(updater->Running());
    Shot("wine-after-no");
    EXPECT_TRUE(screen.WindowNamed(kMainTitle))
        << screen.XDo({"search", "--name", "."}).value_or("");

    ClickMain(*window, kCloseButton);
    ASSERT_TRUE(screen.WindowNamed(kQuestionTitle)) << updater->StdErr();
    ASSERT_TRUE(Answer(1)); // "是"
    ASSERT_EQ(updater->Wait(std::chrono::seconds(60)), 0) << updater->StdErr();
    // Stopped before the plug-in was whole: the old one stays.
    EXPECT_EQ(Installed("plugins/report.dll"), "old plug-in");
    ASSERT_TRUE(
        testsupport::WaitUntil([&] { return !AppStarts().empty(); }, std::chrono::seconds(60)));
}

} // namespace
