// The list exchange of a program that carries the publisher's key: only a
// list signed with it, not older than the last one taken and not expired,
// yields files; every refusal ends the exchange with nothing to fetch.
#include "QueryExchangeSupport.h"
#include "SignedAnswers.h"
#include "update/ListTrust.h"

#include <gmock/gmock.h>

using ::testing::HasSubstr;
using testsupport::HttpReply;
using testsupport::HttpRequest;
using testsupport::HttpTestServer;

namespace {

class SignedListExchange : public QueryExchange {
protected:
    void SetUp() override {
        QueryExchange::SetUp();
        SetListPublicKey(P256PointFromPem(kListTestPublicKey));
    }
    void TearDown() override {
        SetListPublicKey("");
        QueryExchange::TearDown();
    }
    std::string Serial() const { return AppConfig->ReadString(kListTrustSection, "Serial", ""); }
};

struct SignedCase {
    const char* name;
    const std::string* body;
    const std::string* signature; // nullptr: the answer has no signature header
    const char* acceptedBefore;   // the serial version.ini holds; "" none
    const char* error;            // a part of the error; "" none
    const char* acceptedAfter;
};

void PrintTo(const SignedCase& c, std::ostream* os) {
    *os << c.name;
}

class SignedListTable : public SignedListExchange,
                        public ::testing::WithParamInterface<SignedCase> {};

const std::string kTampered = [] {
    std::string s = kSignedSerial5;
    s.replace(s.find("\"serial\":5"), 10, "\"serial\":6");
    return s;
}();
const std::string kGarbage = "AAAA";

TEST_P(SignedListTable, TakesOnlyATrustworthyList) {
    const SignedCase& c = GetParam();
    if (*c.acceptedBefore) AppConfig->WriteString(kListTrustSection, "Serial", c.acceptedBefore);
    HttpTestServer server([&](const HttpRequest&) {
        HttpReply r = HttpReply::Text(200, *c.body);
        if (c.signature) r.headers.push_back({kListSignatureHeader, *c.signature});
        return r;
    });
    Outcome out = Exchange(server);
    EXPECT_EQ(out.finishedCount, 1);
    if (*c.error) {
        EXPECT_THAT(out.error, HasSubstr(c.error));
        EXPECT_TRUE(out.files.empty());
        EXPECT_TRUE(list.empty());
    } else {
        EXPECT_EQ(out.error, "");
        EXPECT_EQ(out.files, std::vector<std::string>{"a.dll"});
    }
    EXPECT_EQ(Serial(), c.acceptedAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SignedListTable,
    ::testing::Values(
        SignedCase{"signed_first_list", &kSignedSerial5, &kSignedSerial5Signature, "", "", "5"},
        SignedCase{"signed_newer_list", &kSignedSerial5, &kSignedSerial5Signature, "3", "", "5"},
        SignedCase{"same_list_again", &kSignedSerial5, &kSignedSerial5Signature, "5", "", "5"},
        SignedCase{"unsigned", &kSignedSerial5, nullptr, "", "没有签名", ""},
        SignedCase{"tampered", &kTampered, &kSignedSerial5Signature, "", "签名无效", ""},
        SignedCase{"other_key", &kSignedSerial5, &kSignedSerial5ByOtherKey, "", "签名无效", ""},
        SignedCase{"malformed_signature", &kSignedSerial5, &kGarbage, "", "签名格式不对", ""},
        SignedCase{"replayed_older_list", &kSignedSerial5, &kSignedSerial5Signature, "6",
                   "比已接受的 6 旧", "6"},
        SignedCase{"expired", &kSignedExpired, &kSignedExpiredSignature, "", "过期", ""},
        SignedCase{"without_serial", &kSignedWithoutSerial, &kSignedWithoutSerialSignature, "",
                   "缺少serial", ""},
        SignedCase{"entry_without_sha256", &kSignedEntryWithoutSha256,
                   &kSignedEntryWithoutSha256Signature, "", "b.dll 缺少sha256", ""},
        SignedCase{"damaged_record", &kSignedSerial5, &kSignedSerial5Signature, "5x", "已损坏",
                   "5x"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SignedListExchange, AnErrorAnswerMustBeSignedToo) {
    HttpTestServer server([](const HttpRequest&) {
        return HttpReply::Text(200, R"({"errcode":1,"errmsg":"代理不存在"})");
    });
    Outcome out = Exchange(server);
    EXPECT_THAT(out.error, HasSubstr("没有签名"));
}

TEST_F(QueryExchange, WithoutAKeyASignatureIsNotAskedFor) {
    HttpTestServer server(
        [](const HttpRequest&) { return HttpReply::Text(200, kSignedWithoutSerial); });
    Outcome out = Exchange(server);
    EXPECT_EQ(out.error, "");
    EXPECT_EQ(out.files, std::vector<std::string>{"a.dll"});
    EXPECT_FALSE(AppConfig->SectionExists(kListTrustSection));
}

} // namespace
