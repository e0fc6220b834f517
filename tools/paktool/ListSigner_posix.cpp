#include "tools/paktool/ListSigner.h"

#include "support/Error.h"
#include "support/OpenSslHandles.h"

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/ecdsa.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

using openssl::Bio;
using openssl::Bytes;
using openssl::DigestContext;
using openssl::Key;
using openssl::KeyContext;
using openssl::Signature;

[[noreturn]] void Fail(const std::string& what) { throw EZolvaneError(what); }

// The key's SubjectPublicKeyInfo; empty when it is no P-256 key.
PublicKeyInfo PublicKeyInfoOf(EVP_PKEY* key) {
    unsigned char* der = nullptr;
    const int size = i2d_PUBKEY(key, &der);
    if (size <= 0) {
        return {};
    }
    const Bytes owned(der);
    PublicKeyInfo info(der, der + size);
    if (info.size() != sys::kP256PublicKeyInfoSize ||
        !std::equal(sys::kP256PublicKeyInfoPrefix.begin(), sys::kP256PublicKeyInfoPrefix.end(), info.begin())) {
        return {};
    }
    return info;
}

// Writes a file that is not there yet, with the permissions given; a failed write leaves no file.
void WriteNewFile(const std::string& path, const std::string& bytes, mode_t mode) {
    const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (file < 0) {
        Fail(path + " cannot be made: " + std::strerror(errno) + ".");
    }
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t step = write(file, bytes.data() + written, bytes.size() - written);
        if (step < 0 && errno == EINTR) {
            continue;
        }
        if (step <= 0) {
            const int error = errno;
            close(file);
            unlink(path.c_str());
            Fail(path + " cannot be written: " + std::strerror(error) + ".");
        }
        written += static_cast<std::size_t>(step);
    }
    if (close(file) != 0) {
        const int error = errno;
        unlink(path.c_str());
        Fail(path + " cannot be written: " + std::strerror(error) + ".");
    }
}

// A passphrase prompt would stop a script: an encrypted key is refused instead.
int NoPassphrase(char*, int, int, void*) { return -1; }

} // namespace

void MakeListKeyPair(const std::string& privatePath, const std::string& publicPath, bool replace) {
    const KeyContext context(EVP_PKEY_CTX_new_id(EVP_PKEY_EC, nullptr));
    EVP_PKEY* made = nullptr;
    if (!context || EVP_PKEY_keygen_init(context.get()) != 1 ||
        EVP_PKEY_CTX_set_ec_paramgen_curve_nid(context.get(), NID_X9_62_prime256v1) != 1 ||
        EVP_PKEY_CTX_set_ec_param_enc(context.get(), OPENSSL_EC_NAMED_CURVE) != 1 ||
        EVP_PKEY_keygen(context.get(), &made) != 1) {
        Fail("OpenSSL could not make a P-256 key pair.");
    }
    const Key key(made);
    const PublicKeyInfo publicKey = PublicKeyInfoOf(key.get());
    const Bio pem(BIO_new(BIO_s_mem()));
    char* pemBytes = nullptr;
    long pemSize = 0;
    if (publicKey.empty() || !pem ||
        PEM_write_bio_PrivateKey(pem.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1 ||
        (pemSize = BIO_get_mem_data(pem.get(), &pemBytes)) <= 0) {
        Fail("OpenSSL could not write the key pair.");
    }
    if (replace) {
        // Made anew rather than written over, so that the old file's permissions do not carry over.
        unlink(privatePath.c_str());
        unlink(publicPath.c_str());
    }
    WriteNewFile(privatePath, std::string(pemBytes, static_cast<std::size_t>(pemSize)), 0600);
    try {
        WriteNewFile(publicPath, EncodeBase64(publicKey) + "\n", 0644);
    } catch (...) {
        unlink(privatePath.c_str());
        throw;
    }
}

ListSignature SignWithKeyFile(const std::string& privatePath, const std::vector<std::uint8_t>& message) {
    const Bio file(BIO_new_file(privatePath.c_str(), "rb"));
    if (!file) {
        Fail("The private key " + privatePath + " cannot be read.");
    }
    const Key key(PEM_read_bio_PrivateKey(file.get(), nullptr, NoPassphrase, nullptr));
    const PublicKeyInfo publicKey = key ? PublicKeyInfoOf(key.get()) : PublicKeyInfo();
    if (publicKey.empty()) {
        Fail(privatePath + " holds no P-256 private key in PEM without a passphrase (paktool keygen makes one).");
    }
    const DigestContext context(EVP_MD_CTX_new());
    std::size_t size = 0;
    if (!context || EVP_DigestSignInit(context.get(), nullptr, EVP_sha256(), nullptr, key.get()) != 1 ||
        EVP_DigestSign(context.get(), nullptr, &size, message.data(), message.size()) != 1) {
        Fail("OpenSSL could not sign with " + privatePath + ".");
    }
    std::vector<unsigned char> der(size);
    if (EVP_DigestSign(context.get(), der.data(), &size, message.data(), message.size()) != 1) {
        Fail("OpenSSL could not sign with " + privatePath + ".");
    }
    // OpenSSL gives the signature DER-encoded; a list stores r then s.
    const unsigned char* next = der.data();
    const Signature pair(d2i_ECDSA_SIG(nullptr, &next, static_cast<long>(size)));
    ListSignature signature;
    signature.keyId = sys::Sha256Of(publicKey);
    signature.signature.resize(sys::kP256SignatureSize);
    if (!pair || BN_bn2binpad(ECDSA_SIG_get0_r(pair.get()), signature.signature.data(), 32) != 32 ||
        BN_bn2binpad(ECDSA_SIG_get0_s(pair.get()), signature.signature.data() + 32, 32) != 32) {
        Fail("OpenSSL could not sign with " + privatePath + ".");
    }
    return signature;
}
