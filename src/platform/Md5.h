#pragma once
// MD5 digests as the system writes them: 32 lowercase hexadecimal digits.
#include "platform/Digest.h"

#include <atomic>
#include <string>
#include <string_view>

namespace platform {

class Md5 : public Digest {
public:
    Md5() : Digest(DigestKind::Md5) {}
};

std::string Md5Hex(std::string_view data);
// Digest of a whole file, read in large blocks; throws FileError. A set
// `cancel` flag stops between two blocks with an Aborted error.
std::string Md5File(const std::string& path, const std::atomic<bool>* cancel = nullptr);

} // namespace platform
