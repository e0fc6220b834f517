// SHA-256 and ECDSA P-256 through CNG.
#include "support/Crypto.h"

#include "support/Error.h"
#include "support/UniqueResource.h"

#include <windows.h>

#include <bcrypt.h>

#include <algorithm>

namespace sys {
namespace {

struct AlgorithmTraits {
    using Value = BCRYPT_ALG_HANDLE;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value handle) noexcept { BCryptCloseAlgorithmProvider(handle, 0); }
};
struct HashTraits {
    using Value = BCRYPT_HASH_HANDLE;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value handle) noexcept { BCryptDestroyHash(handle); }
};
struct KeyTraits {
    using Value = BCRYPT_KEY_HANDLE;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value handle) noexcept { BCryptDestroyKey(handle); }
};
using UniqueAlgorithm = UniqueResource<AlgorithmTraits>;

bool Succeeded(NTSTATUS status) { return status >= 0; }

UniqueAlgorithm OpenAlgorithm(const wchar_t* name, const char* what) {
    BCRYPT_ALG_HANDLE handle = nullptr;
    if (!Succeeded(BCryptOpenAlgorithmProvider(&handle, name, nullptr, 0))) {
        throw EZolvaneError(std::string("The system offers no ") + what + ".");
    }
    return UniqueAlgorithm(handle);
}

} // namespace

struct Sha256::State {
    UniqueAlgorithm algorithm;
    UniqueResource<HashTraits> hash;
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
    state_->algorithm = OpenAlgorithm(BCRYPT_SHA256_ALGORITHM, "SHA-256");
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (!Succeeded(BCryptCreateHash(state_->algorithm.Get(), &hash, nullptr, 0, nullptr, 0, 0))) {
        throw EZolvaneError("The system offers no SHA-256.");
    }
    state_->hash.Reset(hash);
}

Sha256::~Sha256() = default;

void Sha256::Add(const void* bytes, std::size_t count) {
    auto* next = static_cast<PUCHAR>(const_cast<void*>(bytes));
    while (count > 0) {
        const ULONG piece = static_cast<ULONG>(std::min<std::size_t>(count, 0x40000000));
        if (!Succeeded(BCryptHashData(state_->hash.Get(), next, piece, 0))) {
            throw EZolvaneError("SHA-256 failed.");
        }
        next += piece;
        count -= piece;
    }
}

Sha256Digest Sha256::Finish() {
    Sha256Digest digest{};
    if (!Succeeded(BCryptFinishHash(state_->hash.Get(), digest.data(), static_cast<ULONG>(digest.size()), 0))) {
        throw EZolvaneError("SHA-256 failed.");
    }
    return digest;
}

bool VerifyP256Signature(const std::vector<std::uint8_t>& publicKeyInfo, const std::vector<std::uint8_t>& message,
                         const std::vector<std::uint8_t>& signature) {
    if (publicKeyInfo.size() != kP256PublicKeyInfoSize || signature.size() != kP256SignatureSize ||
        !std::equal(kP256PublicKeyInfoPrefix.begin(), kP256PublicKeyInfoPrefix.end(), publicKeyInfo.begin()) ||
        publicKeyInfo[kP256PublicKeyInfoPrefix.size()] != 0x04) {
        return false;
    }
    // BCRYPT_ECCKEY_BLOB: the magic, the size of one coordinate, then x and y.
    constexpr ULONG kCoordinate = 32;
    std::vector<std::uint8_t> blob(sizeof(BCRYPT_ECCKEY_BLOB) + 2 * kCoordinate);
    BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, kCoordinate};
    std::copy_n(reinterpret_cast<const std::uint8_t*>(&header), sizeof header, blob.begin());
    std::copy_n(publicKeyInfo.begin() + kP256PublicKeyInfoPrefix.size() + 1, 2 * kCoordinate,
                blob.begin() + sizeof header);

    const UniqueAlgorithm algorithm = OpenAlgorithm(BCRYPT_ECDSA_P256_ALGORITHM, "ECDSA");
    BCRYPT_KEY_HANDLE rawKey = nullptr;
    if (!Succeeded(BCryptImportKeyPair(algorithm.Get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, &rawKey, blob.data(),
                                       static_cast<ULONG>(blob.size()), 0))) {
        return false; // no point of the curve
    }
    const UniqueResource<KeyTraits> key(rawKey);
    Sha256Digest digest = Sha256Of(message);
    std::vector<std::uint8_t> rs = signature;
    return Succeeded(BCryptVerifySignature(key.Get(), nullptr, digest.data(), static_cast<ULONG>(digest.size()),
                                           rs.data(), static_cast<ULONG>(rs.size()), 0));
}

} // namespace sys
