#pragma once
// Base64 (RFC 4648, with padding) for signatures in headers and keys in PEM
// files.
#include <optional>
#include <string>
#include <string_view>

std::string EncodeBase64(std::string_view bytes);
// Strict: the standard alphabet, padded to whole quads, no other characters
// (PEM's line breaks are taken out by its reader). nullopt when malformed.
std::optional<std::string> DecodeBase64(std::string_view text);
