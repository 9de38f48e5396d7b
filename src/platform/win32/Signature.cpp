// Signature checks from the system's CNG provider.
#include "platform/Signature.h"

#include "platform/Sha256.h"
#include "platform/win32/Windows.h"

#include <bcrypt.h>
#include <cstring>
#include <vector>

namespace platform {
namespace {

BCRYPT_ALG_HANDLE Provider() {
    // Opened once and kept, as the digests' providers are.
    static const BCRYPT_ALG_HANDLE provider = [] {
        BCRYPT_ALG_HANDLE h = nullptr;
        if (!BCRYPT_SUCCESS(
                ::BCryptOpenAlgorithmProvider(&h, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0)))
            h = nullptr;
        return h;
    }();
    return provider;
}

} // namespace

bool VerifyP256Sha256(const std::string& publicPoint, std::string_view message,
                      const std::string& signature) {
    if (publicPoint.size() != 65 || publicPoint[0] != 0x04 || signature.size() != 64) return false;
    BCRYPT_ALG_HANDLE provider = Provider();
    if (!provider) return false;

    // CNG's public blob is a small header and X, Y without the point's tag.
    std::vector<UCHAR> blob(sizeof(BCRYPT_ECCKEY_BLOB) + 64);
    BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
    std::memcpy(blob.data(), &header, sizeof header);
    std::memcpy(blob.data() + sizeof header, publicPoint.data() + 1, 64);
    BCRYPT_KEY_HANDLE key = nullptr;
    if (!BCRYPT_SUCCESS(::BCryptImportKeyPair(provider, nullptr, BCRYPT_ECCPUBLIC_BLOB, &key,
                                              blob.data(), static_cast<ULONG>(blob.size()), 0)))
        return false;
    std::string hash = Sha256Raw(message);
    std::string sig = signature;
    const NTSTATUS status = ::BCryptVerifySignature(
        key, nullptr, reinterpret_cast<PUCHAR>(hash.data()), static_cast<ULONG>(hash.size()),
        reinterpret_cast<PUCHAR>(sig.data()), static_cast<ULONG>(sig.size()), 0);
    ::BCryptDestroyKey(key);
    return BCRYPT_SUCCESS(status);
}

} // namespace platform
