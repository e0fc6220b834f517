// Signed skit lists and the digests of their movies.
//
// A list is signed over its canonical form, the bytes that a merge reads from it taken in a fixed
// order, so that a pak rewritten with the same content still verifies (docs/signed-skit-lists.md spells
// the form out for authors' own tools):
//
//   the 8 bytes "ZSLIST01";
//   the SYNC resource, then the text of its list address;
//   for n = 1 to the header's skit count: n (4 bytes), the SKIT n resource, the texts it names (name,
//   file name, description, address, key text; an empty field for no key text) and the HASH n resource
//   (an empty field for none).
//
// Each resource and text is one field: its length (4 bytes) and its bytes, a text up to its first zero.
// A form of more than 16 MiB (texts named over and over) is refused as a damaged list.
// A SIGN resource (ids 1 to 16) holds one signature of that form: a format number (1, 4 bytes), the
// SHA-256 of the signer's public key (its DER SubjectPublicKeyInfo) and the ECDSA P-256 signature as r
// then s. A HASH resource holds the 32-byte SHA-256 of the movie of the SKIT with its id.
#pragma once

#include "library/PakArchive.h"
#include "support/Crypto.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

constexpr std::uint32_t kListSignatureFormat = 1;
constexpr std::size_t kListSignatureSize = 4 + sys::kSha256Size + sys::kP256SignatureSize;
constexpr std::int32_t kMaxListSignatures = 16;

// A public key as an installation stores it: one line of base64 of its SubjectPublicKeyInfo.
using PublicKeyInfo = std::vector<std::uint8_t>;

struct ListSignature {
    sys::Sha256Digest keyId{};
    std::vector<std::uint8_t> signature; // r then s
};

// The canonical form of the list. Raises what reading the list raises when it is damaged.
std::vector<std::uint8_t> SignedListBytes(PakArchive& list);

std::vector<std::uint8_t> ListSignatureBytes(const ListSignature& signature);
// Writes the signature as a SIGN resource of the list: in place of the same key's earlier one, else at
// the first free id; the others stay. Its id; raises when all 16 are another key's.
std::int32_t AddListSignature(PakArchive& list, const ListSignature& signature);
// None when the bytes are not a signature of the known format.
std::optional<ListSignature> ReadListSignature(const std::vector<std::uint8_t>& bytes);

enum class ListTrust {
    kTrusted,  // a signature by one of the keys matches
    kUnsigned, // the list carries no signature
    kMismatch, // it carries signatures, and none of them is a good one by a trusted key
};
// Checks the list against the trusted keys (at least one). Raises when the list is damaged.
ListTrust CheckListSignature(PakArchive& list, const std::vector<PublicKeyInfo>& trustedKeys);

// The HASH resource of SKIT n: none when there is none; raises EZolvaneError when it is not 32 bytes.
std::optional<sys::Sha256Digest> ReadMovieDigest(PakArchive& list, std::int32_t skitNumber);

// Base64 (RFC 4648, with padding; spaces around the line are ignored). Decoding gives none for anything
// that is not base64.
std::string EncodeBase64(const std::vector<std::uint8_t>& bytes);
std::optional<std::vector<std::uint8_t>> DecodeBase64(const std::string& text);
// A key line of the registry: none unless it holds a P-256 SubjectPublicKeyInfo.
std::optional<PublicKeyInfo> DecodeListKey(const std::string& line);
