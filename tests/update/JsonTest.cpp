#include "update/Json.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

struct ReadCase {
    const char* member; // JSON text of the member "m", or "" for absent
    const char* text;   // expected text, or nullptr when it fails
    const char* error;  // expected failure
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << (*c.member ? c.member : "(absent)");
}

JsonValue ObjectWith(const char* member) {
    return JsonValue::Parse(std::string("{") + (*member ? std::string("\"m\":") + member : "") +
                            "}");
}

class RequiredText : public ::testing::TestWithParam<ReadCase> {};

TEST_P(RequiredText, ReadsOrFailsWithTheMessage) {
    JsonValue obj = ObjectWith(GetParam().member);
    if (GetParam().text) {
        EXPECT_EQ(ReadRequiredText(obj, "m"), GetParam().text);
    } else {
        try {
            ReadRequiredText(obj, "m");
            FAIL() << "no failure";
        } catch (const JsonError& e) {
            EXPECT_STREQ(e.what(), GetParam().error);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RequiredText,
    ::testing::Values(
        ReadCase{"\"abc\"", "abc", nullptr}, ReadCase{"\"\\u4e2d\"", "中", nullptr},
        ReadCase{"7", "7", nullptr}, ReadCase{"-12", "-12", nullptr},
        ReadCase{"1.50", "1.50", nullptr}, // the literal text, not 1.5
        ReadCase{"1e2", "1e2", nullptr}, ReadCase{"true", "true", nullptr},
        ReadCase{"", nullptr, "Value 'm' not found"},
        ReadCase{"null", nullptr, "Value 'm' not found"},
        ReadCase{"{}", nullptr, "Conversion from TJSONObject to string is not supported"},
        ReadCase{"[1]", nullptr, "Conversion from TJSONArray to string is not supported"}));

struct IntCase {
    const char* member;
    int32_t value;
    const char* error; // nullptr: reads value
};

void PrintTo(const IntCase& c, std::ostream* os) {
    *os << (*c.member ? c.member : "(absent)");
}

class RequiredInteger : public ::testing::TestWithParam<IntCase> {};

TEST_P(RequiredInteger, ReadsOrFailsWithTheMessage) {
    JsonValue obj = ObjectWith(GetParam().member);
    if (!GetParam().error) {
        EXPECT_EQ(ReadRequiredInteger(obj, "m"), GetParam().value);
    } else {
        try {
            ReadRequiredInteger(obj, "m");
            FAIL() << "no failure";
        } catch (const JsonError& e) {
            EXPECT_STREQ(e.what(), GetParam().error);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RequiredInteger,
    ::testing::Values(IntCase{"0", 0, nullptr}, IntCase{"\"0\"", 0, nullptr},
                      IntCase{"-5", -5, nullptr}, IntCase{"\"42\"", 42, nullptr},
                      IntCase{"1.2", 0, "'1.2' is not a valid integer value"},
                      IntCase{"\"1.2\"", 0, "'1.2' is not a valid integer value"},
                      IntCase{"\"abc\"", 0, "'abc' is not a valid integer value"},
                      IntCase{"3000000000", 0, "'3000000000' is not a valid integer value"},
                      IntCase{"", 0, "Value 'm' not found"},
                      IntCase{"{}", 0, "Conversion from TJSONObject to Integer is not supported"},
                      IntCase{"[]", 0, "Conversion from TJSONArray to Integer is not supported"}));

TEST(OptionalText, EmptyWhenAbsentOrUnreadable) {
    EXPECT_EQ(ReadOptionalText(ObjectWith("\"x\""), "m"), "x");
    EXPECT_EQ(ReadOptionalText(ObjectWith("5"), "m"), "5");
    EXPECT_EQ(ReadOptionalText(ObjectWith(""), "m"), "");
    EXPECT_EQ(ReadOptionalText(ObjectWith("{}"), "m"), "");
    EXPECT_EQ(ReadOptionalText(ObjectWith("null"), "m"), "");
}

TEST(JsonDocument, MembersMatchExactlyAndTheFirstWins) {
    JsonValue v = JsonValue::Parse(R"({"a":1,"A":2,"a":3})");
    EXPECT_EQ(v.Find("a")->Text(), "1");
    EXPECT_EQ(v.Find("A")->Text(), "2");
    EXPECT_EQ(v.Find("b"), nullptr);
    EXPECT_THROW(JsonValue::Parse("{"), JsonError);
    EXPECT_THROW(JsonValue::Parse("not json"), JsonError);
}

// Deep nesting is refused while it is read, before a document deep enough
// to exhaust the stack when it is freed can be built.
TEST(JsonDocument, NestingIsBounded) {
    auto nested = [](size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); };
    EXPECT_NO_THROW(JsonValue::Parse(nested(JsonValue::kMaxDepth)));
    EXPECT_THROW(JsonValue::Parse(nested(JsonValue::kMaxDepth + 1)), JsonError);
    try {
        JsonValue::Parse(nested(2 << 20));
        ADD_FAILURE() << "two million brackets were accepted";
    } catch (const JsonError& e) {
        EXPECT_THAT(e.what(), ::testing::HasSubstr("嵌套层次过深"));
    }
}

TEST(JsonEscape, KeepsPlainTextAndNeutralisesStructure) {
    EXPECT_EQ(JsonEscape("AGENT-01 中文"), "AGENT-01 中文");
    EXPECT_EQ(JsonEscape("a\"b\\c\r\n\x01"), "a\\\"b\\\\c\\r\\n\\u0001");
    // Whatever the text, the escaped form parses back to it.
    std::string nasty = "x\",\"appID\":\"Other\"}\t\x1f\\";
    EXPECT_EQ(JsonValue::Parse("\"" + JsonEscape(nasty) + "\"").Text(), nasty);
}

} // namespace
