#include "HttpTestServer.h"
#include "QueryExchangeSupport.h"
#include "UpdateTestSupport.h"
#include "platform/Clock.h"
#include "platform/MainThread.h"
#include "platform/Md5.h"
#include "update/Json.h"
#include "update/UnitQueryServerFiles.h"

#include <gmock/gmock.h>

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using testsupport::HttpReply;
using testsupport::HttpRequest;
using testsupport::HttpTestServer;

namespace {

std::string FileEntry(const std::string& name, const std::string& extra = "",
                      bool withRemark = true) {
    std::string e =
        R"({"fileName":")" + name +
        R"(","clientDir":"","fileVer":"2","fileType":"file","fileSize":10,"fileUrl":"http://x/)" +
        name + "\"" + extra;
    if (withRemark) e += R"(,"remark":"r")";
    return e + "}";
}

std::string Answer(const std::string& fileList, const std::string& more = "") {
    return R"({"errcode":0,"errmsg":"","data":{"updateLog":"log","appName":"Varnoke")" + more +
           R"(,"fileList":[)" + fileList + "]}}";
}

TEST_F(QueryExchange, PostsTheRequestAsSpecifiedAndGathersTheFiles) {
    HttpTestServer server([](const HttpRequest&) {
        return HttpReply::Text(200, Answer(FileEntry("a.dll") + "," + FileEntry("b.dll")));
    });
    Outcome out = RunExchange(server.Url(kPath), BuildCheckData("代理-01"), 0, list);
    EXPECT_EQ(out.error, "");
    EXPECT_EQ(out.updateLog, "log");
    EXPECT_EQ(out.appName, "Varnoke");
    EXPECT_THAT(out.files, ElementsAreArray({"a.dll", "b.dll"}));
    EXPECT_EQ(out.finishedCount, 1);

    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    const HttpRequest& r = requests[0];
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.target, "/Service/UserService.ashx?GetFileList");
    EXPECT_EQ(r.Header("Content-Type"), "application/json; charset=UTF-8");
    EXPECT_EQ(r.Header("Accept"), "*/*");
    EXPECT_EQ(r.Header("Connection"), "Keep-Alive");
    EXPECT_EQ(r.Header("Content-Length"), std::to_string(r.body.size()));
    EXPECT_EQ(r.body, "{\"agentID\":\"代理-01\",\"supportZip\":true,\"appID\":\"Varnoke\"}");
    // Every listed file leaves its version section.
    EXPECT_EQ(VersionIni(), "[a.dll]\r\nVer=0\r\n\r\n[b.dll]\r\nVer=0\r\n\r\n");
}

TEST_F(QueryExchange, AnAgentCodeCannotChangeTheRequestsStructure) {
    HttpTestServer server([](const HttpRequest&) { return HttpReply::Text(200, ""); });
    RunExchange(server.Url(kPath), BuildCheckData("x\",\"appID\":\"Other"), 0, list);
    JsonValue body = JsonValue::Parse(server.Requests().at(0).body);
    EXPECT_EQ(body.Find("agentID")->Text(), "x\",\"appID\":\"Other");
    EXPECT_EQ(body.Find("appID")->Text(), "Varnoke");
}

struct FailureCase {
    const char* name;
    int status;
    std::string body;
    const char* error; // exact text; with a leading '~' a part of it
    std::vector<std::string> files;
    const char* updateLog;
    const char* appName;
    const char* loaderName; // after the exchange (it starts as "Varnoke.exe")
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class QueryFailureTable : public QueryExchange,
                          public ::testing::WithParamInterface<FailureCase> {};

TEST_P(QueryFailureTable, EndsAsTheTableSays) {
    const FailureCase& c = GetParam();
    // A local file equal to what the server lists is ignored.
    Put("same.dll", "same");
    HttpTestServer server([&](const HttpRequest&) {
        HttpReply r = HttpReply::Text(c.status, c.body);
        if (c.status == 302) r.headers.push_back({"Location", "/elsewhere"});
        return r;
    });
    Outcome out = Exchange(server);
    std::string error = c.error;
    if (!error.empty() && error[0] == '~')
        EXPECT_THAT(out.error, HasSubstr(error.substr(1)));
    else
        EXPECT_EQ(out.error, error);
    EXPECT_EQ(out.files, c.files);
    EXPECT_EQ(out.updateLog, c.updateLog);
    EXPECT_EQ(out.appName, c.appName);
    EXPECT_EQ(AppConfig->LoaderName(), c.loaderName);
    EXPECT_EQ(out.finishedCount, 1);
    EXPECT_EQ(server.RequestCount(), 1u); // nothing retried, no redirect followed
}

const std::string kSameMd5 = platform::Md5Hex("same");

INSTANTIATE_TEST_SUITE_P(
    Table, QueryFailureTable,
    ::testing::Values(
        FailureCase{"status_404", 404, "missing", "~404", {}, "", "", "Varnoke.exe"},
        FailureCase{"status_500", 500, "oops", "~500", {}, "", "", "Varnoke.exe"},
        FailureCase{"redirect_not_followed", 302, "", "~302", {}, "", "", "Varnoke.exe"},
        FailureCase{"empty_body", 200, "", "", {}, "", "", "Varnoke.exe"},
        FailureCase{"not_json", 200, "<html>", "~", {}, "", "", "Varnoke.exe"},
        FailureCase{"top_not_object", 200, "[1,2]", "~", {}, "", "", "Varnoke.exe"},
        FailureCase{"nested_two_million_deep",
                    200,
                    std::string(2 << 20, '[') + std::string(2 << 20, ']'),
                    "~嵌套层次过深",
                    {},
                    "",
                    "",
                    "Varnoke.exe"},
        FailureCase{
            "errcode_absent", 200, "{}", "Value 'errcode' not found", {}, "", "", "Varnoke.exe"},
        FailureCase{
            "errcode_as_string_zero", 200, R"({"errcode":"0"})", "", {}, "", "", "Varnoke.exe"},
        FailureCase{
            "errcode_5_ignores_data",
            200,
            R"({"errcode":5,"errmsg":"服务器忙","data":{"updateLog":"l","appName":"a","loaderName":"L.exe","fileList":[)" +
                FileEntry("a.dll") + "]}}",
            "服务器忙",
            {},
            "",
            "",
            "Varnoke.exe"},
        FailureCase{"errcode_without_errmsg",
                    200,
                    R"({"errcode":1})",
                    "Value 'errmsg' not found",
                    {},
                    "",
                    "",
                    "Varnoke.exe"},
        FailureCase{"data_absent", 200, R"({"errcode":0})", "", {}, "", "", "Varnoke.exe"},
        FailureCase{
            "data_not_object", 200, R"({"errcode":0,"data":[]})", "~", {}, "", "", "Varnoke.exe"},
        FailureCase{"update_log_absent",
                    200,
                    R"({"errcode":0,"data":{"appName":"a"}})",
                    "Value 'updateLog' not found",
                    {},
                    "",
                    "",
                    "Varnoke.exe"},
        FailureCase{"app_name_absent",
                    200,
                    R"({"errcode":0,"data":{"updateLog":"l"}})",
                    "Value 'appName' not found",
                    {},
                    "l",
                    "",
                    "Varnoke.exe"},
        FailureCase{"second_of_three_lacks_remark",
                    200,
                    Answer(FileEntry("a.dll") + "," + FileEntry("b.dll", "", false) + "," +
                           FileEntry("c.dll")),
                    "Value 'remark' not found",
                    {"a.dll"},
                    "log",
                    "Varnoke",
                    "Varnoke.exe"},
        FailureCase{
            "file_ver_1_2",
            200,
            R"({"errcode":0,"data":{"updateLog":"l","appName":"a","fileList":[{"fileName":"a","clientDir":"","fileVer":"1.2"}]}})",
            "'1.2' is not a valid integer value",
            {},
            "l",
            "a",
            "Varnoke.exe"},
        FailureCase{
            "file_ver_as_number",
            200,
            R"({"errcode":0,"data":{"updateLog":"l","appName":"a","fileList":[{"fileName":"a","clientDir":"","fileVer":7,"fileType":"f","fileSize":1,"fileUrl":"u","remark":""}]}})",
            "",
            {"a"},
            "l",
            "a",
            "Varnoke.exe"},
        FailureCase{"loader_name_trimmed",
                    200,
                    Answer("", ",\"loaderName\":\" \\tLoader.exe \\t\""),
                    "",
                    {},
                    "log",
                    "Varnoke",
                    "Loader.exe"},
        FailureCase{"loader_name_empty",
                    200,
                    Answer("", ",\"loaderName\":\"\""),
                    "",
                    {},
                    "log",
                    "Varnoke",
                    ""},
        FailureCase{"every_action_ignored",
                    200,
                    Answer(FileEntry("same.dll", ",\"md5\":\"" + kSameMd5 + "\"")),
                    "",
                    {},
                    "log",
                    "Varnoke",
                    "Varnoke.exe"},
        FailureCase{"file_list_not_array",
                    200,
                    R"({"errcode":0,"data":{"updateLog":"l","appName":"a","fileList":{}}})",
                    "~",
                    {},
                    "l",
                    "a",
                    "Varnoke.exe"},
        FailureCase{"element_not_object",
                    200,
                    Answer(FileEntry("a.dll") + ",3"),
                    "~",
                    {"a.dll"},
                    "log",
                    "Varnoke",
                    "Varnoke.exe"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(QueryExchange, RefusedConnectionIsAFailureWithoutItems) {
    Outcome out =
        RunExchange("http://127.0.0.1:" + std::to_string(HttpTestServer::ClosedPort()) + kPath,
                    BuildCheckData("A"), 0, list);
    EXPECT_THAT(out.error, HasSubstr("Socket Error"));
    EXPECT_TRUE(out.files.empty());
    EXPECT_EQ(out.finishedCount, 1);
}

TEST_F(QueryExchange, StalledAnswerEndsAfterTheReadTimeout) {
    HttpTestServer server([](const HttpRequest&) {
        HttpReply r = HttpReply::Text(200, Answer(FileEntry("a.dll")));
        r.stallAfter = 5;
        return r;
    });
    Outcome out = Exchange(server);
    EXPECT_FALSE(out.error.empty());
    EXPECT_TRUE(out.files.empty());
    EXPECT_GE(out.finishedAfterMs, 9500u);
    EXPECT_LT(out.finishedAfterMs, 30000u);
}

TEST_F(QueryExchange, FastAnswerIsHeldToTheMinimumDuration) {
    HttpTestServer server([](const HttpRequest&) {
        HttpReply r = HttpReply::Text(200, Answer(FileEntry("a.dll")));
        r.delay = std::chrono::milliseconds(200);
        return r;
    });
    Outcome out = Exchange(server, 1500);
    EXPECT_GE(out.finishedAfterMs, 1500u);
    EXPECT_LT(out.finishedAfterMs, 2500u);
}

TEST_F(QueryExchange, SlowAnswerIsNotHeldLonger) {
    HttpTestServer server([](const HttpRequest&) {
        HttpReply r = HttpReply::Text(200, Answer(FileEntry("a.dll")));
        r.delay = std::chrono::milliseconds(3000);
        return r;
    });
    Outcome out = Exchange(server, 1500);
    EXPECT_GE(out.finishedAfterMs, 3000u);
    EXPECT_LT(out.finishedAfterMs, 4000u);
}

TEST_F(QueryExchange, FailedExchangeIsAlsoHeldToTheMinimumDuration) {
    HttpTestServer server([](const HttpRequest&) { return HttpReply::Text(404, ""); });
    Outcome out = Exchange(server, 1500);
    EXPECT_FALSE(out.error.empty());
    EXPECT_GE(out.finishedAfterMs, 1500u);
}

TEST_F(QueryExchange, ManyLocalFilesKeepListOrderAndDigests) {
    std::string entries;
    for (int i = 0; i < 40; ++i) {
        std::string name = "f" + std::to_string(i) + ".bin";
        Put("data\\" + name, std::string(1000 + i * 997, static_cast<char>('a' + i % 26)));
        if (i) entries += ",";
        entries +=
            R"({"fileName":")" + name +
            R"(","clientDir":"data","fileVer":"2","fileType":"file","fileSize":1,"fileUrl":"u","remark":""})";
    }
    HttpTestServer server(
        [&](const HttpRequest&) { return HttpReply::Text(200, Answer(entries)); });
    Outcome out = Exchange(server);
    ASSERT_EQ(out.error, "");
    ASSERT_EQ(list.size(), 40u);
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(list[i]->FileName(), "f" + std::to_string(i) + ".bin");
        EXPECT_EQ(list[i]->LocalMd5,
                  platform::Md5Hex(std::string(1000 + i * 997, static_cast<char>('a' + i % 26))));
        EXPECT_EQ(list[i]->Action(), ACTION_REPLACE);
    }
}

} // namespace
