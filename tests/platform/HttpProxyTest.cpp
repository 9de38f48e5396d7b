// The user's proxy settings (http_proxy, no_proxy) are honoured, as other
// programs on the system honour them.
#include "HttpTestServer.h"
#include "platform/Http.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

using testsupport::HttpReply;
using testsupport::HttpRequest;
using testsupport::HttpTestServer;

namespace {

// Sets or clears an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : FName(name) {
        if (const char* old = std::getenv(name)) FOld = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (FOld)
            ::setenv(FName, FOld->c_str(), 1);
        else
            ::unsetenv(FName);
    }

private:
    const char* FName;
    std::optional<std::string> FOld;
};

std::string Fetch(const std::string& url, bool post) {
    platform::HttpClient client;
    if (post) return client.Post(url, "{}");
    std::string body;
    client.Get(url, [](long, int64_t) {}, [&](const char* d, size_t n) {
        body.append(d, n);
        return true;
    });
    return body;
}

TEST(HttpProxy, TheUsersProxyCarriesBothRequestsUnlessNoProxyNamesTheHost) {
    HttpTestServer origin([](const HttpRequest&) { return HttpReply::Text(200, "origin"); });
    // A proxy gets the whole URL as the request target.
    HttpTestServer proxy([](const HttpRequest& r) { return HttpReply::Text(200, "proxy " + r.target); });
    const std::string url = origin.Url("/Service/UserService.ashx?GetFileList");
    struct Case {
        const char* what;
        std::optional<std::string> httpProxy, noProxy;
        std::string expected;
    } cases[] = {
        {"no proxy configured", std::nullopt, std::nullopt, "origin"},
        {"http_proxy", proxy.Url(""), std::nullopt, "proxy " + url},
        {"no_proxy names the host", proxy.Url(""), "example.org,127.0.0.1", "origin"},
        {"no_proxy names another host", proxy.Url(""), "example.org", "proxy " + url},
    };
    ScopedEnv all("all_proxy", std::nullopt), allUpper("ALL_PROXY", std::nullopt),
        noUpper("NO_PROXY", std::nullopt);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedEnv http("http_proxy", c.httpProxy), no("no_proxy", c.noProxy);
        EXPECT_EQ(Fetch(url, true), c.expected);
        EXPECT_EQ(Fetch(url, false), c.expected);
    }
}

} // namespace
