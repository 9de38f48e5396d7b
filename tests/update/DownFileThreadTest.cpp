// The download worker through whole runs against a loopback server.
#include "DownloadWorkerFixture.h"
#include "platform/Sha256.h"
#include "platform/Text.h"

namespace {

TEST_F(DownloadWorker, EmptyListMakesNoRequest) {
    HttpTestServer server(Files());
    RunResult r = Run();
    EXPECT_TRUE(r.events.empty());
    EXPECT_EQ(r.total, 0);
    EXPECT_EQ(r.count, 0);
    EXPECT_TRUE(r.successful);
    EXPECT_EQ(server.RequestCount(), 0u);

    auto* done = Add(server.Url("/a.dll"), "a.dll");
    done->HasDownload = true;
    Put("same.dll", "x");
    r = Run();
    EXPECT_TRUE(r.events.empty());
    EXPECT_TRUE(r.successful);
    EXPECT_EQ(server.RequestCount(), 0u);
}

TEST_F(DownloadWorker, OneItemRaisesItsEventsInOrderAndIsPutInPlace) {
    HttpTestServer server(Files());
    auto* item = Add(server.Url("/a.dll"), "a.dll", "lib");
    RunResult r = Run();
    EXPECT_THAT(r.events,
                ElementsAre(Event{"notify", "a.dll", 0}, Event{"notify", "a.dll", 0},
                            Event{"notify", "a.dll", 100}, Event{"complete", "a.dll", 100}));
    EXPECT_EQ(r.errorText, "");
    EXPECT_TRUE(r.successful);
    EXPECT_EQ(Get("lib/a.dll"), "content of a.dll");
    EXPECT_FALSE(Has("~FileCache.TMP"));
    EXPECT_TRUE(item->HasDownload);
    EXPECT_EQ(item->LocalVer(), 3);
    EXPECT_EQ(item->LocalMd5, platform::Md5Hex("content of a.dll"));
    AppConfig->SetSetion("lib\\a.dll");
    EXPECT_EQ(AppConfig->ReadInt32("Ver", 0), 3);
    EXPECT_EQ(AppConfig->ReadString("MD5", ""), platform::Md5Hex("content of a.dll"));
    std::string target = server.Requests().at(0).target;
    EXPECT_TRUE(std::regex_match(target, std::regex("/a\\.dll\\?[0-9A-F]{32}"))) << target;
}

TEST_F(DownloadWorker, SecondOf3Missing_StopsThere_AndANewRunFetchesOnlyTheRest) {
    bool missing = true;
    HttpTestServer server(Files([&](const std::string& path) -> std::optional<HttpReply> {
        if (path == "/b.dll" && missing) return HttpReply::Text(404, "not here");
        return std::nullopt;
    }));
    // 100 bytes announced each, for the totals.
    Add(server.Url("/a.dll"), "a.dll", "", "file", "", 100);
    auto* b = Add(server.Url("/b.dll"), "b.dll", "", "file", "", 100);
    Add(server.Url("/c.dll"), "c.dll", "", "file", "", 100);
    RunResult r = Run();
    EXPECT_EQ(r.errorText, "主机找不到目标资源");
    EXPECT_EQ(r.events.back(), (Event{"error", "b.dll", 0}));
    EXPECT_EQ(std::count(r.events.begin(), r.events.end(), Event{"complete", "a.dll", 100}), 1);
    EXPECT_EQ(r.total, 3);
    EXPECT_EQ(r.count, 1);
    EXPECT_EQ(r.totalSize, 300);
    EXPECT_FALSE(r.successful);
    EXPECT_FALSE(b->HasDownload);
    EXPECT_THAT(Targets(server), ElementsAre("/a.dll", "/b.dll"));

    missing = false;
    r = Run();
    EXPECT_EQ(r.errorText, "");
    EXPECT_EQ(r.total, 2);
    EXPECT_EQ(r.count, 2);
    EXPECT_EQ(r.totalSize, 200);
    EXPECT_TRUE(r.successful);
    EXPECT_THAT(Targets(server), ElementsAre("/a.dll", "/b.dll", "/b.dll", "/c.dll"));
}

struct FailureCase {
    const char* name;
    HttpReply reply;
    const char* errorText;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

HttpReply With(HttpReply r, const std::function<void(HttpReply&)>& change) {
    change(r);
    return r;
}

class DownloadFailure : public DownloadWorker, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(DownloadFailure, GivesTheErrorText) {
    HttpTestServer server([&](const HttpRequest&) { return GetParam().reply; });
    Put("a.dll", "old");
    Add(server.Url("/a.dll"), "a.dll");
    RunResult r = Run();
    EXPECT_EQ(r.errorText, GetParam().errorText);
    EXPECT_EQ(r.events.back().kind, "error");
    EXPECT_EQ(Get("a.dll"), "old"); // nothing put in place
    EXPECT_EQ(server.RequestCount(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DownloadFailure,
    ::testing::Values(FailureCase{"status_500_body", HttpReply::Text(500, "abc"), "abc"},
                      FailureCase{"redirect_not_followed",
                                  With(HttpReply::Text(302, "moved"),
                                       [](HttpReply& r) {
                                           r.headers.push_back({"Location", "/b"});
                                       }),
                                  "moved"},
                      FailureCase{"not_modified", HttpReply::Text(304, ""), ""},
                      FailureCase{"no_length",
                                  With(HttpReply::Text(200, "body"),
                                       [](HttpReply& r) { r.framing = HttpReply::Framing::Close; }),
                                  "文件下载未完成"},
                      FailureCase{
                          "chunked",
                          With(HttpReply::Text(200, "body"),
                               [](HttpReply& r) { r.framing = HttpReply::Framing::Chunked; }),
                          "文件下载未完成"},
                      FailureCase{"dropped_mid_body",
                                  With(HttpReply::Text(200, std::string(100000, 'x')),
                                       [](HttpReply& r) { r.dropAfter = 5000; }),
                                  "文件下载未完成"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DownloadWorker, RefusedConnection) {
    auto* item =
        Add("http://127.0.0.1:" + std::to_string(HttpTestServer::ClosedPort()) + "/a.dll", "a.dll");
    RunResult r = Run();
    EXPECT_EQ(r.errorText, "目标主机拒绝连接");
    EXPECT_EQ(item->Progress, 0);
    EXPECT_THAT(r.events, ElementsAre(Event{"notify", "a.dll", 0}, Event{"error", "a.dll", 0}));
}

TEST_F(DownloadWorker, SameUrlTwiceGetsTwoTokens) {
    HttpTestServer server(Files());
    Add(server.Url("/a.dll"), "a.dll");
    Add(server.Url("/a.dll"), "b.dll");
    Run();
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_NE(requests[0].target, requests[1].target);
}

TEST_F(DownloadWorker, AbortDuringTheSecondOfThree) {
    HttpTestServer server(Files([](const std::string& path) -> std::optional<HttpReply> {
        if (path != "/b.dll") return std::nullopt;
        HttpReply r = HttpReply::Text(200, std::string(4 << 20, 'b'));
        r.pieceSize = 300 * 1024;
        r.pieceDelay = std::chrono::milliseconds(20);
        return r;
    }));
    Add(server.Url("/a.dll"), "a.dll");
    Add(server.Url("/b.dll"), "b.dll");
    Add(server.Url("/c.dll"), "c.dll");
    size_t abortAt = 0;
    onNotify = [&](TDownFileThread* w, TDownloadFileItem* item) {
        if (item->FileName() == "b.dll" && item->Progress > 0 && !w->Abort()) {
            w->SetAbort(true);
            abortAt = 1;
        }
    };
    RunResult r = Run();
    ASSERT_EQ(abortAt, 1u);
    EXPECT_EQ(r.errorText, "下载已被取消");
    // The last notification is the one that set Abort; the error follows it.
    ASSERT_GE(r.events.size(), 2u);
    EXPECT_EQ(r.events.back(), (Event{"error", "b.dll", r.events.back().progress}));
    const Event& beforeError = r.events[r.events.size() - 2];
    EXPECT_EQ(beforeError.kind, "notify");
    EXPECT_GT(beforeError.progress, 0);
    EXPECT_THAT(Targets(server), ElementsAre("/a.dll", "/b.dll"));
    EXPECT_FALSE(Has("b.dll"));
}

TEST_F(DownloadWorker, StalledTransferStopsAtOnceOnAbort) {
    HttpTestServer server([](const HttpRequest&) {
        HttpReply r = HttpReply::Text(200, std::string(1 << 20, 'x'));
        r.stallAfter = 1000;
        return r;
    });
    Add(server.Url("/a.dll"), "a.dll");
    RunResult r;
    bool done = false;
    auto* worker = new TDownFileThread();
    worker->SetFreeOnTerminate(true);
    worker->SetList(&list);
    worker->SetAppRootPath(root.Path());
    worker->SetOnTerminate([&](platform::TThread* t) {
        r.errorText = static_cast<TDownFileThread*>(t)->ErrorText();
        done = true;
    });
    worker->Start();
    ASSERT_TRUE(platform::RunMessageLoopUntil([&] { return server.RequestCount() == 1; },
                                              std::chrono::seconds(20)));
    platform::RunMessageLoopUntil([] { return false; }, std::chrono::milliseconds(300));
    worker->SetAbort(true);
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(platform::RunMessageLoopUntil([&] { return done; }, std::chrono::seconds(20)));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(r.errorText, "下载已被取消");
}

TEST_F(DownloadWorker, DestroyedWhileRunningStopsWithoutReachingTheWindow) {
    HttpTestServer server([](const HttpRequest&) {
        HttpReply r = HttpReply::Text(200, std::string(1 << 20, 'x'));
        r.stallAfter = 1000;
        return r;
    });
    Add(server.Url("/a.dll"), "a.dll");
    int events = 0;
    bool terminated = false;
    auto* worker = new TDownFileThread();
    worker->SetList(&list);
    worker->SetAppRootPath(root.Path());
    worker->SetOnDownloadItemNotify([&](TDownFileThread*, TDownloadFileItem*) { ++events; });
    worker->SetOnDownloadItemError([&](TDownFileThread*, TDownloadFileItem*) { ++events; });
    worker->SetOnTerminate([&](platform::TThread*) { terminated = true; });
    worker->Start();
    ASSERT_TRUE(platform::RunMessageLoopUntil(
        [&] { return server.RequestCount() == 1 && events >= 1; }, std::chrono::seconds(20)));
    int before = events;
    auto start = std::chrono::steady_clock::now();
    delete worker;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    platform::ProcessMainThreadQueue();
    EXPECT_EQ(events, before);
    EXPECT_FALSE(terminated);
}

TEST_F(DownloadWorker, DigestDifferentFromTheAnnouncedOneFailsTheItem) {
    HttpTestServer server(Files());
    Put("a.dll", "old");
    Add(server.Url("/a.dll"), "a.dll", "", "file", platform::Md5Hex("something else"));
    Add(server.Url("/b.dll"), "b.dll", "", "file", platform::Md5Hex("content of b.dll"));
    RunResult r = Run();
    EXPECT_THAT(r.errorText, HasSubstr("MD5"));
    EXPECT_EQ(Get("a.dll"), "old");
    EXPECT_EQ(server.RequestCount(), 1u);
    AppConfig->SetSetion("a.dll");
    EXPECT_EQ(AppConfig->ReadInt32("Ver", 0), 0);
}

// The SHA-256 is checked beside the MD5: content that matches the MD5 but
// not the SHA-256 (what an MD5 collision gives) is never put in place.
TEST_F(DownloadWorker, ContentMustMatchTheAnnouncedSha256Too) {
    HttpTestServer server(Files());
    Put("a.dll", "old");
    Add(server.Url("/a.dll"), "a.dll", "", "file", platform::Md5Hex("content of a.dll"))
        ->FileSha256 = platform::Sha256Hex("another content");
    RunResult r = Run();
    EXPECT_EQ(r.errorText, "文件校验失败(SHA-256不一致)");
    EXPECT_EQ(Get("a.dll"), "old");
    EXPECT_EQ(AppConfig->ReadInt32("a.dll", "Ver", 0), 0);

    list.clear();
    Add(server.Url("/a.dll"), "a.dll", "", "file", platform::Md5Hex("content of a.dll"))
        ->FileSha256 = platform::AsciiUpperCase(platform::Sha256Hex("content of a.dll"));
    EXPECT_EQ(Run().errorText, "");
    EXPECT_EQ(Get("a.dll"), "content of a.dll");
}

TEST_F(DownloadWorker, AnnouncedDigestInCapitalsIsAccepted) {
    HttpTestServer server(Files());
    std::string md5 = platform::Md5Hex("content of a.dll");
    for (char& c : md5)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    Add(server.Url("/a.dll"), "a.dll", "", "file", md5);
    EXPECT_EQ(Run().errorText, "");
    EXPECT_EQ(Get("a.dll"), "content of a.dll");
}

// A server that sends more than the list announced, without end, is cut off
// at the first byte too many: nothing of it is kept or put in place.
TEST_F(DownloadWorker, ABodyLongerThanTheAnnouncedSizeIsStoppedThere) {
    HttpTestServer server([](const HttpRequest&) {
        HttpReply r = HttpReply::Text(200, std::string(64 << 20, 'x'));
        r.framing = HttpReply::Framing::Close;
        return r;
    });
    Put("a.dll", "old");
    Add(server.Url("/a.dll"), "a.dll", "", "file", "", 1000);
    auto start = std::chrono::steady_clock::now();
    RunResult r = Run();
    EXPECT_EQ(r.errorText, "文件数据超过了列表中的大小");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_EQ(Get("a.dll"), "old");
    EXPECT_FALSE(Has("~FileCache.TMP"));
    AppConfig->SetSetion("a.dll");
    EXPECT_EQ(AppConfig->ReadInt32("Ver", 0), 0);
}

TEST_F(DownloadWorker, ABodyOfExactlyTheAnnouncedSizeIsInstalled) {
    HttpTestServer server(Files());
    Add(server.Url("/a.dll"), "a.dll", "", "file", "", int(std::string("content of a.dll").size()));
    EXPECT_EQ(Run().errorText, "");
    EXPECT_EQ(Get("a.dll"), "content of a.dll");
}

// A server that keeps the connection alive with a trickle never trips the
// read time-out; the floor ends it (here 1000 B/s over a second, against
// 100 B/s sent).
TEST_F(DownloadWorker, ATransferBelowTheSpeedFloorFails) {
    HttpTestServer server([](const HttpRequest&) {
        HttpReply r = HttpReply::Text(200, std::string(100000, 'x'));
        r.pieceSize = 10;
        r.pieceDelay = std::chrono::milliseconds(100);
        return r;
    });
    Put("a.dll", "old");
    Add(server.Url("/a.dll"), "a.dll");
    slowFloor = {1000, 1000};
    auto start = std::chrono::steady_clock::now();
    RunResult r = Run();
    EXPECT_EQ(r.errorText, "下载速度过慢 (一分钟内平均不足 1 KB/s)");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_EQ(Get("a.dll"), "old");
}

} // namespace
