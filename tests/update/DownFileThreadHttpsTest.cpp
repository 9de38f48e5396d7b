// The download worker over HTTPS with a certificate of the test's own.
#include "DownloadWorkerFixture.h"

#include <httplib.h>

namespace {

// A server with a certificate of its own making, for 127.0.0.1.
class HttpsServer {
public:
    explicit HttpsServer(const std::string& folder) {
        cert = folder + "cert.pem";
        key = folder + "key.pem";
        std::string cmd = "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1"
                          " -addext subjectAltName=IP:127.0.0.1 -keyout '" +
                          key + "' -out '" + cert + "' 2>/dev/null";
        EXPECT_EQ(std::system(cmd.c_str()), 0);
        server = std::make_unique<httplib::SSLServer>(cert.c_str(), key.c_str());
        server->Get("/a.dll", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("secure content", "application/octet-stream");
        });
        port = server->bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { server->listen_after_bind(); });
        while (!server->is_running())
            std::this_thread::yield();
    }
    ~HttpsServer() {
        server->stop();
        thread.join();
    }
    std::string cert, key;
    int port = 0;

private:
    std::unique_ptr<httplib::SSLServer> server;
    std::thread thread;
};

TEST_F(DownloadWorker, HttpsRefusesAnUntrustedCertificate) {
    testsupport::TempDir certs;
    HttpsServer server(certs.Path());
    Add("https://127.0.0.1:" + std::to_string(server.port) + "/a.dll", "a.dll");
    RunResult r = Run();
    EXPECT_THAT(r.errorText, HasSubstr("HTTPS证书验证失败"));
    EXPECT_FALSE(Has("a.dll"));
}

TEST_F(DownloadWorker, HttpsWorksWithATrustedCertificate) {
    testsupport::TempDir certs;
    HttpsServer server(certs.Path());
    Add("https://127.0.0.1:" + std::to_string(server.port) + "/a.dll", "a.dll");
    trustedCa = server.cert;
    RunResult r = Run();
    EXPECT_EQ(r.errorText, "");
    EXPECT_EQ(Get("a.dll"), "secure content");
}

} // namespace
