#pragma once
// Signature checks with the system's cryptography: ECDSA over the NIST P-256
// curve with SHA-256, which both OpenSSL and Windows' CNG verify.
#include <string>
#include <string_view>

namespace platform {

// publicPoint: the key's uncompressed point, 65 bytes (0x04, X, Y).
// signature: the raw pair r and s, 32 big-endian bytes each.
// True only when the signature is the key's over the message; a malformed
// key or signature gives false.
bool VerifyP256Sha256(const std::string& publicPoint, std::string_view message,
                      const std::string& signature);

} // namespace platform
