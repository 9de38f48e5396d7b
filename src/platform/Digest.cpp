#include "platform/Digest.h"

#include "platform/Sha256.h"

namespace platform {

std::string ToHex(std::string_view bytes) {
    static const char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += hex[b >> 4];
        out += hex[b & 15];
    }
    return out;
}

std::string Digest::HexDigest() {
    return ToHex(Finish());
}

std::string Sha256Raw(std::string_view data) {
    Sha256 sha;
    sha.Update(data.data(), data.size());
    return sha.Finish();
}

std::string Sha256Hex(std::string_view data) {
    return ToHex(Sha256Raw(data));
}

} // namespace platform
