// The whole road against nginx with the configuration the publisher writes:
// the list request on the updater's address, the files over HTTPS with a
// certificate the test makes and the updater is told to trust, a signed list
// whose signature nginx sends.
#include "HttpTestServer.h"
#include "ReleaseServer.h"
#include "Sockets.h"
#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

using ::testing::HasSubstr;
using testsupport::Child;
using testsupport::TempDir;

namespace fs = std::filesystem;

namespace {

const char* const kNginx = "/usr/sbin/nginx";

class NginxRoad : public ::testing::Test {
protected:
    TempDir work{"nginx"};
    std::string install = work / "install/";
    std::string release = work / "release/";
    std::string published = work / "published/";
    std::string prefix = work / "nginx/";
    int httpsPort = testsupport::HttpTestServer::ClosedPort();
    std::unique_ptr<Child> nginx;

    void SetUp() override {
        ASSERT_TRUE(fs::exists(kNginx)) << "nginx is missing; scripts/setup-deps installs it";
        for (const auto& d :
             {install, release + "plugins", release + "skins/图片", published, prefix + "logs"})
            testsupport::MakeDirs(d);
        testsupport::CopyExecutable(KEYED_UPDATER_BIN, install + "updater");
        testsupport::CopyExecutable(SAMPLEAPP_BIN, install + "Varnoke.exe");
        testsupport::WriteFile(install + "ag", "NGINX-AGENT");
        testsupport::WriteFile(release + "plugins/report.dll", std::string(300000, 'r'));
        testsupport::WriteFile(release + "skins/图片/蓝色.txt", "蓝色皮肤");
        testsupport::WriteFile(work / "release.json", R"({"zipFolders":["skins"]})");

        ASSERT_TRUE(testsupport::RunForOutput(
            {"/usr/bin/openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
             "-nodes", "-keyout", prefix + "key.pem", "-out", prefix + "cert.pem", "-days", "2",
             "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"}));
        const std::string base = "https://127.0.0.1:" + std::to_string(httpsPort) + "/";
        ASSERT_TRUE(
            testsupport::RunForOutput({PUBLISHER_BIN, release, work / "release.json", published,
                                       base, "--nginx", "--key", TEST_LIST_KEY}));
        ASSERT_TRUE(testsupport::Exists(published + "nginx-release.conf"));
        StartNginx();
    }

    // One process (no workers to outlive it), in a prefix of the test's own.
    void StartNginx() {
        const std::string conf = std::string(::geteuid() == 0 ? "user root;\n" : "") +
                                 "daemon off;\nmaster_process off;\npid " + prefix +
                                 "nginx.pid;\n" + "error_log " + prefix + "logs/error.log;\n" +
                                 "events { worker_connections 64; }\n"
                                 "http {\n"
                                 "  client_body_temp_path " +
                                 prefix +
                                 "body;\n"
                                 "  proxy_temp_path " +
                                 prefix +
                                 "proxy;\n"
                                 "  fastcgi_temp_path " +
                                 prefix +
                                 "fastcgi;\n"
                                 "  uwsgi_temp_path " +
                                 prefix +
                                 "uwsgi;\n"
                                 "  scgi_temp_path " +
                                 prefix +
                                 "scgi;\n"
                                 "  server {\n"
                                 "    listen " +
                                 UPDATER_SERVER_HOST +
                                 ";\n"
                                 "    access_log " +
                                 prefix +
                                 "logs/http.log;\n"
                                 "    include " +
                                 published +
                                 "nginx-release.conf;\n"
                                 "  }\n"
                                 "  server {\n"
                                 "    listen 127.0.0.1:" +
                                 std::to_string(httpsPort) +
                                 " ssl;\n"
                                 "    ssl_certificate " +
                                 prefix +
                                 "cert.pem;\n"
                                 "    ssl_certificate_key " +
                                 prefix +
                                 "key.pem;\n"
                                 "    access_log " +
                                 prefix +
                                 "logs/https.log;\n"
                                 "    include " +
                                 published +
                                 "nginx-release.conf;\n"
                                 "  }\n"
                                 "}\n";
        testsupport::WriteFile(prefix + "nginx.conf", conf);
        nginx = std::make_unique<Child>(
            Child::Options{{kNginx, "-p", prefix, "-c", prefix + "nginx.conf"}, prefix, {}});
        ASSERT_TRUE(testsupport::WaitUntil([&] {
            testsupport::SocketHandle s = testsupport::ConnectLoopback(httpsPort);
            if (s == testsupport::kNoSocket) return !nginx->Running();
            testsupport::CloseSocket(s);
            return true;
        }));
        ASSERT_TRUE(nginx->Running()) << testsupport::ReadFile(prefix + "logs/error.log");
    }
    std::string Log(const std::string& name) {
        const std::string path = prefix + "logs/" + name;
        return testsupport::Exists(path) ? testsupport::ReadFile(path) : "";
    }
};

TEST_F(NginxRoad, TheWholeRoadOverHttpsWithTheSignedList) {
    Child updater({{install + "updater"},
                   install,
                   {{"DISPLAY", std::nullopt},
                    {"WAYLAND_DISPLAY", std::nullopt},
                    {"HOME", work / "home"},
                    {"SSL_CERT_FILE", prefix + "cert.pem"}}});
    ASSERT_EQ(updater.Wait(std::chrono::seconds(60)), 0) << updater.StdErr();
    EXPECT_THAT(updater.StdErr(), ::testing::Not(HasSubstr("检查更新失败"))) << updater.StdErr();
    ASSERT_TRUE(testsupport::WaitUntil([&] {
        return testsupport::Exists(install + "app-started.txt");
    })) << updater.StdErr()
        << Log("error.log");
    EXPECT_EQ(testsupport::ReadFile(install + "plugins/report.dll"), std::string(300000, 'r'));
    EXPECT_EQ(testsupport::ReadFile(install + "skins/图片/蓝色.txt"), "蓝色皮肤");
    EXPECT_THAT(testsupport::ReadFile(install + "version.ini"),
                HasSubstr("[<ListTrust>]\r\nSerial=1"));
    // The list was asked on the updater's address, the files over HTTPS.
    EXPECT_THAT(Log("http.log"),
                HasSubstr("\"POST /Service/UserService.ashx?GetFileList HTTP/1.1\" 200"));
    EXPECT_THAT(Log("https.log"), HasSubstr("\"GET /files/plugins/report.dll?"));
    EXPECT_THAT(Log("https.log"), HasSubstr("\" 200 300000 "));
    EXPECT_THAT(Log("https.log"), HasSubstr("\"GET /files/skins.zip?"));
}

} // namespace
