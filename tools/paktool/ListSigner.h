// The private half of list signing, which only paktool does: making key pairs and signing with them.
// ListSigner_posix.cpp does it through OpenSSL's libcrypto; the Windows paktool, which has no such
// library, refuses both.
#pragma once

#include "library/ListSignature.h"

#include <cstdint>
#include <string>
#include <vector>

// Writes a new ECDSA P-256 key pair: the private key as PEM (PKCS#8), readable by its owner alone, and
// the public key as one line of base64 of its SubjectPublicKeyInfo. Files at the paths are replaced only
// with replace, once the new pair is made.
void MakeListKeyPair(const std::string& privatePath, const std::string& publicPath, bool replace);

// The signature of the message by the private key in the PEM file, with the id of that key.
ListSignature SignWithKeyFile(const std::string& privatePath, const std::vector<std::uint8_t>& message);
