#pragma once
// Message digests from the system's cryptography: MD5 for the version
// records, SHA-256 for content and signatures.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

enum class DigestKind { Md5, Sha256 };

class Digest {
public:
    explicit Digest(DigestKind kind);
    ~Digest();
    Digest(const Digest&) = delete;
    Digest& operator=(const Digest&) = delete;
    void Update(const void* data, size_t size);
    // The raw digest bytes; the object is spent afterwards.
    std::string Finish();
    // The digest as lowercase hexadecimal digits; the object is spent afterwards.
    std::string HexDigest();

private:
    struct Impl;
    std::unique_ptr<Impl> FImpl;
};

std::string ToHex(std::string_view bytes);

} // namespace platform
