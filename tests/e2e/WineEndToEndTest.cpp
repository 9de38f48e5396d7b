// The road of one update with the Windows build: updater.exe under Wine in a
// Windows-style folder, the development server on loopback, a recorder as
// the application. Without a native window back-end yet, the run is
// unattended.
#include "ReleaseServer.h"
#include "TestSupport.h"
#include "platform/Md5.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
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

class WineEndToEnd : public ::testing::Test {
protected:
    TempDir work{"wine e2e"};
    // A Windows-style folder, blank included.
    std::string install = work / "Program Files/Varnoke/";
    std::string release = work / "release/";
    std::string published = work / "published/";
    std::unique_ptr<Child> server;

    void SetUp() override {
        for (const std::string& program : {kUpdaterExe, kRecorderExe, kProbeExe})
            ASSERT_TRUE(fs::exists(program))
                << program << " is missing: build the Windows build first (make windows)";
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
        testsupport::CopyExecutable(kUpdaterExe, release + "updater.exe");
        std::ofstream(release + "updater.exe", std::ios::app) << "\nnew updater build";
    }

    void Publish() {
        testsupport::WriteFile(
            work / "release.json",
            R"({"appName":"Varnoke","zipFolders":["skins"],"updater":"updater.exe",)"
            R"("versions":{"Varnoke.exe":2,"plugins/report.dll":3}})");
        std::string base = std::string("http://") + UPDATER_SERVER_HOST + "/";
        ASSERT_TRUE(testsupport::RunForOutput(
            {PUBLISHER_BIN, release, work / "release.json", published, base}));
    }
    void StartServer() {
        bool ready = false;
        server = StartDevServer(DEVSERVER_BIN, published, UPDATER_SERVER_HOST, {}, ready);
        ASSERT_TRUE(ready) << server->StdErr();
    }
    // A Windows program of the build, under Wine in the test's own prefix.
    Child::Options Windows(std::vector<std::string> argv, const std::string& folder) {
        argv.insert(argv.begin(), {WINE_RUN, WINE_PREFIX});
        return {argv, folder, {{"no_proxy", "127.0.0.1,localhost"}}};
    }

    // The application's start records (the recorder's lines), once there.
    std::vector<std::string> AppStarts() { return RecordedLines(install + "started.txt"); }
    std::string Installed(const std::string& name) { return testsupport::ReadFile(install + name); }
};

TEST_F(WineEndToEnd, FilesPackagesAndANewUpdaterAreInstalledAndTheApplicationStarts) {
    Publish();
    StartServer();
    Child updater(Windows({install + "updater.exe"}, install));
    ASSERT_EQ(updater.Wait(std::chrono::seconds(120)), 0) << updater.StdErr();
    // The hand-off copy waits for the old updater.exe to let go of its file,
    // replaces it and starts it; that run checks again and starts the application.
    ASSERT_TRUE(
        testsupport::WaitUntil([&] { return !AppStarts().empty(); }, std::chrono::seconds(120)))
        << updater.StdErr() << server->StdOut();
    const auto starts = AppStarts();
    ASSERT_GE(starts.size(), 3u);
    EXPECT_EQ(starts[0], "RUN Varnoke.exe");
    EXPECT_THAT(starts[1], HasSubstr("Program Files\\Varnoke"));
    EXPECT_EQ(starts[2], "ARG WINE-AGENT");

    EXPECT_EQ(Installed("Varnoke.exe"), testsupport::ReadFile(release + "Varnoke.exe"));
    EXPECT_EQ(Installed("plugins/report.dll"), "report plug-in v3");
    EXPECT_EQ(Installed("skins/图片/蓝色.txt"), "蓝色皮肤");
    EXPECT_EQ(Installed("updater.exe"), testsupport::ReadFile(release + "updater.exe"));
    EXPECT_FALSE(testsupport::Exists(install + "_updater.tmp"));
    EXPECT_FALSE(testsupport::Exists(install + "~FileCache.TMP"));
    const std::string ini = Installed("version.ini");
    EXPECT_THAT(ini, HasSubstr("[Varnoke.exe]\r\nVer=2\r\nMD5=" +
                               platform::Md5Hex(testsupport::ReadFile(release + "Varnoke.exe"))));
    EXPECT_THAT(ini, HasSubstr("[plugins\\report.dll]\r\nVer=3\r\n"));
    EXPECT_THAT(ini, HasSubstr("Program Files\\Varnoke\\skins\\]\r\nVer=1\r\n"));
    EXPECT_THAT(ini, HasSubstr("[updater.exe]\r\nVer="));
    std::string log = server->StdOut();
    size_t lists = 0;
    for (size_t p = 0; (p = log.find("list requested", p)) != std::string::npos; ++p)
        ++lists;
    EXPECT_EQ(lists, 2u) << log;

    // The shortcut, read back through the system's shell link.
    auto link = testsupport::RunForOutput(
        {WINE_RUN, WINE_PREFIX, kProbeExe, "--shortcut", "updater"}, {}, std::chrono::seconds(60));
    ASSERT_TRUE(link) << "no shortcut on the desktop";
    // A Windows program's standard output ends its lines with CR LF.
    link->erase(std::remove(link->begin(), link->end(), '\r'), link->end());
    EXPECT_THAT(*link, HasSubstr("updater.lnk\n"));
    EXPECT_THAT(*link, HasSubstr("\\Program Files\\Varnoke\\updater.exe\n"));
    EXPECT_THAT(*link, HasSubstr("\\Program Files\\Varnoke\\\n"));
    EXPECT_THAT(*link, HasSubstr("\\Program Files\\Varnoke\\Resource\\app.ico\n"));
}

TEST_F(WineEndToEnd, AnUnreachableServerIsReportedAndTheApplicationStillStarts) {
    Child updater(Windows({install + "updater.exe"}, install));
    ASSERT_EQ(updater.Wait(std::chrono::seconds(120)), 0) << updater.StdErr();
    EXPECT_FALSE(updater.StdErr().empty());
    ASSERT_TRUE(
        testsupport::WaitUntil([&] { return AppStarts().size() >= 3; }, std::chrono::seconds(60)))
        << updater.StdErr();
    EXPECT_EQ(AppStarts()[2], "ARG WINE-AGENT");
    EXPECT_EQ(Installed("Varnoke.exe"), testsupport::ReadFile(kRecorderExe));
}

} // namespace
