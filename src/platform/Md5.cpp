#include "platform/Md5.h"

#include "platform/Files.h"

#include <cerrno>
#include <fcntl.h>
#include <openssl/evp.h>
#include <stdexcept>
#include <unistd.h>
#include <vector>

namespace platform {

struct Md5::Impl {
    EVP_MD_CTX* ctx = nullptr;
};

Md5::Md5() : FImpl(std::make_unique<Impl>()) {
    FImpl->ctx = EVP_MD_CTX_new();
    if (!FImpl->ctx || EVP_DigestInit_ex(FImpl->ctx, EVP_md5(), nullptr) != 1)
        throw std::runtime_error("MD5 is not available");
}

Md5::~Md5() { EVP_MD_CTX_free(FImpl->ctx); }

void Md5::Update(const void* data, size_t size) { EVP_DigestUpdate(FImpl->ctx, data, size); }

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

std::string Md5Hex(std::string_view data) {
    Md5 md5;
    md5.Update(data.data(), data.size());
    return md5.HexDigest();
}

std::string Md5File(const std::string& path, const std::atomic<bool>* cancel) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw FileError(path, std::error_code(errno, std::generic_category()));
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    Md5 md5;
    // Large blocks: the digest is the same, the reads are far fewer.
    std::vector<char> buf(1 << 20);
    for (;;) {
        if (cancel && *cancel) {
            ::close(fd);
            throw FileError(path, std::make_error_code(std::errc::operation_canceled));
        }
        ssize_t n = ::read(fd, buf.data(), buf.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            std::error_code ec(errno, std::generic_category());
            ::close(fd);
            throw FileError(path, ec);
        }
        if (n == 0) break;
        md5.Update(buf.data(), static_cast<size_t>(n));
    }
    ::close(fd);
    return md5.HexDigest();
}

} // namespace platform
