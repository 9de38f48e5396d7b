#pragma once
// JSON as the update exchange reads it: a small document that keeps every
// number's literal text (a number read as text gives exactly what the server
// wrote), with members in their order, and the member-reading rules with
// their messages.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

class JsonError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class JsonValue {
public:
    enum class Kind { Null, False, True, Number, String, Array, Object };

    // Arrays and objects nest at most this deep; the update list needs four.
    static constexpr size_t kMaxDepth = 64;

    // Throws JsonError when the text is not JSON or nests too deep.
    static JsonValue Parse(const std::string& text);

    Kind GetKind() const { return FKind; }
    bool IsObject() const { return FKind == Kind::Object; }
    bool IsArray() const { return FKind == Kind::Array; }
    // A string's value or a number's literal text.
    const std::string& Text() const { return FText; }
    const std::vector<JsonValue>& Items() const { return FItems; }
    const std::vector<std::pair<std::string, JsonValue>>& Members() const { return FMembers; }
    // The first member of exactly that name, or nullptr.
    const JsonValue* Find(const std::string& name) const;

private:
    friend class JsonBuilder;
    Kind FKind = Kind::Null;
    std::string FText;
    std::vector<JsonValue> FItems;
    std::vector<std::pair<std::string, JsonValue>> FMembers;
};

// Member-reading rules. A null member counts as absent; true and false read
// as the texts "true" and "false".
// Required text: "Value '%s' not found" when absent; objects and arrays fail
// with "Conversion from %0:s to string is not supported".
std::string ReadRequiredText(const JsonValue& object, const std::string& name);
// Required 32-bit integer: a number or a text holding an integer; other texts
// fail with "'%s' is not a valid integer value".
int32_t ReadRequiredInteger(const JsonValue& object, const std::string& name);
// Optional text: empty when absent or not readable as text.
std::string ReadOptionalText(const JsonValue& object, const std::string& name);
// A required text converted to a 32-bit integer.
int32_t TextToInteger(const std::string& text);

// Escapes a text for the inside of a JSON string: quotes, backslashes and
// control characters; everything else stays as it is.
std::string JsonEscape(const std::string& text);
