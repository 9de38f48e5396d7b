#include "platform/Md5.h"

#include <openssl/evp.h>
#include <stdexcept>

namespace platform {

struct Md5::Impl {
    EVP_MD_CTX* ctx = nullptr;
};

Md5::Md5() : FImpl(std::make_unique<Impl>()) {
    FImpl->ctx = EVP_MD_CTX_new();
    if (!FImpl->ctx || EVP_DigestInit_ex(FImpl->ctx, EVP_md5(), nullptr) != 1)
        throw std::runtime_error("MD5 is not available");
}

Md5::~Md5() {
    EVP_MD_CTX_free(FImpl->ctx);
}

void Md5::Update(const void* data, size_t size) {
    EVP_DigestUpdate(FImpl->ctx, data, size);
}

std::string Md5::HexDigest() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    EVP_DigestFinal_ex(FImpl->ctx, digest, &len);
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < len; ++i) {
        out += hex[digest[i] >> 4];
        out += hex[digest[i] & 15];
    }
    return out;
}

} // namespace platform
