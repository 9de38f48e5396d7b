#pragma once
// The publisher's side of the signed update list: key pairs and signatures
// (ECDSA P-256 with SHA-256, signatures in DER as the list header carries
// them).
#include <string>

// Writes a new private key (PKCS#8 PEM, readable by its owner only) and its
// public key (SubjectPublicKeyInfo PEM). Refuses to overwrite either file.
void WriteNewKeyPair(const std::string& privateFile, const std::string& publicFile);

// The DER signature of `data` by the private key in that PEM file; throws
// with a readable message.
std::string SignWithKeyFile(const std::string& privateFile, const std::string& data);

std::string Base64(const std::string& bytes);
