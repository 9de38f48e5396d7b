// The HTTP client against a real server on loopback: what a transfer hands
// to its callbacks, and how each way a transfer can fail is reported (the
// download worker and the update query tell the user by these kinds).
#include "platform/Http.h"
#include "HttpTestServer.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <optional>
#include <string>
#include <thread>

using platform::HttpError;
using testsupport::HttpReply;
using testsupport::HttpRequest;
using testsupport::HttpTestServer;
using Kind = platform::HttpError::Kind;

namespace {

struct Fetched {
    long status = 0;
    int64_t announced = -2;
    std::string body;
    int64_t lastWork = 0;
    std::optional<HttpError> error;
};

Fetched Get(platform::HttpClient& client, const std::string& url) {
    Fetched f;
    try {
        client.Get(
            url,
            [&](long status, int64_t length) {
                f.status = status;
                f.announced = length;
            },
            [&](const char* d, size_t n) {
                f.body.append(d, n);
                return true;
            },
            [&](int64_t received) { f.lastWork = received; });
    } catch (const HttpError& e) {
        f.error = e;
    }
    return f;
}

TEST(Http, GetHandsOverTheStatusLengthBodyAndFinalCount) {
    const std::string body(300 * 1024 + 7, 'b');
    struct Case {
        const char* what;
        HttpReply::Framing framing;
        int64_t announced;
    } cases[] = {
        {"announced length", HttpReply::Framing::Length, static_cast<int64_t>(body.size())},
        {"chunked", HttpReply::Framing::Chunked, -1},
        {"closed at the end", HttpReply::Framing::Close, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HttpTestServer server([&](const HttpRequest&) {
            HttpReply r = HttpReply::Text(200, body);
            r.framing = c.framing;
            return r;
        });
        platform::HttpClient client;
        Fetched f = Get(client, server.Url("/file.bin"));
        ASSERT_FALSE(f.error) << f.error->what();
        EXPECT_EQ(f.status, 200);
        EXPECT_EQ(f.announced, c.announced);
        EXPECT_EQ(f.body, body);
        EXPECT_EQ(f.lastWork, static_cast<int64_t>(body.size()));
    }
}

TEST(Http, PostSendsTheHeadersAndBodyAndReturnsTheAnswer) {
    HttpTestServer server(
        [](const HttpRequest& r) { return HttpReply::Text(200, "answer:" + r.body); });
    platform::HttpClient client;
    client.SetHeaders({{"Content-Type", "application/json; charset=UTF-8"}, {"X-Agent", "更新"}});
    client.SetCloseAfterRequest(true);
    EXPECT_EQ(client.Post(server.Url("/Service/UserService.ashx?GetFileList"), "{\"a\":1}"),
              "answer:{\"a\":1}");
    // A second request on the same client works after the connection was closed.
    EXPECT_EQ(client.Post(server.Url("/again"), "2"), "answer:2");
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].target, "/Service/UserService.ashx?GetFileList");
    EXPECT_EQ(requests[0].Header("Content-Type"), "application/json; charset=UTF-8");
    EXPECT_EQ(requests[0].Header("X-Agent"), "更新");
    EXPECT_EQ(requests[0].body, "{\"a\":1}");
}

TEST(Http, EachFailureHasItsKind) {
    using namespace std::chrono_literals;
    struct Case {
        const char* what;
        HttpReply reply;
        Kind kind;
        long status;
        std::string body;
    } cases[] = {
        {"not found, with its page", HttpReply::Text(404, "no such file"), Kind::Status, 404,
         "no such file"},
        {"server error", HttpReply::Text(500, "boom"), Kind::Status, 500, "boom"},
        {"closed before the announced length",
         [] {
             HttpReply r = HttpReply::Text(200, std::string(10000, 'd'));
             r.dropAfter = 100;
             return r;
         }(),
         Kind::Incomplete, 0, ""},
        {"stalls in the body",
         [] {
             HttpReply r = HttpReply::Text(200, std::string(10000, 's'));
             r.stallAfter = 100;
             return r;
         }(),
         Kind::Timeout, 0, ""},
        {"no answer at all",
         [] {
             HttpReply r = HttpReply::Text(200, "late");
             r.delay = std::chrono::hours(1);
             return r;
         }(),
         Kind::Timeout, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HttpTestServer server([&](const HttpRequest&) { return c.reply; });
        platform::HttpClient client;
        client.SetReadTimeout(1000);
        const auto start = std::chrono::steady_clock::now();
        Fetched f = Get(client, server.Url("/f"));
        ASSERT_TRUE(f.error);
        EXPECT_EQ(f.error->GetKind(), c.kind) << f.error->what();
        EXPECT_EQ(f.error->Status(), c.status);
        EXPECT_EQ(f.error->Body(), c.body);
        if (c.kind == Kind::Status) {
            EXPECT_EQ(std::string(f.error->what()), "HTTP/1.1 " + std::to_string(c.status));
        }
        if (c.kind == Kind::Timeout) {
            EXPECT_STREQ(f.error->what(), "Read timed out.");
            EXPECT_LT(std::chrono::steady_clock::now() - start, 8s);
        }
    }
}

TEST(Http, ARefusedConnectionIsASocketErrorWithTheRefusedCode) {
    const std::string url =
        "http://127.0.0.1:" + std::to_string(HttpTestServer::ClosedPort()) + "/f";
    for (bool post : {false, true}) {
        SCOPED_TRACE(post ? "POST" : "GET");
        platform::HttpClient client;
        std::optional<HttpError> error;
        if (post) {
            try {
                client.Post(url, "{}");
            } catch (const HttpError& e) {
                error = e;
            }
        } else {
            error = Get(client, url).error;
        }
        ASSERT_TRUE(error);
        EXPECT_EQ(error->GetKind(), Kind::Socket);
        // The download worker tells "目标主机拒绝连接" by this code.
        EXPECT_EQ(error->OsCode(), ECONNREFUSED);
        EXPECT_EQ(std::string(error->what()).rfind("Socket Error # ", 0), 0u) << error->what();
    }
}

TEST(Http, ARedirectIsReturnedNotFollowed) {
    HttpTestServer server([](const HttpRequest& r) {
        if (r.target != "/moved") return HttpReply::Text(200, "followed");
        HttpReply reply = HttpReply::Text(302, "elsewhere");
        reply.headers.push_back({"Location", "/target"});
        return reply;
    });
    platform::HttpClient client;
    Fetched f = Get(client, server.Url("/moved"));
    ASSERT_TRUE(f.error);
    EXPECT_EQ(f.error->GetKind(), Kind::Status);
    EXPECT_EQ(f.error->Status(), 302);
    EXPECT_EQ(f.body, "");
    EXPECT_EQ(server.RequestCount(), 1u);
}

// A handler that fails (a full disk while writing, say) fails the transfer
// with its own exception, and the client serves the next request.
TEST(Http, AnExceptionFromAHandlerReachesTheCallerAndTheClientGoesOn) {
    HttpTestServer server(
        [](const HttpRequest&) { return HttpReply::Text(200, std::string(300000, 'x')); });
    platform::HttpClient client;
    struct DiskFull {};
    size_t seen = 0;
    EXPECT_THROW(client.Get(server.Url("/a"), {},
                            [&](const char*, size_t n) -> bool {
                                seen += n;
                                throw DiskFull{};
                            }),
                 DiskFull);
    EXPECT_GT(seen, 0u);
    EXPECT_THROW(client.Get(
                     server.Url("/b"), [](long, int64_t) { throw DiskFull{}; },
                     [](const char*, size_t) { return true; }),
                 DiskFull);
    std::string body;
    client.Get(server.Url("/c"), {}, [&](const char* d, size_t n) {
        body.append(d, n);
        return true;
    });
    EXPECT_EQ(body.size(), 300000u);
}

TEST(Http, StoppingFromTheDataHandlerOrAnotherThreadAborts) {
    using namespace std::chrono_literals;
    HttpTestServer server([](const HttpRequest&) {
        HttpReply r = HttpReply::Text(200, std::string(100000, 'a'));
        r.stallAfter = 1000;
        return r;
    });
    {
        SCOPED_TRACE("data handler says stop");
        platform::HttpClient client;
        try {
            client.Get(
                server.Url("/f"), [](long, int64_t) {}, [](const char*, size_t) { return false; });
            ADD_FAILURE() << "the transfer went on";
        } catch (const HttpError& e) {
            EXPECT_EQ(e.GetKind(), Kind::Aborted) << e.what();
        }
    }
    {
        SCOPED_TRACE("Disconnect from another thread");
        platform::HttpClient client;
        std::atomic<int64_t> received{0};
        std::optional<HttpError> error;
        const auto start = std::chrono::steady_clock::now();
        std::thread transfer([&] {
            try {
                client.Get(
                    server.Url("/f"), [](long, int64_t) {},
                    [&](const char*, size_t n) {
                        received += static_cast<int64_t>(n);
                        return true;
                    });
            } catch (const HttpError& e) {
                error = e;
            }
        });
        // The server has sent all it will; the client waits for more, without a time-out.
        EXPECT_TRUE(testsupport::WaitUntil([&] { return received == 1000; }));
        client.Disconnect();
        transfer.join();
        ASSERT_TRUE(error);
        EXPECT_EQ(error->GetKind(), Kind::Aborted) << error->what();
        EXPECT_LT(std::chrono::steady_clock::now() - start, 20s);
        // A disconnected client stays so.
        EXPECT_EQ(Get(client, server.Url("/f")).error.value().GetKind(), Kind::Aborted);
    }
}

} // namespace
