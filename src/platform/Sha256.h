#pragma once
// SHA-256 digests: 64 lowercase hexadecimal digits as text.
#include "platform/Digest.h"

#include <string>
#include <string_view>

namespace platform {

class Sha256 : public Digest {
public:
    Sha256() : Digest(DigestKind::Sha256) {}
};

std::string Sha256Hex(std::string_view data);
// The 32 raw digest bytes.
std::string Sha256Raw(std::string_view data);

} // namespace platform
