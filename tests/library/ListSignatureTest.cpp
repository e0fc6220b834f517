#include "library/ListSignature.h"

#include "library/SkitFileWriters.h"
#include "tests/TestFiles.h"
#include "tests/library/TestSigning.h"

#include <gtest/gtest.h>

using testing_files::ScratchFolder;

namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

ListTrust Check(const std::string& listPath, const std::vector<PublicKeyInfo>& keys) {
    PakArchive list;
    list.Open(listPath, false, nullptr, sys::kGenericRead);
    return CheckListSignature(list, keys);
}

std::string WriteTwoSkitList(const ScratchFolder& folder) {
    SyncHeader header;
    header.listVersion = 3;
    header.listUrl.text = "http://example.com/skits.syn";
    std::vector<SkitRecord> skits(2);
    for (std::size_t i = 0; i < skits.size(); ++i) {
        skits[i].id = static_cast<std::int32_t>(i + 1);
        skits[i].name.text = "Skit " + std::to_string(i + 1);
        skits[i].fileName.text = "skit" + std::to_string(i + 1) + ".gif";
        skits[i].url.text = "http://example.com/skit" + std::to_string(i + 1) + ".gif";
    }
    const std::string path = folder / "skits.syn";
    WriteSyncFile(path, header, skits);
    return path;
}

} // namespace

TEST(ListSignature, ATestKeysSignatureIsTrustedByThatKeyAlone) {
    ScratchFolder folder;
    const std::string list = WriteTwoSkitList(folder);
    EXPECT_EQ(Check(list, {TestPublicKey(1)}), ListTrust::kUnsigned);
    SignListForTests(list, 1);
    EXPECT_EQ(Check(list, {TestPublicKey(1)}), ListTrust::kTrusted);
    EXPECT_EQ(Check(list, {TestPublicKey(2)}), ListTrust::kMismatch);
    EXPECT_EQ(Check(list, {TestPublicKey(2), TestPublicKey(1)}), ListTrust::kTrusted);
}

TEST(ListSignature, Base64AndKeyLinesTakeOnlyWhatTheyShould) {
    EXPECT_EQ(EncodeBase64({}), "");
    EXPECT_EQ(EncodeBase64(Bytes("f")), "Zg==");
    EXPECT_EQ(EncodeBase64(Bytes("fo")), "Zm8=");
    EXPECT_EQ(EncodeBase64(Bytes("foo")), "Zm9v");
    EXPECT_EQ(EncodeBase64({0xFB, 0xFF}), "+/8=");

    const struct {
        const char* text;
        std::optional<std::string> bytes;
    } decoded[] = {
        {"", std::string()},
        {"Zg==", std::string("f")},
        {"  Zm9vYg==\r\n", std::string("foob")},
        {"+/8=", std::string("\xFB\xFF")},
        {"Zg=", std::nullopt},      // not whole groups
        {"Z===", std::nullopt},     // three pads
        {"Zg=a", std::nullopt},     // a digit after the padding
        {"Zg==Zg==", std::nullopt}, // padding before the end
        {"Zm 9v", std::nullopt},    // a space inside
        {"Zm-9", std::nullopt},     // the URL alphabet
    };
    for (const auto& row : decoded) {
        const auto bytes = DecodeBase64(row.text);
        EXPECT_EQ(bytes.has_value(), row.bytes.has_value()) << row.text;
        if (bytes && row.bytes) {
            EXPECT_EQ(std::string(bytes->begin(), bytes->end()), *row.bytes) << row.text;
        }
    }

    const std::string key = EncodeBase64(TestPublicKey(1));
    PublicKeyInfo otherCurve = TestPublicKey(1);
    otherCurve[20] ^= 1; // the curve's object identifier
    PublicKeyInfo longer = TestPublicKey(1);
    longer.push_back(0);
    const struct {
        std::string line;
        bool taken;
    } keys[] = {
        {key, true},
        {" " + key + "\r\n", true},
        {key.substr(0, key.size() - 4), false},
        {EncodeBase64(otherCurve), false},
        {EncodeBase64(longer), false},
        {"not a key", false},
    };
    for (const auto& row : keys) {
        const auto decodedKey = DecodeListKey(row.line);
        EXPECT_EQ(decodedKey.has_value(), row.taken) << row.line;
        if (decodedKey) {
            EXPECT_EQ(*decodedKey, TestPublicKey(1));
        }
    }
}
