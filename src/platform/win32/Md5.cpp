// MD5 from the system's CNG provider.
#include "platform/Md5.h"

#include "platform/win32/Windows.h"

#include <algorithm>
#include <bcrypt.h>
#include <stdexcept>

namespace platform {
namespace {

// Opened once per process and never closed: opening a provider is costly, and
// digests may still be taken while the process ends.
BCRYPT_ALG_HANDLE Provider() {
    static const BCRYPT_ALG_HANDLE provider = [] {
        BCRYPT_ALG_HANDLE h = nullptr;
        if (!BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(&h, BCRYPT_MD5_ALGORITHM, nullptr, 0)))
            h = nullptr;
        return h;
    }();
    return provider;
}

constexpr ULONG kDigestSize = 16;

} // namespace

struct Md5::Impl {
    BCRYPT_HASH_HANDLE hash = nullptr;
};

Md5::Md5() : FImpl(std::make_unique<Impl>()) {
    // Without an object buffer of ours: CNG keeps the state itself (Windows 7 on).
    BCRYPT_ALG_HANDLE provider = Provider();
    if (!provider ||
        !BCRYPT_SUCCESS(::BCryptCreateHash(provider, &FImpl->hash, nullptr, 0, nullptr, 0, 0)))
        throw std::runtime_error("MD5 is not available");
}

Md5::~Md5() {
    if (FImpl->hash) ::BCryptDestroyHash(FImpl->hash);
}

void Md5::Update(const void* data, size_t size) {
    auto* bytes = static_cast<PUCHAR>(const_cast<void*>(data));
    while (size > 0) {
        const ULONG chunk = static_cast<ULONG>(std::min<size_t>(size, 1u << 30));
        ::BCryptHashData(FImpl->hash, bytes, chunk, 0);
        bytes += chunk;
        size -= chunk;
    }
}

std::string Md5::HexDigest() {
    UCHAR digest[kDigestSize] = {};
    ::BCryptFinishHash(FImpl->hash, digest, kDigestSize, 0);
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (UCHAR b : digest) {
        out += hex[b >> 4];
        out += hex[b & 15];
    }
    return out;
}

} // namespace platform
