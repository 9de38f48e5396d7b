// A program built with the publisher's key against the development server:
// it takes the signed release and refuses an unsigned one, a tampered one and
// an older signed one replayed after a newer was taken.
#include "ReleaseServer.h"
#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

using ::testing::HasSubstr;
using testsupport::Child;
using testsupport::TempDir;

namespace fs = std::filesystem;

namespace {

class SignedRelease : public ::testing::Test {
protected:
    TempDir work{"signed"};
    std::string install = work / "install/";
    std::string release = work / "release/";
    std::string published = work / "published/";
    std::unique_ptr<Child> server;

    void SetUp() override {
        for (const auto& d : {install, release + "plugins", published})
            testsupport::MakeDirs(d);
        testsupport::CopyExecutable(KEYED_UPDATER_BIN, install + "updater");
        testsupport::CopyExecutable(SAMPLEAPP_BIN, install + "Varnoke.exe");
        testsupport::WriteFile(install + "ag", "SIGNED-AGENT");
        testsupport::WriteFile(release + "plugins/report.dll", "report v1");
        testsupport::WriteFile(work / "release.json", R"({"versions":{"plugins/report.dll":1}})");
        bool ready = false;
        server = StartDevServer(DEVSERVER_BIN, published, UPDATER_SERVER_HOST, {}, ready);
        ASSERT_TRUE(ready) << server->StdErr();
    }

    void Publish(const std::string& content, int version, std::vector<std::string> extra) {
        testsupport::WriteFile(release + "plugins/report.dll", content);
        testsupport::WriteFile(work / "release.json", R"({"versions":{"plugins/report.dll":)" +
                                                          std::to_string(version) + "}}");
        std::vector<std::string> argv = {PUBLISHER_BIN, release, work / "release.json", published,
                                         std::string("http://") + UPDATER_SERVER_HOST + "/"};
        argv.insert(argv.end(), extra.begin(), extra.end());
        ASSERT_TRUE(testsupport::RunForOutput(argv));
    }
    void PublishSigned(const std::string& content, int version) {
        Publish(content, version, {"--key", TEST_LIST_KEY});
    }

    // One unattended run; what it said on standard error.
    std::string RunUpdater() {
        fs::remove(install + "app-started.txt");
        Child updater({{install + "updater"},
                       install,
                       {{"DISPLAY", std::nullopt}, {"WAYLAND_DISPLAY", std::nullopt}}});
        EXPECT_EQ(updater.Wait(std::chrono::seconds(60)), 0) << updater.StdErr();
        // The application starts whether the list was taken or not.
        EXPECT_TRUE(testsupport::WaitUntil([&] {
            return testsupport::Exists(install + "app-started.txt");
        })) << updater.StdErr();
        return updater.StdErr();
    }
    std::string Plugin() const {
        const std::string path = install + "plugins/report.dll";
        return testsupport::Exists(path) ? testsupport::ReadFile(path) : "(none)";
    }
    std::string AcceptedSerial() const {
        const std::string ini = testsupport::ReadFile(install + "version.ini");
        const size_t at = ini.find("[<ListTrust>]\r\nSerial=");
        if (at == std::string::npos) return "";
        const size_t begin = at + 22;
        return ini.substr(begin, ini.find('\r', begin) - begin);
    }
};

TEST_F(SignedRelease, OnlyTheNewestSignedListIsTaken) {
    // Unsigned: refused, nothing fetched.
    Publish("unsigned v1", 1, {});
    EXPECT_THAT(RunUpdater(), HasSubstr("检查更新失败: 更新列表没有签名"));
    EXPECT_EQ(Plugin(), "(none)");
    EXPECT_EQ(ServedCount(server->StdOut(), "/files/plugins/report.dll"), 0);

    // Signed: taken, and its serial remembered.
    PublishSigned("signed v1", 1);
    const std::string oldList = testsupport::ReadFile(published + "filelist.json");
    const std::string oldSignature = testsupport::ReadFile(published + "filelist.json.sig");
    RunUpdater();
    EXPECT_EQ(Plugin(), "signed v1");
    EXPECT_EQ(AcceptedSerial(), "1");

    // Tampered on the way: refused.
    PublishSigned("signed v2", 2);
    std::string list = testsupport::ReadFile(published + "filelist.json");
    list.replace(list.find("\"fileVer\": \"2\""), 14, "\"fileVer\": \"9\"");
    testsupport::WriteFile(published + "filelist.json", list);
    EXPECT_THAT(RunUpdater(), HasSubstr("签名无效"));
    EXPECT_EQ(Plugin(), "signed v1");

    // The next signed release: taken.
    PublishSigned("signed v3", 3);
    RunUpdater();
    EXPECT_EQ(Plugin(), "signed v3");
    EXPECT_EQ(AcceptedSerial(), "3");

    // The first signed list replayed, with its genuine signature and files:
    // older than the one taken, so nothing goes back.
    testsupport::WriteFile(published + "filelist.json", oldList);
    testsupport::WriteFile(published + "filelist.json.sig", oldSignature);
    testsupport::WriteFile(published + "files/plugins/report.dll", "signed v1");
    EXPECT_THAT(RunUpdater(), HasSubstr("比已接受的 3 旧"));
    EXPECT_EQ(Plugin(), "signed v3");
    EXPECT_EQ(AcceptedSerial(), "3");
}

} // namespace
