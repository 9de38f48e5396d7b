#include "platform/Digest.h"

#include <openssl/evp.h>
#include <stdexcept>

namespace platform {

struct Digest::Impl {
    EVP_MD_CTX* ctx = nullptr;
};

Digest::Digest(DigestKind kind) : FImpl(std::make_unique<Impl>()) {
    const EVP_MD* md = kind == DigestKind::Md5 ? EVP_md5() : EVP_sha256();
    FImpl->ctx = EVP_MD_CTX_new();
    if (!FImpl->ctx || EVP_DigestInit_ex(FImpl->ctx, md, nullptr) != 1) {
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
