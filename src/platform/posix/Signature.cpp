#include "platform/Signature.h"

#include <memory>
#include <openssl/bn.h>
#include <openssl/ecdsa.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

namespace platform {
namespace {

// The DER SubjectPublicKeyInfo of a P-256 key is this prefix and the point.
constexpr unsigned char kSpkiPrefix[] = {0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2a, 0x86, 0x48,
                                         0xce, 0x3d, 0x02, 0x01, 0x06, 0x08, 0x2a, 0x86, 0x48,
                                         0xce, 0x3d, 0x03, 0x01, 0x07, 0x03, 0x42, 0x00};

struct KeyFree {
    void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
struct SigFree {
    void operator()(ECDSA_SIG* s) const { ECDSA_SIG_free(s); }
};
struct CtxFree {
    void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
};

std::unique_ptr<EVP_PKEY, KeyFree> ImportKey(const std::string& point) {
    std::string der(reinterpret_cast<const char*>(kSpkiPrefix), sizeof kSpkiPrefix);
    der += point;
    const auto* p = reinterpret_cast<const unsigned char*>(der.data());
    std::unique_ptr<EVP_PKEY, KeyFree> key(d2i_PUBKEY(nullptr, &p, static_cast<long>(der.size())));
    if (key && p != reinterpret_cast<const unsigned char*>(der.data()) + der.size()) key.reset();
    return key;
}

// OpenSSL takes the DER form of the pair.
std::string ToDer(const std::string& raw) {
    std::unique_ptr<ECDSA_SIG, SigFree> sig(ECDSA_SIG_new());
    if (!sig) return {};
    const auto* bytes = reinterpret_cast<const unsigned char*>(raw.data());
    BIGNUM* r = BN_bin2bn(bytes, 32, nullptr);
    BIGNUM* s = BN_bin2bn(bytes + 32, 32, nullptr);
    if (!r || !s || ECDSA_SIG_set0(sig.get(), r, s) != 1) {
        BN_free(r);
        BN_free(s);
        return {};
    }
    unsigned char* der = nullptr;
    const int len = i2d_ECDSA_SIG(sig.get(), &der);
    if (len <= 0) return {};
    std::string out(reinterpret_cast<const char*>(der), static_cast<size_t>(len));
    OPENSSL_free(der);
    return out;
}

} // namespace

bool VerifyP256Sha256(const std::string& publicPoint, std::string_view message,
                      const std::string& signature) {
    if (publicPoint.size() != 65 || signature.size() != 64) return false;
    auto key = ImportKey(publicPoint);
    if (!key) return false;
    const std::string der = ToDer(signature);
    if (der.empty()) return false;
    std::unique_ptr<EVP_MD_CTX, CtxFree> ctx(EVP_MD_CTX_new());
    if (!ctx || EVP_DigestVerifyInit(ctx.get(), nullptr, EVP_sha256(), nullptr, key.get()) != 1)
        return false;
    return EVP_DigestVerify(ctx.get(), reinterpret_cast<const unsigned char*>(der.data()),
                            der.size(), reinterpret_cast<const unsigned char*>(message.data()),
                            message.size()) == 1;
}

} // namespace platform
