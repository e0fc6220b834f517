#include "support/Crypto.h"

#include "support/DiskFile.h"

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

Sha256Digest Sha256OfFile(const std::string& path) {
    DiskFile file;
    file.Open(path, kGenericRead, kShareRead);
    Sha256 digest;
    std::vector<std::uint8_t> block(65536);
    while (const std::uint32_t got = file.Read(block.data(), static_cast<std::uint32_t>(block.size()))) {
        digest.Add(block.data(), got);
    }
    return digest.Finish();
}

} // namespace sys
