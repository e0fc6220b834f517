// Owners of what OpenSSL's libcrypto hands out, for the builds that have it (the native build and the
// tools): each frees its object with the library's own call.
#pragma once

#include <openssl/bio.h>
#include <openssl/crypto.h>
#include <openssl/ecdsa.h>
#include <openssl/evp.h>

#include <memory>

namespace openssl {

template <class T, void (*Free)(T*)>
struct Freer {
    void operator()(T* pointer) const noexcept { Free(pointer); }
};
inline void FreeBio(BIO* bio) { BIO_free(bio); }
inline void FreeBytes(unsigned char* bytes) { OPENSSL_free(bytes); }

using Bio = std::unique_ptr<BIO, Freer<BIO, FreeBio>>;
using Key = std::unique_ptr<EVP_PKEY, Freer<EVP_PKEY, EVP_PKEY_free>>;
using KeyContext = std::unique_ptr<EVP_PKEY_CTX, Freer<EVP_PKEY_CTX, EVP_PKEY_CTX_free>>;
using DigestContext = std::unique_ptr<EVP_MD_CTX, Freer<EVP_MD_CTX, EVP_MD_CTX_free>>;
using Signature = std::unique_ptr<ECDSA_SIG, Freer<ECDSA_SIG, ECDSA_SIG_free>>;
// Bytes that the library allocated (a DER encoding, say).
using Bytes = std::unique_ptr<unsigned char, Freer<unsigned char, FreeBytes>>;

} // namespace openssl
