#include "update/Json.h"

#include "platform/Text.h"

#include <nlohmann/json.hpp>

class JsonBuilder : public nlohmann::json_sax<nlohmann::json> {
public:
    JsonValue root;

    bool null() override { return Add(Value(JsonValue::Kind::Null, "")); }
    bool boolean(bool v) override {
        return Add(Value(v ? JsonValue::Kind::True : JsonValue::Kind::False, v ? "true" : "false"));
    }
    // nlohmann gives integers without their source text; an integer's decimal
    // form is its source text (JSON allows no other spelling).
    bool number_integer(number_integer_t v) override {
        return Add(Value(JsonValue::Kind::Number, std::to_string(v)));
    }
    bool number_unsigned(number_unsigned_t v) override {
        return Add(Value(JsonValue::Kind::Number, std::to_string(v)));
    }
    bool number_float(number_float_t, const string_t& s) override {
        return Add(Value(JsonValue::Kind::Number, s));
    }
    bool string(string_t& v) override { return Add(Value(JsonValue::Kind::String, v)); }
    bool binary(binary_t&) override { return false; }
    bool start_object(std::size_t) override { return Open(JsonValue::Kind::Object); }
    bool key(string_t& k) override {
        FKeys.back() = k;
        return true;
    }
    bool end_object() override { return Close(); }
    bool start_array(std::size_t) override { return Open(JsonValue::Kind::Array); }
    bool end_array() override { return Close(); }
    bool parse_error(std::size_t, const std::string&,
                     const nlohmann::detail::exception& e) override {
        throw JsonError(e.what());
    }

private:
    std::vector<JsonValue> FStack;
    std::vector<std::string> FKeys;
    bool FHaveRoot = false;

    static JsonValue Value(JsonValue::Kind kind, std::string text) {
        JsonValue v;
        v.FKind = kind;
        v.FText = std::move(text);
        return v;
    }
    bool Add(JsonValue v) {
        if (FStack.empty()) {
            root = std::move(v);
            FHaveRoot = true;
        } else if (FStack.back().FKind == JsonValue::Kind::Object) {
            FStack.back().FMembers.emplace_back(FKeys.back(), std::move(v));
        } else {
            FStack.back().FItems.push_back(std::move(v));
        }
        return true;
    }
    bool Open(JsonValue::Kind kind) {
        // A document is freed level by level, recursively: a hostile answer
        // of a million brackets would overflow the stack there.
        if (FStack.size() >= JsonValue::kMaxDepth)
            throw JsonError("JSON 嵌套层次过深 (超过 " + std::to_string(JsonValue::kMaxDepth) +
                            " 层)");
        FStack.push_back(Value(kind, ""));
        FKeys.emplace_back();
        return true;
    }
    bool Close() {
        JsonValue v = std::move(FStack.back());
        FStack.pop_back();
        FKeys.pop_back();
        return Add(std::move(v));
    }
};

JsonValue JsonValue::Parse(const std::string& text) {
    JsonBuilder builder;
    try {
        nlohmann::json::sax_parse(text, &builder);
    } catch (const nlohmann::json::exception& e) {
        throw JsonError(e.what());
    }
    return std::move(builder.root);
}

const JsonValue* JsonValue::Find(const std::string& name) const {
    for (const auto& [key, value] : FMembers)
        if (key == name) return &value;
    return nullptr;
}

namespace {

const JsonValue* Present(const JsonValue& object, const std::string& name) {
    const JsonValue* v = object.Find(name);
    return v && v->GetKind() != JsonValue::Kind::Null ? v : nullptr;
}

std::string KindName(const JsonValue& v) {
    return v.IsObject() ? "TJSONObject" : "TJSONArray";
}

[[noreturn]] void NotFound(const std::string& name) {
    throw JsonError("Value '" + name + "' not found");
}

[[noreturn]] void NotSupported(const JsonValue& v, const char* target) {
    throw JsonError("Conversion from " + KindName(v) + " to " + target + " is not supported");
}

} // namespace

int32_t TextToInteger(const std::string& text) {
    int32_t v;
    if (!platform::TryStrToInt32(text, v))
        throw JsonError("'" + text + "' is not a valid integer value");
    return v;
}

std::string ReadRequiredText(const JsonValue& object, const std::string& name) {
    const JsonValue* v = Present(object, name);
    if (!v) NotFound(name);
    if (v->IsObject() || v->IsArray()) NotSupported(*v, "string");
    return v->Text();
}

int32_t ReadRequiredInteger(const JsonValue& object, const std::string& name) {
    const JsonValue* v = Present(object, name);
    if (!v) NotFound(name);
    if (v->IsObject() || v->IsArray()) NotSupported(*v, "Integer");
    return TextToInteger(v->Text());
}

std::string ReadOptionalText(const JsonValue& object, const std::string& name) {
    const JsonValue* v = Present(object, name);
    if (!v || v->IsObject() || v->IsArray()) return "";
    return v->Text();
}

std::string JsonEscape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        default:
            if (u < 0x20) {
                static const char hex[] = "0123456789abcdef";
                out += "\\u00";
                out += hex[u >> 4];
                out += hex[u & 15];
            } else {
                out += c;
            }
        }
    }
    return out;
}
