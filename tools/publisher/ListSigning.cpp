#include "ListSigning.h"

#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <stdexcept>
#include <unistd.h>

namespace {

struct KeyFree {
    void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
struct CtxFree {
    void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
};
struct FileClose {
    void operator()(FILE* f) const { std::fclose(f); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;
using File = std::unique_ptr<FILE, FileClose>;

[[noreturn]] void Fail(const std::string& what) {
    char buf[256] = "";
    if (unsigned long e = ERR_get_error()) ERR_error_string_n(e, buf, sizeof buf);
    throw std::runtime_error(what + (buf[0] ? std::string(": ") + buf : ""));
}

// Created, never replaced: a key overwritten by mistake cannot be recovered,
// and installations that trust it would refuse every later list.
File CreateNew(const std::string& path, mode_t mode) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) Fail("cannot create " + path + " (it must not exist yet)");
    FILE* f = ::fdopen(fd, "w");
    if (!f) {
        ::close(fd);
        Fail("cannot write " + path);
    }
    return File(f);
}

} // namespace

void WriteNewKeyPair(const std::string& privateFile, const std::string& publicFile) {
    Key key(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"));
    if (!key) Fail("cannot make a P-256 key");
    {
        File f = CreateNew(privateFile, 0600);
        if (PEM_write_PrivateKey(f.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1 ||
            std::fflush(f.get()) != 0)
            Fail("cannot write " + privateFile);
    }
    File f = CreateNew(publicFile, 0644);
    if (PEM_write_PUBKEY(f.get(), key.get()) != 1 || std::fflush(f.get()) != 0)
        Fail("cannot write " + publicFile);
}

std::string SignWithKeyFile(const std::string& privateFile, const std::string& data) {
    File f(std::fopen(privateFile.c_str(), "r"));
    if (!f) Fail("cannot read the private key " + privateFile);
    Key key(PEM_read_PrivateKey(f.get(), nullptr, nullptr, nullptr));
    if (!key) Fail(privateFile + " is not a PEM private key");
    char group[64] = "";
    if (!EVP_PKEY_is_a(key.get(), "EC") ||
        EVP_PKEY_get_group_name(key.get(), group, sizeof group, nullptr) != 1 ||
        std::string(group) != "prime256v1")
        throw std::runtime_error(privateFile + " is not a P-256 key (make one with keygen)");
    std::unique_ptr<EVP_MD_CTX, CtxFree> ctx(EVP_MD_CTX_new());
    size_t size = 0;
    if (!ctx || EVP_DigestSignInit(ctx.get(), nullptr, EVP_sha256(), nullptr, key.get()) != 1 ||
        EVP_DigestSign(ctx.get(), nullptr, &size,
                       reinterpret_cast<const unsigned char*>(data.data()), data.size()) != 1)
        Fail("cannot sign with " + privateFile);
    std::string sig(size, '\0');
    if (EVP_DigestSign(ctx.get(), reinterpret_cast<unsigned char*>(sig.data()), &size,
                       reinterpret_cast<const unsigned char*>(data.data()), data.size()) != 1)
        Fail("cannot sign with " + privateFile);
    sig.resize(size);
    return sig;
}

std::string Base64(const std::string& bytes) {
    std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                  reinterpret_cast<const unsigned char*>(bytes.data()),
                                  static_cast<int>(bytes.size()));
    out.resize(static_cast<size_t>(n));
    return out;
}
