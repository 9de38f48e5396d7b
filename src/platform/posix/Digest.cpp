#include "platform/Digest.h"

#include <openssl/evp.h>
#include <stdexcept>

namespace platform {

struct Digest::Impl {
    EVP_MD_CTX* ctx = nullptr;
};

namespace {

// Fetched once: OpenSSL 3 otherwise looks the algorithm up, under its locks,
// at every initialisation, which a check of thousands of small files feels.
const EVP_MD* Algorithm(DigestKind kind) {
    static EVP_MD* const md5 = EVP_MD_fetch(nullptr, "MD5", nullptr);
    static EVP_MD* const sha256 = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    return kind == DigestKind::Md5 ? md5 : sha256;
}

} // namespace

Digest::Digest(DigestKind kind) : FImpl(std::make_unique<Impl>()) {
    const EVP_MD* md = Algorithm(kind);
    FImpl->ctx = EVP_MD_CTX_new();
    if (!md || !FImpl->ctx || EVP_DigestInit_ex(FImpl->ctx, md, nullptr) != 1) {
        EVP_MD_CTX_free(FImpl->ctx);
        throw std::runtime_error(kind == DigestKind::Md5 ? "MD5 is not available"
                                                         : "SHA-256 is not available");
    }
}

Digest::~Digest() {
    EVP_MD_CTX_free(FImpl->ctx);
}

void Digest::Update(const void* data, size_t size) {
    EVP_DigestUpdate(FImpl->ctx, data, size);
}

std::string Digest::Finish() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    EVP_DigestFinal_ex(FImpl->ctx, digest, &len);
    return std::string(reinterpret_cast<const char*>(digest), len);
}

} // namespace platform
