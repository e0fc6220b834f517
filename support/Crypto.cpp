#include "support/Crypto.h"

namespace sys {

// SEQUENCE { SEQUENCE { id-ecPublicKey, prime256v1 }, BIT STRING (66 bytes, no unused bits) }
const std::array<std::uint8_t, 26> kP256PublicKeyInfoPrefix = {0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2A, 0x86, 0x48,
                                                               0xCE, 0x3D, 0x02, 0x01, 0x06, 0x08, 0x2A, 0x86, 0x48,
                                                               0xCE, 0x3D, 0x03, 0x01, 0x07, 0x03, 0x42, 0x00};

Sha256Digest Sha256Of(const std::vector<std::uint8_t>& bytes) {
    Sha256 digest;
    digest.Add(bytes.data(), bytes.size());
    return digest.Finish();
}

} // namespace sys
