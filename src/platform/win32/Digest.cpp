// Digests from the system's CNG provider.
#include "platform/Digest.h"

#include "platform/win32/Windows.h"

#include <algorithm>
#include <bcrypt.h>
#include <stdexcept>

namespace platform {
namespace {

// Opened once per process and never closed: opening a provider is costly, and
// digests may still be taken while the process ends.
BCRYPT_ALG_HANDLE OpenProvider(LPCWSTR algorithm) {
    BCRYPT_ALG_HANDLE h = nullptr;
    if (!BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(&h, algorithm, nullptr, 0))) h = nullptr;
    return h;
}

BCRYPT_ALG_HANDLE Provider(DigestKind kind) {
    static const BCRYPT_ALG_HANDLE md5 = OpenProvider(BCRYPT_MD5_ALGORITHM);
    static const BCRYPT_ALG_HANDLE sha256 = OpenProvider(BCRYPT_SHA256_ALGORITHM);
    return kind == DigestKind::Md5 ? md5 : sha256;
}

} // namespace

struct Digest::Impl {
    BCRYPT_HASH_HANDLE hash = nullptr;
    ULONG size = 0;
};

Digest::Digest(DigestKind kind) : FImpl(std::make_unique<Impl>()) {
    FImpl->size = kind == DigestKind::Md5 ? 16 : 32;
    // Without an object buffer of ours: CNG keeps the state itself (Windows 7 on).
    BCRYPT_ALG_HANDLE provider = Provider(kind);
    if (!provider ||
        !BCRYPT_SUCCESS(::BCryptCreateHash(provider, &FImpl->hash, nullptr, 0, nullptr, 0, 0)))
        throw std::runtime_error(kind == DigestKind::Md5 ? "MD5 is not available"
                                                         : "SHA-256 is not available");
}

Digest::~Digest() {
    if (FImpl->hash) ::BCryptDestroyHash(FImpl->hash);
}

void Digest::Update(const void* data, size_t size) {
    auto* bytes = static_cast<PUCHAR>(const_cast<void*>(data));
    while (size > 0) {
        const ULONG chunk = static_cast<ULONG>(std::min<size_t>(size, 1u << 30));
        ::BCryptHashData(FImpl->hash, bytes, chunk, 0);
        bytes += chunk;
        size -= chunk;
    }
}

std::string Digest::Finish() {
    std::string digest(FImpl->size, '\0');
    ::BCryptFinishHash(FImpl->hash, reinterpret_cast<PUCHAR>(digest.data()), FImpl->size, 0);
    return digest;
}

} // namespace platform
