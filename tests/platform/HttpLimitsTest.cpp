// A server cannot make the client hold more than it asked for: the list
// answer has a cap, and only the start of an error page is kept.
#include "HttpTestServer.h"
#include "platform/Http.h"

#include <gtest/gtest.h>

using testsupport::HttpReply;
using testsupport::HttpRequest;
using testsupport::HttpTestServer;

namespace {

TEST(HttpLimits, AnAnswerPastTheCapFailsAndOneAtItArrives) {
    constexpr size_t kCap = 1 << 20;
    size_t length = 0;
    HttpTestServer server(
        [&](const HttpRequest&) { return HttpReply::Text(200, std::string(length, 'x')); });
    platform::HttpClient client;
    client.SetMaxAnswerSize(kCap);
    length = kCap;
    EXPECT_EQ(client.Post(server.Url("/list"), "{}").size(), kCap);
    length = kCap + 1;
    try {
        client.Post(server.Url("/list"), "{}");
        ADD_FAILURE() << "an answer past the cap arrived";
    } catch (const platform::HttpError& e) {
        EXPECT_EQ(e.GetKind(), platform::HttpError::Kind::Other);
        EXPECT_NE(std::string(e.what()).find("回答过大"), std::string::npos) << e.what();
    }
}

TEST(HttpLimits, OnlyTheStartOfAnErrorPageIsKept) {
    HttpTestServer server(
        [](const HttpRequest&) { return HttpReply::Text(404, std::string(4 << 20, 'e')); });
    platform::HttpClient client;
    try {
        client.Get(
            server.Url("/f"), [](long, int64_t) {}, [](const char*, size_t) { return true; });
        ADD_FAILURE() << "a 404 was taken for success";
    } catch (const platform::HttpError& e) {
        EXPECT_EQ(e.GetKind(), platform::HttpError::Kind::Status);
        EXPECT_EQ(e.Status(), 404);
        EXPECT_EQ(e.Body(), std::string(64 * 1024, 'e'));
    }
}

} // namespace
