#include "tests/library/TestSigning.h"

#include "library/PakArchive.h"
#include "support/Error.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#if defined(_WIN32)
#include <windows.h>

#include <bcrypt.h>
#else
#include <openssl/bn.h>
#include <openssl/ecdsa.h>
#include <openssl/evp.h>
#endif

namespace {

struct TestKey {
    const char* privateScalar; // d
    const char* point;         // x then y
};

// Made once with OpenSSL; they sign nothing but tests.
const TestKey kTestKeys[] = {
    {"e2f4abbb3fe2286b3d6431cae8f0ef748035af23012084b32dc57b65fa45daa8",
     "ef01c3e75032aab3651d5afe20e3b6eee3377edab5a2ef48a15ee296936f0e30"
     "c4bd2132f25a2a64ce0505f9ea8176ae1b48d17ae76cd5f58d60889209c4f412"},
    {"86cd4b38b1a838d8504e6b2ab08fcba97e6ecb2e6f51ed67d259e0a507e9f725",
     "5c7d97dab70fe2413de494fc89a9668d1cfb53b5e02cd1fdd6a5dec68e4cf1d0"
     "bf1fca7c9d5db2dbaf9b0d7b721a39e74e3b3f3d5db7d5bd114da2793d53df3f"},
};

std::vector<std::uint8_t> FromHex(const char* hex) {
    std::vector<std::uint8_t> bytes;
    for (const char* at = hex; at[0] != '\0' && at[1] != '\0'; at += 2) {
        const auto digit = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
        bytes.push_back(static_cast<std::uint8_t>(digit(at[0]) * 16 + digit(at[1])));
    }
    return bytes;
}

const TestKey& KeyOf(int keyNumber) {
    if (keyNumber < 1 || keyNumber > 2) {
        throw EZolvaneError("There is no test key " + std::to_string(keyNumber) + ".");
    }
    return kTestKeys[keyNumber - 1];
}

#if defined(_WIN32)

// r then s: CNG signs the digest with the key pair imported from its private blob (magic, coordinate
// size, x, y, d).
std::vector<std::uint8_t> SignMessage(const TestKey& key, const std::vector<std::uint8_t>& message) {
    std::vector<std::uint8_t> blob(sizeof(BCRYPT_ECCKEY_BLOB));
    const BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PRIVATE_P256_MAGIC, 32};
    std::copy_n(reinterpret_cast<const std::uint8_t*>(&header), sizeof header, blob.begin());
    for (const char* part : {key.point, key.privateScalar}) {
        const std::vector<std::uint8_t> bytes = FromHex(part);
        blob.insert(blob.end(), bytes.begin(), bytes.end());
    }
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_KEY_HANDLE pair = nullptr;
    sys::Sha256Digest digest = sys::Sha256Of(message);
    std::vector<std::uint8_t> signature(sys::kP256SignatureSize);
    ULONG size = 0;
    const bool signed_ = BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0) >= 0 &&
                         BCryptImportKeyPair(algorithm, nullptr, BCRYPT_ECCPRIVATE_BLOB, &pair, blob.data(),
                                             static_cast<ULONG>(blob.size()), 0) >= 0 &&
                         BCryptSignHash(pair, nullptr, digest.data(), static_cast<ULONG>(digest.size()),
                                        signature.data(), static_cast<ULONG>(signature.size()), &size, 0) >= 0 &&
                         size == signature.size();
    if (pair != nullptr) {
        BCryptDestroyKey(pair);
    }
    if (algorithm != nullptr) {
        BCryptCloseAlgorithmProvider(algorithm, 0);
    }
    if (!signed_) {
        throw EZolvaneError("CNG could not sign with the test key.");
    }
    return signature;
}

#else

// r then s, from the DER signature that libcrypto makes with the key read from its SEC1 form.
std::vector<std::uint8_t> SignMessage(const TestKey& key, const std::vector<std::uint8_t>& message) {
    std::vector<std::uint8_t> der = FromHex("30770201010420");
    const std::vector<std::uint8_t> scalar = FromHex(key.privateScalar);
    der.insert(der.end(), scalar.begin(), scalar.end());
    const std::vector<std::uint8_t> rest = FromHex("a00a06082a8648ce3d030107a14403420004");
    der.insert(der.end(), rest.begin(), rest.end());
    const std::vector<std::uint8_t> point = FromHex(key.point);
    der.insert(der.end(), point.begin(), point.end());

    const unsigned char* next = der.data();
    EVP_PKEY* pair = d2i_PrivateKey(EVP_PKEY_EC, nullptr, &next, static_cast<long>(der.size()));
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    std::vector<unsigned char> encoded(128);
    std::size_t encodedSize = encoded.size();
    const bool signed_ = pair != nullptr && context != nullptr &&
                         EVP_DigestSignInit(context, nullptr, EVP_sha256(), nullptr, pair) == 1 &&
                         EVP_DigestSign(context, encoded.data(), &encodedSize, message.data(), message.size()) == 1;
    EVP_MD_CTX_free(context);
    EVP_PKEY_free(pair);
    const unsigned char* encodedNext = encoded.data();
    ECDSA_SIG* pairOfNumbers = signed_ ? d2i_ECDSA_SIG(nullptr, &encodedNext, static_cast<long>(encodedSize)) : nullptr;
    std::vector<std::uint8_t> signature(sys::kP256SignatureSize);
    const bool converted = pairOfNumbers != nullptr &&
                           BN_bn2binpad(ECDSA_SIG_get0_r(pairOfNumbers), signature.data(), 32) == 32 &&
                           BN_bn2binpad(ECDSA_SIG_get0_s(pairOfNumbers), signature.data() + 32, 32) == 32;
    ECDSA_SIG_free(pairOfNumbers);
    if (!converted) {
        throw EZolvaneError("libcrypto could not sign with the test key.");
    }
    return signature;
}

#endif

} // namespace

PublicKeyInfo TestPublicKey(int keyNumber) {
    PublicKeyInfo key(sys::kP256PublicKeyInfoPrefix.begin(), sys::kP256PublicKeyInfoPrefix.end());
    key.push_back(0x04);
    const std::vector<std::uint8_t> point = FromHex(KeyOf(keyNumber).point);
    key.insert(key.end(), point.begin(), point.end());
    return key;
}

void SignListForTests(const std::string& listPath, int keyNumber) {
    PakArchive list;
    list.Open(listPath, false, nullptr, sys::kGenericRead | sys::kGenericWrite);
    ListSignature signature;
    signature.keyId = sys::Sha256Of(TestPublicKey(keyNumber));
    signature.signature = SignMessage(KeyOf(keyNumber), SignedListBytes(list));
    AddListSignature(list, signature);
    list.Close();
}

void RewritePakForTests(const std::string& source, const std::string& target, const ScrambleProgram* scramble,
                        PakType leftOut) {
    PakArchive from;
    from.Open(source, false, nullptr, sys::kGenericRead);
    PakArchive to;
    to.Open(target, true, scramble, sys::kGenericRead | sys::kGenericWrite);
    for (std::uint32_t i = from.Count(); i-- > 0;) {
        const PakEntry entry = from.Entry(i);
        if (!entry.deleted && entry.type != leftOut) {
            const std::vector<std::uint8_t> bytes = from.Read(entry.type, entry.id);
            to.Write(entry.type, entry.id, entry.attribute, 1, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
        }
    }
    to.Close();
}
