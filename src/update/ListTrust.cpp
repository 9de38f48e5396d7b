#include "update/ListTrust.h"

#include "platform/Signature.h"
#include "update/Base64.h"
#include "update/Json.h"

#include <charconv>
#include <chrono>
#include <cstdio>

namespace {

// A P-256 SubjectPublicKeyInfo is this fixed prefix and the 65-byte point.
constexpr unsigned char kSpkiPrefix[] = {0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2a, 0x86, 0x48,
                                         0xce, 0x3d, 0x02, 0x01, 0x06, 0x08, 0x2a, 0x86, 0x48,
                                         0xce, 0x3d, 0x03, 0x01, 0x07, 0x03, 0x42, 0x00};

std::string& Key() {
    static auto* key = new std::string();
    return *key;
}

// One DER INTEGER of a signature: positive, minimal, at most 32 bytes of
// value; appended to `out` left-padded to 32 bytes.
bool ReadInteger(std::string_view der, size_t& pos, std::string& out) {
    if (pos + 2 > der.size() || der[pos] != 0x02) return false;
    const size_t len = static_cast<unsigned char>(der[pos + 1]);
    pos += 2;
    if (len == 0 || len > 33 || pos + len > der.size()) return false;
    std::string_view value = der.substr(pos, len);
    pos += len;
    const auto first = static_cast<unsigned char>(value[0]);
    if (first & 0x80) return false; // negative
    if (first == 0) {
        // A leading zero only where the next byte's top bit needs it.
        if (len == 1 || !(static_cast<unsigned char>(value[1]) & 0x80)) return false;
        value.remove_prefix(1);
    }
    if (value.size() > 32) return false;
    out.append(32 - value.size(), '\0');
    out.append(value);
    return true;
}

int64_t RequiredInt64(const JsonValue& answer, const char* name) {
    const JsonValue* v = answer.Find(name);
    if (!v || v->GetKind() != JsonValue::Kind::Number)
        throw ListTrustError(std::string("更新列表缺少") + name + "，已拒绝");
    int64_t out = 0;
    const std::string& t = v->Text();
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), out);
    if (ec != std::errc() || end != t.data() + t.size())
        throw ListTrustError(std::string("更新列表的") + name + "不是整数: " + t);
    return out;
}

} // namespace

std::string P256PointFromPem(std::string_view pem) {
    static constexpr std::string_view kBegin = "-----BEGIN PUBLIC KEY-----";
    static constexpr std::string_view kEnd = "-----END PUBLIC KEY-----";
    const size_t begin = pem.find(kBegin);
    const size_t end = pem.find(kEnd);
    if (begin == std::string_view::npos || end == std::string_view::npos || end < begin)
        throw ListTrustError("公钥不是PEM格式 (PUBLIC KEY)");
    std::string body;
    for (char c : pem.substr(begin + kBegin.size(), end - begin - kBegin.size()))
        if (c != '\r' && c != '\n' && c != ' ' && c != '\t') body += c;
    const auto der = DecodeBase64(body);
    if (!der || der->size() != sizeof kSpkiPrefix + 65 ||
        der->compare(0, sizeof kSpkiPrefix, reinterpret_cast<const char*>(kSpkiPrefix),
                     sizeof kSpkiPrefix) != 0 ||
        (*der)[sizeof kSpkiPrefix] != 0x04)
        throw ListTrustError("公钥不是P-256椭圆曲线公钥");
    return der->substr(sizeof kSpkiPrefix);
}

std::optional<std::string> P256SignatureFromDer(std::string_view der) {
    // SEQUENCE of two INTEGERs; at most 2 + 2 * 35 bytes, so a one-byte length.
    if (der.size() < 2 || der[0] != 0x30) return std::nullopt;
    const size_t len = static_cast<unsigned char>(der[1]);
    if (len & 0x80 || len + 2 != der.size()) return std::nullopt;
    std::string raw;
    size_t pos = 2;
    if (!ReadInteger(der, pos, raw) || !ReadInteger(der, pos, raw) || pos != der.size())
        return std::nullopt;
    return raw;
}

void SetListPublicKey(std::string point) {
    Key() = std::move(point);
}

const std::string& ListPublicKey() {
    return Key();
}

void CheckListSignature(const std::string& point, std::string_view body,
                        const std::string& header) {
    if (header.empty())
        throw ListTrustError(std::string("更新列表没有签名，已拒绝 (缺少 ") + kListSignatureHeader +
                             ")");
    const auto der = DecodeBase64(header);
    const auto raw = der ? P256SignatureFromDer(*der) : std::nullopt;
    if (!raw) throw ListTrustError("更新列表的签名格式不对，已拒绝");
    if (!platform::VerifyP256Sha256(point, body, *raw))
        throw ListTrustError("更新列表的签名无效，已拒绝");
}

int64_t CheckListFreshness(const JsonValue& answer, int64_t now, int64_t acceptedSerial) {
    const int64_t serial = RequiredInt64(answer, "serial");
    const int64_t expires = RequiredInt64(answer, "expires");
    if (serial < acceptedSerial)
        throw ListTrustError("更新列表的序号 " + std::to_string(serial) + " 比已接受的 " +
                             std::to_string(acceptedSerial) + " 旧，已拒绝 (可能是重放的旧列表)");
    if (expires <= now)
        throw ListTrustError("更新列表已于 " + FormatUtc(expires) + " 过期，已拒绝");
    return serial;
}

void CheckListDigests(const JsonValue& answer) {
    const JsonValue* data = answer.Find("data");
    const JsonValue* list = data && data->IsObject() ? data->Find("fileList") : nullptr;
    if (!list || !list->IsArray()) return;
    for (const JsonValue& entry : list->Items()) {
        if (!entry.IsObject()) return; // the list's own reading refuses it
        if (ReadOptionalText(entry, "sha256").empty())
            throw ListTrustError("签名的更新列表中 " + ReadOptionalText(entry, "fileName") +
                                 " 缺少sha256，已拒绝");
    }
}

std::string FormatUtc(int64_t secondsSince1970) {
    // Years 1 to 9999 only; beyond them the calendar types give no date.
    if (secondsSince1970 < -62135596800 || secondsSince1970 > 253402300799)
        return std::to_string(secondsSince1970) + " s UTC";
    using namespace std::chrono;
    const sys_seconds t{seconds{secondsSince1970}};
    const auto day = floor<days>(t);
    const year_month_day ymd{day};
    const hh_mm_ss hms{t - day};
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u %02d:%02d:%02d UTC",
                  static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()),
                  static_cast<unsigned>(ymd.day()), static_cast<int>(hms.hours().count()),
                  static_cast<int>(hms.minutes().count()), static_cast<int>(hms.seconds().count()));
    return buf;
}
