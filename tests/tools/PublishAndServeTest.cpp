// The publisher and the development server, as real processes.
#include "HttpTestServer.h"
#include "TestSupport.h"
#include "platform/Http.h"
#include "platform/Md5.h"
#include "update/Json.h"
#include "update/zip/ZipArchive.h"

#include <gtest/gtest.h>

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
        testsupport::WriteFile(desc / "release.json",
                               R"({"appName":"演示","notes":["第一行","second"],"loaderName":"Loader.exe",)"
                               R"("zipFolders":["skins"],"updater":"updater","versions":{"Varnoke.exe":5}})");
        testsupport::Child publisher({{PUBLISHER_BIN, release.Path(), desc / "release.json",
                                       published.Path(), base},
                                      "",
                                      {}});
        ASSERT_EQ(publisher.Wait(), 0) << publisher.StdErr();
    }
};

TEST_F(PublishAndServe, ListAndFilesAreServedAsPublished) {
    testsupport::Child server({{DEVSERVER_BIN, published.Path(), "--listen", "127.0.0.1:" + std::to_string(port)},
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
    for (const JsonValue& e : data.Find("fileList")->Items()) byName[ReadRequiredText(e, "fileName")] = &e;
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
        EXPECT_EQ(static_cast<int>(body.size()), ReadRequiredInteger(*entry, "fileSize")) << name;
        if (name == "skins.zip") {
            testsupport::WriteFile(unpacked / "p.zip", body);
            zip::ExtractZipTo(unpacked / "p.zip", unpacked / "skins\\");
        }
    }
    EXPECT_EQ(testsupport::ReadFile(unpacked / "skins/中文皮肤.txt"), "皮肤");
    EXPECT_EQ(testsupport::ReadFile(unpacked / "skins/sub/a.png"), "png");

    EXPECT_THROW(client.Get(base + "files/../release.json", {}, [](const char*, size_t) { return true; }),
                 platform::HttpError);
}

} // namespace
