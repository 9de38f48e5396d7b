#pragma once
// MD5 digests as the system writes them: 32 lowercase hexadecimal digits.
#include <atomic>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

class Md5 {
public:
    Md5();
    ~Md5();
    Md5(const Md5&) = delete;
    Md5& operator=(const Md5&) = delete;
    void Update(const void* data, size_t size);
    // The digest text; the object is spent afterwards.
    std::string HexDigest();

private:
    struct Impl;
    std::unique_ptr<Impl> FImpl;
};

std::string Md5Hex(std::string_view data);
// Digest of a whole file, read in large blocks; throws FileError. A set
// `cancel` flag stops between two blocks with an Aborted error.
std::string Md5File(const std::string& path, const std::atomic<bool>* cancel = nullptr);

} // namespace platform
