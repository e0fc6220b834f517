// SHA-256 and ECDSA P-256 through OpenSSL's libcrypto.
#include "support/Crypto.h"

#include "support/Error.h"
#include "support/OpenSslHandles.h"

#include <openssl/bn.h>
#include <openssl/ecdsa.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <algorithm>

namespace sys {
namespace {

using openssl::Bytes;
using openssl::DigestContext;
using openssl::Key;
using openssl::Signature;

DigestContext NewSha256() {
    DigestContext context(EVP_MD_CTX_new());
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) {
        throw EZolvaneError("The system offers no SHA-256.");
    }
    return context;
}

} // namespace

struct Sha256::State {
    DigestContext context = NewSha256();
};

Sha256::Sha256() : state_(std::make_unique<State>()) {}

Sha256::~Sha256() = default;

void Sha256::Add(const void* bytes, std::size_t count) {
    if (EVP_DigestUpdate(state_->context.get(), bytes, count) != 1) {
        throw EZolvaneError("SHA-256 failed.");
    }
}

Sha256Digest Sha256::Finish() {
    Sha256Digest digest{};
    unsigned int size = 0;
    if (EVP_DigestFinal_ex(state_->context.get(), digest.data(), &size) != 1 || size != digest.size()) {
        throw EZolvaneError("SHA-256 failed.");
    }
    return digest;
}

bool VerifyP256Signature(const std::vector<std::uint8_t>& publicKeyInfo, const std::vector<std::uint8_t>& message,
                         const std::vector<std::uint8_t>& signature) {
    if (publicKeyInfo.size() != kP256PublicKeyInfoSize || signature.size() != kP256SignatureSize ||
        !std::equal(kP256PublicKeyInfoPrefix.begin(), kP256PublicKeyInfoPrefix.end(), publicKeyInfo.begin())) {
        return false;
    }
    const unsigned char* next = publicKeyInfo.data();
    const Key key(d2i_PUBKEY(nullptr, &next, static_cast<long>(publicKeyInfo.size())));
    if (!key) {
        return false;
    }
    // OpenSSL takes the signature DER-encoded.
    const Signature pair(ECDSA_SIG_new());
    BIGNUM* r = BN_bin2bn(signature.data(), 32, nullptr);
    BIGNUM* s = BN_bin2bn(signature.data() + 32, 32, nullptr);
    if (!pair || !r || !s || ECDSA_SIG_set0(pair.get(), r, s) != 1) {
        BN_free(r);
        BN_free(s);
        throw EZolvaneError("ECDSA failed.");
    }
    unsigned char* der = nullptr;
    const int derSize = i2d_ECDSA_SIG(pair.get(), &der);
    if (derSize <= 0) {
        throw EZolvaneError("ECDSA failed.");
    }
    const Bytes owned(der);
    const DigestContext context(EVP_MD_CTX_new());
    return context && EVP_DigestVerifyInit(context.get(), nullptr, EVP_sha256(), nullptr, key.get()) == 1 &&
           EVP_DigestVerify(context.get(), der, static_cast<std::size_t>(derSize), message.data(), message.size()) == 1;
}

} // namespace sys
