#include "library/ListSignature.h"

#include "library/SkitFormats.h"
#include "support/ByteOrder.h"
#include "support/Error.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char kCanonicalTag[] = "ZSLIST01";
// Texts may be shared between skits, but a list that names one large text from every skit would make its
// canonical form grow with the square of its size: such a list is refused.
constexpr std::size_t kMaxCanonicalBytes = 16u << 20;
constexpr char kBase64Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

void AppendU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

void AppendField(std::vector<std::uint8_t>& out, const std::uint8_t* bytes, std::size_t count) {
    if (out.size() + 4 + count > kMaxCanonicalBytes) {
        throw EZolvaneError("The skit list names more text than a list of its size can hold.");
    }
    AppendU32(out, static_cast<std::uint32_t>(count));
    out.insert(out.end(), bytes, bytes + count);
}

void AppendField(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& bytes) {
    AppendField(out, bytes.data(), bytes.size());
}

void AppendText(std::vector<std::uint8_t>& out, PakArchive& list, std::int32_t id) {
    const std::string text = TextOfResource(list.Read(kPakPSTR, id));
    AppendField(out, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

} // namespace

std::vector<std::uint8_t> SignedListBytes(PakArchive& list) {
    std::vector<std::uint8_t> out(kCanonicalTag, kCanonicalTag + 8);
    const std::vector<std::uint8_t> headerBytes = list.Read(kPakSYNC, 1);
    if (headerBytes.size() < kSyncHeaderSize) {
        throw EZolvaneError("The skit list's header is too short.");
    }
    const SyncHeader header = ReadSyncHeader(headerBytes);
    AppendField(out, headerBytes);
    AppendText(out, list, header.listUrl.id);
    for (std::uint32_t n = 1; n <= header.skitCount && n <= static_cast<std::uint32_t>(INT32_MAX); ++n) {
        const auto number = static_cast<std::int32_t>(n);
        const std::vector<std::uint8_t> bytes = list.Read(kPakSKIT, number);
        if (bytes.size() < kSkitDescriptionSize) {
            throw EZolvaneError("Skit " + std::to_string(n) + " of the skit list is too short.");
        }
        const SkitRecord skit = ReadSkitDescription(bytes);
        AppendU32(out, n);
        AppendField(out, bytes);
        for (const StringRef* text : {&skit.name, &skit.fileName, &skit.description, &skit.url}) {
            AppendText(out, list, text->id);
        }
        if (skit.HasKeyText()) {
            AppendText(out, list, skit.keyText.id);
        } else {
            AppendU32(out, 0);
        }
        if (const auto digest = ReadMovieDigest(list, number)) {
            AppendField(out, digest->data(), digest->size());
        } else {
            AppendU32(out, 0);
        }
    }
    return out;
}

std::vector<std::uint8_t> ListSignatureBytes(const ListSignature& signature) {
    std::vector<std::uint8_t> bytes(kListSignatureSize);
    ByteWriter writer(bytes);
    writer.U32(0, kListSignatureFormat);
    writer.Bytes(4, signature.keyId.data(), signature.keyId.size());
    writer.Bytes(4 + sys::kSha256Size, signature.signature.data(),
                 std::min(signature.signature.size(), sys::kP256SignatureSize));
    return bytes;
}

std::int32_t AddListSignature(PakArchive& list, const ListSignature& signature) {
    std::int32_t id = 0;
    std::int32_t freeId = 0;
    for (std::int32_t candidate = 1; candidate <= kMaxListSignatures && id == 0; ++candidate) {
        if (list.Find(kPakSIGN, candidate) < 0) {
            freeId = freeId == 0 ? candidate : freeId;
        } else if (const auto earlier = ReadListSignature(list.Read(kPakSIGN, candidate));
                   earlier && earlier->keyId == signature.keyId) {
            id = candidate;
        }
    }
    id = id != 0 ? id : freeId;
    if (id == 0) {
        throw EZolvaneError("The skit list already carries " + std::to_string(kMaxListSignatures) +
                            " signatures, none of them by this key.");
    }
    const std::vector<std::uint8_t> bytes = ListSignatureBytes(signature);
    list.Write(kPakSIGN, id, 0, 0, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    return id;
}

std::optional<ListSignature> ReadListSignature(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() != kListSignatureSize || ByteReader(bytes).U32(0) != kListSignatureFormat) {
        return std::nullopt;
    }
    ListSignature signature;
    std::copy_n(bytes.begin() + 4, sys::kSha256Size, signature.keyId.begin());
    signature.signature.assign(bytes.begin() + 4 + sys::kSha256Size, bytes.end());
    return signature;
}

ListTrust CheckListSignature(PakArchive& list, const std::vector<PublicKeyInfo>& trustedKeys) {
    std::vector<ListSignature> signatures;
    for (std::int32_t id = 1; id <= kMaxListSignatures; ++id) {
        if (list.Find(kPakSIGN, id) >= 0) {
            // A signature of a format this program does not know cannot vouch for the list.
            if (auto signature = ReadListSignature(list.Read(kPakSIGN, id))) {
                signatures.push_back(std::move(*signature));
            } else {
                signatures.emplace_back();
            }
        }
    }
    if (signatures.empty()) {
        return ListTrust::kUnsigned;
    }
    const std::vector<std::uint8_t> message = SignedListBytes(list);
    for (const PublicKeyInfo& key : trustedKeys) {
        const sys::Sha256Digest keyId = sys::Sha256Of(key);
        for (const ListSignature& signature : signatures) {
            if (signature.keyId == keyId && sys::VerifyP256Signature(key, message, signature.signature)) {
                return ListTrust::kTrusted;
            }
        }
    }
    return ListTrust::kMismatch;
}

std::optional<sys::Sha256Digest> ReadMovieDigest(PakArchive& list, std::int32_t skitNumber) {
    if (list.Find(kPakHASH, skitNumber) < 0) {
        return std::nullopt;
    }
    const std::vector<std::uint8_t> bytes = list.Read(kPakHASH, skitNumber);
    if (bytes.size() != sys::kSha256Size) {
        throw EZolvaneError("The movie digest of skit " + std::to_string(skitNumber) + " of the skit list is not " +
                            std::to_string(sys::kSha256Size) + " bytes.");
    }
    sys::Sha256Digest digest{};
    std::copy(bytes.begin(), bytes.end(), digest.begin());
    return digest;
}

std::string EncodeBase64(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t left = bytes.size() - i;
        const std::uint32_t group = (static_cast<std::uint32_t>(bytes[i]) << 16) |
                                    (left > 1 ? static_cast<std::uint32_t>(bytes[i + 1]) << 8 : 0) |
                                    (left > 2 ? bytes[i + 2] : 0);
        for (std::size_t digit = 0; digit < 4; ++digit) {
            text += digit <= left ? kBase64Digits[(group >> (18 - 6 * digit)) & 0x3F] : '=';
        }
    }
    return text;
}

std::optional<std::vector<std::uint8_t>> DecodeBase64(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    const std::size_t last = text.find_last_not_of(" \t\r\n");
    const std::string line = first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
    if (line.size() % 4 != 0) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < line.size(); i += 4) {
        std::uint32_t group = 0;
        int padding = 0;
        for (std::size_t digit = 0; digit < 4; ++digit) {
            const char c = line[i + digit];
            const char* found = c == '\0' ? nullptr : std::strchr(kBase64Digits, c);
            // Padding only at the end of the last group, and at most two of it.
            if (c == '=' && i + 4 == line.size() && digit >= 2 && (digit == 3 || line[i + 3] == '=')) {
                ++padding;
            } else if (found == nullptr || padding > 0) {
                return std::nullopt;
            }
            group = (group << 6) | (found != nullptr ? static_cast<std::uint32_t>(found - kBase64Digits) : 0);
        }
        for (int byte = 0; byte < 3 - padding; ++byte) {
            bytes.push_back(static_cast<std::uint8_t>(group >> (16 - 8 * byte)));
        }
    }
    return bytes;
}

std::optional<PublicKeyInfo> DecodeListKey(const std::string& line) {
    auto bytes = DecodeBase64(line);
    if (!bytes || bytes->size() != sys::kP256PublicKeyInfoSize ||
        !std::equal(sys::kP256PublicKeyInfoPrefix.begin(), sys::kP256PublicKeyInfoPrefix.end(), bytes->begin())) {
        return std::nullopt;
    }
    return bytes;
}
