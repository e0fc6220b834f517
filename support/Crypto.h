// The two cryptographic checks the program makes, through the system's own code: SHA-256 digests of
// downloaded movies, and ECDSA P-256 signatures of skit lists.
//
// Crypto_win.cpp calls CNG (bcrypt), which every Windows since Vista ships; Crypto_posix.cpp calls
// OpenSSL's libcrypto, for the native build and the tools.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sys {

constexpr std::size_t kSha256Size = 32;
using Sha256Digest = std::array<std::uint8_t, kSha256Size>;

// A SHA-256 digest fed in pieces. Raises EZolvaneError when the system offers no SHA-256.
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void Add(const void* bytes, std::size_t count);
    // The digest of everything added; the object is used up.
    Sha256Digest Finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};

Sha256Digest Sha256Of(const std::vector<std::uint8_t>& bytes);
// The digest of a file's bytes; raises EZolvaneError with the system's text when it cannot be read.
Sha256Digest Sha256OfFile(const std::string& path);

// A public key as its DER SubjectPublicKeyInfo: 91 bytes for a P-256 key (the algorithm, the curve and
// the uncompressed point).
constexpr std::size_t kP256PublicKeyInfoSize = 91;
// A signature as r then s, each 32 bytes big-endian.
constexpr std::size_t kP256SignatureSize = 64;

// Whether the signature is the key's ECDSA P-256 signature of the SHA-256 digest of the message. A key
// or a signature of the wrong form is no match; only a system without ECDSA raises.
bool VerifyP256Signature(const std::vector<std::uint8_t>& publicKeyInfo, const std::vector<std::uint8_t>& message,
                         const std::vector<std::uint8_t>& signature);

// The fixed start of a P-256 SubjectPublicKeyInfo, before the 65 bytes of the point (0x04, x, y).
extern const std::array<std::uint8_t, 26> kP256PublicKeyInfoPrefix;

} // namespace sys
