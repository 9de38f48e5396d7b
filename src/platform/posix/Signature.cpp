#include "platform/Signature.h"

#include <memory>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ecdsa.h>
#include <openssl/evp.h>
#include <openssl/params.h>

namespace platform {
namespace {

struct KeyFree {
    void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
struct SigFree {
    void operator()(ECDSA_SIG* s) const { ECDSA_SIG_free(s); }
};
struct CtxFree {
    void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
};

struct PkeyCtxFree {
    void operator()(EVP_PKEY_CTX* c) const { EVP_PKEY_CTX_free(c); }
};

// The key from its curve's name and the point, as CNG imports it too.
std::unique_ptr<EVP_PKEY, KeyFree> ImportKey(const std::string& point) {
    std::unique_ptr<EVP_PKEY_CTX, PkeyCtxFree> ctx(
        EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
    char group[] = "prime256v1";
    std::string pub = point;
    OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_PKEY_PARAM_GROUP_NAME, group, 0),
        OSSL_PARAM_construct_octet_string(OSSL_PKEY_PARAM_PUB_KEY, pub.data(), pub.size()),
        OSSL_PARAM_construct_end()};
    EVP_PKEY* key = nullptr;
    if (!ctx || EVP_PKEY_fromdata_init(ctx.get()) != 1 ||
        EVP_PKEY_fromdata(ctx.get(), &key, EVP_PKEY_PUBLIC_KEY, params) != 1)
        return nullptr;
    return std::unique_ptr<EVP_PKEY, KeyFree>(key);
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
