#include "support/Crypto.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<std::uint8_t> FromHex(const std::string& hex) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

std::string Hex(const sys::Sha256Digest& digest) {
    std::string text;
    char pair[3];
    for (std::uint8_t byte : digest) {
        std::snprintf(pair, sizeof pair, "%02x", byte);
        text += pair;
    }
    return text;
}

// A key pair made once with OpenSSL, and its signature (r, s) of "Zolvane".
const std::vector<std::uint8_t> kKey = FromHex("3059301306072a8648ce3d020106082a8648ce3d03010703420004"
                                               "2791fa64f33a28492a5e3122161bb4d9d6c092e397516f4e1f9b3bf5d503d3c8"
                                               "20713d007baf005c6929409d965f0e81effbe3232b68293be650740173ba62cd");
const std::vector<std::uint8_t> kSignature =
    FromHex("43c80a2c66630f8ea8dbe1160179c5fc2b3327ab75e88ac3780f3d51d8f98ccc"
            "5cbd283c7af9e04fbec510af960564119a7d962370246eb4899c4ac7f52f494a");

} // namespace

TEST(Sha256, GivesTheStandardDigestsWholeAndInPieces) {
    EXPECT_EQ(Hex(sys::Sha256Of({})), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    sys::Sha256 pieces;
    pieces.Add("a", 1);
    pieces.Add("bc", 2);
    EXPECT_EQ(Hex(pieces.Finish()), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(VerifyP256Signature, TakesTheKeysOwnSignatureOfTheMessageAndNothingElse) {
    const auto message = Bytes("Zolvane");
    EXPECT_TRUE(sys::VerifyP256Signature(kKey, message, kSignature));

    auto otherMessage = Bytes("Zolvanf");
    auto flippedSignature = kSignature;
    flippedSignature[40] ^= 1;
    auto otherPoint = kKey;
    otherPoint[60] ^= 1; // no longer a point of the curve
    auto shortKey = kKey;
    shortKey.pop_back();
    const struct {
        const char* what;
        std::vector<std::uint8_t> key, message, signature;
    } refused[] = {
        {"another message", kKey, otherMessage, kSignature},
        {"a changed signature", kKey, message, flippedSignature},
        {"a changed key", otherPoint, message, kSignature},
        {"a short key", shortKey, message, kSignature},
        {"a short signature", kKey, message, std::vector<std::uint8_t>(kSignature.begin(), kSignature.end() - 1)},
        {"no signature", kKey, message, {}}};
    for (const auto& row : refused) {
        EXPECT_FALSE(sys::VerifyP256Signature(row.key, row.message, row.signature)) << row.what;
    }
}
