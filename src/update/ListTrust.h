#pragma once
// Trust in the update list. When the program carries the publisher's public
// key, an answer counts only when it is signed with that key, is not older
// than the newest list accepted before (no replayed old lists) and has not
// expired (no list frozen forever). Without a key nothing is checked.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

class JsonValue;

// An answer that fails a check; what() is the text shown to the user.
class ListTrustError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The answer header with the signature: base64 of its DER form.
inline constexpr char kListSignatureHeader[] = "X-Update-Signature";
// The version.ini section that remembers the newest serial accepted. Its
// name cannot be a file's, whose paths name the other sections.
inline constexpr char kListTrustSection[] = "<ListTrust>";

// The uncompressed point of a P-256 key in a PEM "PUBLIC KEY" text; throws
// ListTrustError when the text is anything else.
std::string P256PointFromPem(std::string_view pem);
// The raw pair r, s (32 bytes each) of a DER ECDSA signature; nullopt unless
// the DER is strict and each number fits 32 bytes.
std::optional<std::string> P256SignatureFromDer(std::string_view der);

// The key of the process; empty unless the program sets one.
void SetListPublicKey(std::string point);
const std::string& ListPublicKey();

// Throws ListTrustError unless `header` is a signature by `point` over the
// answer's exact bytes.
void CheckListSignature(const std::string& point, std::string_view body, const std::string& header);

// Of a signed answer: its `serial` must be at least `acceptedSerial` and its
// `expires` (seconds since 1970, UTC) later than `now`. Returns the serial;
// throws ListTrustError.
int64_t CheckListFreshness(const JsonValue& answer, int64_t now, int64_t acceptedSerial);

// Every entry of a signed answer's file list must carry its SHA-256: MD5
// alone does not bind the list to the files (its collisions are cheap).
// Throws ListTrustError naming the first entry without one.
void CheckListDigests(const JsonValue& answer);

// "YYYY-MM-DD HH:MM:SS UTC".
std::string FormatUtc(int64_t secondsSince1970);
