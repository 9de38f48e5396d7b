// The publisher and the development server, as real processes.
#include "HttpTestServer.h"
#include "TestSupport.h"
#include "platform/Clock.h"
#include "platform/Http.h"
#include "platform/Md5.h"
#include "platform/Sha256.h"
#include "update/Json.h"
#include "update/ListTrust.h"
#include "update/zip/ZipArchive.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <memory>

using testsupport::Child;
using testsupport::TempDir;

namespace {

class PublishAndServe : public ::testing::Test {
protected:
    TempDir release{"release"}, published{"published"}, unpacked{"unpacked"}, desc{"desc"};
    int port = testsupport::HttpTestServer::ClosedPort();
    std::string base = "http://127.0.0.1:" + std::to_string(port) + "/";

    void SetUp() override {
        testsupport::MakeDirs(release / "skins/sub");
        testsupport::MakeDirs(release / "plugins");
        testsupport::WriteFile(release / "Varnoke.exe", "program");
        testsupport::WriteFile(release / "plugins/report.dll", "dll");
        testsupport::WriteFile(release / "skins/中文皮肤.txt", "皮肤");
        testsupport::WriteFile(release / "skins/sub/a.png", "png");
        testsupport::WriteFile(release / "updater", "new updater");
        testsupport::WriteFile(
            desc / "release.json",
            R"({"appName":"演示","notes":["第一行","second"],"loaderName":"Loader.exe",)"
            R"("zipFolders":["skins"],"updater":"updater","versions":{"Varnoke.exe":5}})");
        testsupport::Child publisher(
            {{PUBLISHER_BIN, release.Path(), desc / "release.json", published.Path(), base},
             "",
             {}});
        ASSERT_EQ(publisher.Wait(), 0) << publisher.StdErr();
    }

    struct Ended {
        std::optional<int> code; // nullopt: still running at the bound
        std::string out, err;
    };
    static Ended Run(const std::vector<std::string>& argv) {
        Child child({argv, "", {}});
        std::optional<int> code = child.Wait(std::chrono::seconds(30));
        return {code, child.StdOut(), child.StdErr()};
    }

    std::unique_ptr<Child> StartServer(int onPort) {
        auto server = std::make_unique<Child>(Child::Options{
            {DEVSERVER_BIN, published.Path(), "--listen", "127.0.0.1:" + std::to_string(onPort)},
            "",
            {}});
        EXPECT_TRUE(testsupport::WaitUntil([&] {
            return server->StdOut().find("update server on") != std::string::npos ||
                   !server->Running();
        }));
        EXPECT_TRUE(server->Running()) << server->StdErr();
        return server;
    }
};

// A loopback socket listening on a port of the system's choice; it lets
// others share the port (SO_REUSEPORT), as cpp-httplib's default does.
class SharingListener {
public:
    SharingListener() { FSock = testsupport::BindLoopback(testsupport::Reuse::Port, true, FPort); }
    ~SharingListener() { testsupport::CloseSocket(FSock); }
    int Port() const { return FPort; }

private:
    testsupport::SocketHandle FSock = testsupport::kNoSocket;
    int FPort = 0;
};

TEST_F(PublishAndServe, ListAndFilesAreServedAsPublished) {
    testsupport::Child server(
        {{DEVSERVER_BIN, published.Path(), "--listen", "127.0.0.1:" + std::to_string(port)},
         "",
         {}});
    platform::HttpClient client;
    std::string answer;
    ASSERT_TRUE(testsupport::WaitUntil([&] {
        try {
            answer = client.Post(base + "Service/UserService.ashx?GetFileList", "{}");
            return true;
        } catch (const platform::HttpError&) {
            return false;
        }
    }));
    JsonValue doc = JsonValue::Parse(answer);
    EXPECT_EQ(ReadRequiredInteger(doc, "errcode"), 0);
    const JsonValue& data = *doc.Find("data");
    EXPECT_EQ(ReadRequiredText(data, "appName"), "演示");
    EXPECT_EQ(ReadRequiredText(data, "loaderName"), "Loader.exe");
    // The release notes are themselves a JSON array of lines.
    EXPECT_EQ(JsonValue::Parse(ReadRequiredText(data, "updateLog")).Items().at(0).Text(), "第一行");

    std::map<std::string, const JsonValue*> byName;
    for (const JsonValue& e : data.Find("fileList")->Items())
        byName[ReadRequiredText(e, "fileName")] = &e;
    ASSERT_EQ(byName.size(), 4u);
    EXPECT_EQ(ReadRequiredText(*byName["report.dll"], "clientDir"), "plugins");
    EXPECT_EQ(ReadRequiredText(*byName["Varnoke.exe"], "fileVer"), "5");
    EXPECT_EQ(ReadRequiredText(*byName["skins.zip"], "fileType"), "zip");
    EXPECT_EQ(ReadRequiredText(*byName["skins.zip"], "clientDir"), "skins");
    ASSERT_TRUE(byName.count("updater.exe"));

    for (const auto& [name, entry] : byName) {
        std::string body;
        client.Get(ReadRequiredText(*entry, "fileUrl") + "?0123456789ABCDEF0123456789ABCDEF", {},
                   [&](const char* d, size_t n) {
                       body.append(d, n);
                       return true;
                   });
        EXPECT_EQ(platform::Md5Hex(body), ReadRequiredText(*entry, "md5")) << name;
        EXPECT_EQ(platform::Sha256Hex(body), ReadRequiredText(*entry, "sha256")) << name;
        EXPECT_EQ(static_cast<int>(body.size()), ReadRequiredInteger(*entry, "fileSize")) << name;
        if (name == "skins.zip") {
            testsupport::WriteFile(unpacked / "p.zip", body);
            zip::ExtractZipTo(unpacked / "p.zip", unpacked / "skins\\");
        }
    }
    EXPECT_EQ(testsupport::ReadFile(unpacked / "skins/中文皮肤.txt"), "皮肤");
    EXPECT_EQ(testsupport::ReadFile(unpacked / "skins/sub/a.png"), "png");

    EXPECT_THROW(
        client.Get(base + "files/../release.json", {}, [](const char*, size_t) { return true; }),
        platform::HttpError);
}

TEST_F(PublishAndServe, ASignedReleaseIsServedWithASignatureThatVerifies) {
    TempDir keys{"keys"};
    const std::string priv = keys / "list.pem", pub = keys / "list.pub";
    Ended made = Run({PUBLISHER_BIN, "keygen", priv, pub});
    ASSERT_EQ(made.code, 0) << made.err;
    const std::string privText = testsupport::ReadFile(priv);
    // A key is never overwritten: installations trusting it would refuse every later list.
    Ended again = Run({PUBLISHER_BIN, "keygen", priv, keys / "other.pub"});
    EXPECT_EQ(again.code, 1);
    EXPECT_NE(again.err.find("must not exist"), std::string::npos) << again.err;
    EXPECT_EQ(testsupport::ReadFile(priv), privText);

    auto publish = [&](std::vector<std::string> extra) {
        std::vector<std::string> argv = {PUBLISHER_BIN, release.Path(), desc / "release.json",
                                         published.Path(), base};
        argv.insert(argv.end(), extra.begin(), extra.end());
        Ended e = Run(argv);
        EXPECT_EQ(e.code, 0) << e.err;
    };
    auto server = StartServer(port);
    platform::HttpClient client;
    auto ask = [&](std::string& signature) {
        std::string answer = client.Post(base + "Service/UserService.ashx?GetFileList", "{}");
        signature = client.ResponseHeader("x-update-signature");
        return answer;
    };
    const std::string key = P256PointFromPem(testsupport::ReadFile(pub));

    publish({"--key", priv, "--expires-days", "2"});
    std::string signature;
    std::string answer = ask(signature);
    EXPECT_NO_THROW(CheckListSignature(key, answer, signature));
    JsonValue doc = JsonValue::Parse(answer);
    EXPECT_EQ(ReadRequiredText(doc, "serial"), "1");
    const int64_t expires = std::stoll(ReadRequiredText(doc, "expires"));
    EXPECT_NEAR(static_cast<double>(expires - platform::UnixTime()), 2 * 86400.0, 60.0);
    EXPECT_NO_THROW(CheckListDigests(doc));

    // Each signed release raises the serial, unless one is given.
    publish({"--key", priv});
    EXPECT_EQ(ReadRequiredText(JsonValue::Parse(ask(signature)), "serial"), "2");
    publish({"--key", priv, "--serial", "40"});
    answer = ask(signature);
    EXPECT_EQ(ReadRequiredText(JsonValue::Parse(answer), "serial"), "40");
    EXPECT_NO_THROW(CheckListSignature(key, answer, signature));

    // Unsigned again: no stale signature goes with the new list.
    publish({});
    answer = ask(signature);
    EXPECT_EQ(signature, "");
    EXPECT_EQ(JsonValue::Parse(answer).Find("serial"), nullptr);
    EXPECT_FALSE(testsupport::Exists(published / "filelist.json.sig"));
}

TEST_F(PublishAndServe, AServerOnAHeldPortIsRefusedAndTheHolderKeepsTheRequests) {
    struct Held {
        int port;
        std::shared_ptr<void> keep;        // holds the port while alive
        std::function<void()> stillServes; // checks the holder after the refusal
    };
    struct Case {
        const char* heldBy;
        std::function<Held()> hold;
    };
    const Case cases[] = {
        {"another devserver",
         [this] {
             int port = testsupport::HttpTestServer::ClosedPort();
             std::shared_ptr<Child> first = StartServer(port);
             return Held{port, first, [first, port] {
                             // Were the port shared, the kernel would spread these over both
                             // servers.
                             platform::HttpClient client;
                             for (int i = 0; i < 8; ++i)
                                 EXPECT_NO_THROW(
                                     client.Post("http://127.0.0.1:" + std::to_string(port) +
                                                     "/Service/UserService.ashx",
                                                 "{\"n\":" + std::to_string(i) + "}"));
                             EXPECT_TRUE(testsupport::WaitUntil([&] {
                                 return first->StdOut().find("list requested: {\"n\":7}") !=
                                        std::string::npos;
                             })) << first->StdOut();
                             EXPECT_TRUE(first->Running());
                         }};
         }},
        {"a listener that lets others share its port",
         [] {
             auto listener = std::make_shared<SharingListener>();
             return Held{listener->Port(), listener, [] {}};
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.heldBy);
        Held held = c.hold();
        Ended second = Run({DEVSERVER_BIN, published.Path(), "--listen",
                            "127.0.0.1:" + std::to_string(held.port)});
        ASSERT_TRUE(second.code) << "the second server runs: " << second.out;
        EXPECT_EQ(*second.code, 3);
        EXPECT_NE(second.err.find("port " + std::to_string(held.port)), std::string::npos)
            << second.err;
        EXPECT_NE(second.err.find("--listen"), std::string::npos) << second.err;
        EXPECT_EQ(second.out.find("update server on"), std::string::npos) << second.out;
        held.stillServes();
    }
}

TEST_F(PublishAndServe, HelpDocumentsEveryArgument) {
    struct Case {
        std::vector<std::string> argv;
        std::vector<std::string> words;
    };
    const std::vector<std::string> publishWords = {
        "release-folder", "release-json", "output-folder", "base-url",      "appName",
        "notes",          "loaderName",   "zipFolders",    "updater",       "versions",
        "defaultVersion", "remarks",      "Example",       "filelist.json",
    };
    const Case cases[] = {
        {{DEVSERVER_BIN, "--help"},
         {"published-folder", "--listen", "--https", "--throttle", "HOST:PORT"}},
        {{DEVSERVER_BIN, "-h"}, {"published-folder", "--listen"}},
        {{PUBLISHER_BIN, "--help"}, publishWords},
        {{PUBLISHER_BIN, "publish", "--help"}, publishWords},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argv.back() + " of " + c.argv.front());
        Ended help = Run(c.argv);
        ASSERT_EQ(help.code, 0) << help.err;
        for (const std::string& word : c.words)
            EXPECT_NE(help.out.find(word), std::string::npos) << word;
    }
}

TEST_F(PublishAndServe, AWrongCommandLineIsRefusedWithTheFaultNamed) {
    TempDir out{"out"};
    const std::string missing = out / "no such folder";
    testsupport::WriteFile(desc / "typo.json", R"({"zipFolder":["skins"]})");
    testsupport::WriteFile(desc / "wrong-type.json", R"({"versions":{"Varnoke.exe":"2"}})");
    struct Case {
        std::vector<std::string> argv;
        int code;
        std::string named; // in the error
    };
    const std::string url = "http://127.0.0.1:1/";
    const std::string rel = release.Path(), json = desc / "release.json";
    const Case cases[] = {
        {{DEVSERVER_BIN, published.Path(), "--bogus"}, 2, "--bogus"},
        {{DEVSERVER_BIN, "--bogus"}, 2, "--bogus"},
        {{DEVSERVER_BIN}, 2, "published-folder"},
        {{DEVSERVER_BIN, missing}, 2, missing},
        {{DEVSERVER_BIN, published.Path(), "--listen", "127.0.0.1"}, 2, "--listen"},
        {{DEVSERVER_BIN, published.Path(), "--throttle", "fast"}, 2, "--throttle"},
        {{DEVSERVER_BIN, published.Path(), "--https", json}, 2, "--https"},
        {{PUBLISHER_BIN, "--bogus"}, 2, "--bogus"},
        {{PUBLISHER_BIN, rel, json, out.Path(), url, "--bogus"}, 2, "--bogus"},
        {{PUBLISHER_BIN, rel, json, out.Path()}, 2, "base-url"},
        {{PUBLISHER_BIN, "publish", rel, json}, 2, "output-folder"},
        {{PUBLISHER_BIN, missing, json, out.Path(), url}, 2, missing},
        {{PUBLISHER_BIN, rel, desc / "missing.json", out.Path(), url}, 2, desc / "missing.json"},
        {{PUBLISHER_BIN, rel, json, out.Path(), "127.0.0.1/"}, 2, "base-url"},
        {{PUBLISHER_BIN, rel, desc / "typo.json", out.Path(), url}, 1, "zipFolder"},
        {{PUBLISHER_BIN, rel, desc / "wrong-type.json", out.Path(), url}, 1, "versions"},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const std::string& a : c.argv)
            line += " " + a;
        SCOPED_TRACE(line);
        Ended run = Run(c.argv);
        ASSERT_TRUE(run.code) << "still running: " << run.out;
        EXPECT_EQ(*run.code, c.code) << run.err;
        EXPECT_NE(run.err.find(c.named), std::string::npos) << run.err;
        EXPECT_FALSE(testsupport::Exists(out / "filelist.json"));
    }
}

TEST_F(PublishAndServe, PublishNamedOrLeftOutPublishesTheSame) {
    TempDir again{"again"};
    ASSERT_TRUE(testsupport::RunForOutput(
        {PUBLISHER_BIN, "publish", release.Path(), desc / "release.json", again.Path(), base}));
    EXPECT_EQ(testsupport::ReadFile(again / "filelist.json"),
              testsupport::ReadFile(published / "filelist.json"));
}

} // namespace
