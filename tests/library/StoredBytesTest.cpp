// Every stored structure against bytes written out by hand from its layout, each field with bytes of its
// own, so that a field read or written at another field's place fails here even where the readers and
// writers of the other tests agree with each other.
#include "library/PakArchive.h"
#include "library/SkitFormats.h"
#include "support/DiskFile.h"
#include "tests/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Field {
    const char* name;
    std::size_t offset;
    std::size_t size;
};

// The field's value in a block where byte j of the k-th field is 8k + j + 1 and every other byte 0xA5.
std::uint64_t ValueOf(std::size_t k, std::size_t size) {
    std::uint64_t value = 0;
    for (std::size_t j = size; j-- > 0;) {
        value = (value << 8) | ((8 * k + j + 1) & 0xFF);
    }
    return value;
}

Bytes Block(std::size_t size, const std::vector<Field>& fields) {
    Bytes block(size, 0xA5);
    for (std::size_t k = 0; k < fields.size(); ++k) {
        for (std::size_t j = 0; j < fields[k].size; ++j) {
            block[fields[k].offset + j] = static_cast<std::uint8_t>(8 * k + j + 1);
        }
    }
    return block;
}

template <typename T>
std::uint64_t U(T value) {
    return static_cast<std::uint64_t>(static_cast<std::make_unsigned_t<T>>(value));
}

// The values read, in the order of the fields, against the bytes they came from.
void ExpectRead(const std::vector<Field>& fields, const std::vector<std::uint64_t>& read) {
    ASSERT_EQ(read.size(), fields.size());
    for (std::size_t k = 0; k < fields.size(); ++k) {
        EXPECT_EQ(read[k], ValueOf(k, fields[k].size)) << fields[k].name << " at " << fields[k].offset;
    }
}

// What the writer put at each field's place, against what the block held there.
void ExpectWritten(const std::vector<Field>& fields, const Bytes& written, const Bytes& block, std::size_t at = 0) {
    for (const Field& field : fields) {
        for (std::size_t j = 0; j < field.size; ++j) {
            EXPECT_EQ(written[at + field.offset + j], block[at + field.offset + j]) << field.name << " byte " << j;
        }
    }
}

std::vector<std::uint64_t> Values(const StringRef& ref) { return {U(ref.id), U(ref.slot)}; }

const std::vector<Field> kSkitDescription = {
    {"kind", 0, 1},       {"id", 1, 4},         {"flags", 5, 4},          {"version", 9, 4},      {"name", 13, 4},
    {"name slot", 17, 4}, {"fileName", 21, 4},  {"fileName slot", 25, 4}, {"description", 29, 4}, {"desc. slot", 33, 4},
    {"url", 37, 4},       {"url slot", 41, 4},  {"contentStamp", 45, 4},  {"play", 49, 1},        {"state", 50, 1},
    {"plays", 51, 4},     {"playsLeft", 55, 4}, {"from", 59, 8},          {"until", 67, 8},       {"keyCode", 75, 4},
    {"keyAction", 79, 1}, {"keyText", 80, 4},   {"keyText slot", 84, 4},  {"updateMask", 88, 4}};

std::vector<std::uint64_t> Values(const SkitRecord& skit) {
    std::vector<std::uint64_t> values = {U(skit.kind), U(skit.id), U(skit.flags), U(skit.version)};
    for (const StringRef* ref : {&skit.name, &skit.fileName, &skit.description, &skit.url}) {
        const auto both = Values(*ref);
        values.insert(values.end(), both.begin(), both.end());
    }
    for (const std::uint64_t value :
         {U(skit.contentStamp), U(skit.play), U(skit.state), U(skit.plays), U(skit.playsLeft), U(skit.availableFrom),
          U(skit.availableUntil), U(skit.keyCode), U(skit.keyAction), U(skit.keyText.id), U(skit.keyText.slot),
          U(skit.updateMask)}) {
        values.push_back(value);
    }
    return values;
}

} // namespace

TEST(StoredBytes, TheOpsBlockHeaderAndItsRecordSlots) {
    const std::vector<Field> fields = {
        {"listIntervalDays", 72, 4},    {"lastListUpdate", 76, 8},  {"syncValueA", 84, 4},
        {"syncValueB", 88, 4},          {"listVersion", 92, 4},     {"listUrl", 96, 4},
        {"listUrl slot", 100, 4},       {"listFileName", 104, 4},   {"listFileName slot", 108, 4},
        {"timedEnabled", 176, 1},       {"lastTimedId", 177, 4},    {"timedPlaysTotal", 181, 4},
        {"timedPlaysPerStart", 185, 4}, {"timedPlaysLeft", 189, 4}, {"timedInterval", 193, 4},
        {"timedCountdown", 197, 4},     {"lastRegularId", 265, 4},  {"count", 269, 4}};
    ASSERT_EQ(kOpsBlockSize, 15473u);
    const Bytes block = Block(kOpsBlockSize, fields);
    const OpsHeader header = ReadOpsHeader(block);
    std::vector<std::uint64_t> read = {U(header.listIntervalDays), U(header.lastListUpdate), U(header.syncValueA),
                                       U(header.syncValueB), U(header.listVersion)};
    for (const StringRef* ref : {&header.listUrl, &header.listFileName}) {
        const auto both = Values(*ref);
        read.insert(read.end(), both.begin(), both.end());
    }
    for (const std::uint64_t value : {U(header.timedEnabled), U(header.lastTimedId), U(header.timedPlaysTotal),
                                      U(header.timedPlaysPerStart), U(header.timedPlaysLeft), U(header.timedInterval),
                                      U(header.timedCountdown), U(header.lastRegularId), U(header.count)}) {
        read.push_back(value);
    }
    ExpectRead(fields, read);
    Bytes written(kOpsBlockSize, 0xEE);
    WriteOpsHeader(written, header);
    ExpectWritten(fields, written, block);

    // The 100 record slots follow the header, 152 bytes each, to the block's end.
    EXPECT_EQ(OpsRecordOffset(0), 273u);
    EXPECT_EQ(OpsRecordOffset(99) + kSkitRecordSize, kOpsBlockSize);
}

TEST(StoredBytes, ASkitRecordInItsSlotAndASkitDescription) {
    // A record in the second slot: the description's fields, then 60 reserved bytes that move with it.
    std::vector<Field> record = kSkitDescription;
    const std::size_t at = 273 + 152;
    for (Field& field : record) {
        field.offset += at;
    }
    record.push_back({"reserved", at + 92, 60});
    Bytes block = Block(kOpsBlockSize, record);
    for (std::size_t j = 0; j < 60; ++j) {
        block[at + 92 + j] = static_cast<std::uint8_t>(0x80 + j);
    }
    const SkitRecord skit = ReadSkitRecord(block, OpsRecordOffset(1));
    record.pop_back();
    ExpectRead(record, Values(skit));
    EXPECT_EQ(Bytes(skit.reserved.begin(), skit.reserved.end()),
              Bytes(block.begin() + at + 92, block.begin() + at + 152));
    Bytes written(kOpsBlockSize, 0xEE);
    WriteSkitRecord(written, OpsRecordOffset(1), skit);
    EXPECT_EQ(Bytes(written.begin() + at, written.begin() + at + 152),
              Bytes(block.begin() + at, block.begin() + at + 152));

    const Bytes description = Block(kSkitDescriptionSize, kSkitDescription);
    const SkitRecord listed = ReadSkitDescription(description);
    ExpectRead(kSkitDescription, Values(listed));
    EXPECT_EQ(SkitDescriptionBytes(listed), description);
}

TEST(StoredBytes, TheSkitListHeader) {
    const std::vector<Field> fields = {{"listVersion", 8, 4},       {"listUrl", 12, 4},    {"listUrl slot", 16, 4},
                                       {"syncValueA", 28, 4},       {"syncValueB", 32, 4}, {"timedInterval", 36, 4},
                                       {"listIntervalDays", 40, 4}, {"skitCount", 44, 4}};
    ASSERT_EQ(kSyncHeaderSize, 48u);
    const Bytes block = Block(kSyncHeaderSize, fields);
    const SyncHeader header = ReadSyncHeader(block);
    ExpectRead(fields,
               {U(header.listVersion), U(header.listUrl.id), U(header.listUrl.slot), U(header.syncValueA),
                U(header.syncValueB), U(header.timedInterval), U(header.listIntervalDays), U(header.skitCount)});
    const Bytes written = SyncHeaderBytes(header);
    ASSERT_EQ(written.size(), kSyncHeaderSize);
    ExpectWritten(fields, written, block);
}

TEST(StoredBytes, APakTrailerDirectoryAndEntryAndTheTypeCodes) {
    // The types as their four bytes lie on the disk.
    for (const auto& [type, bytes] : {std::pair{kPakSkOp, "SkOp"}, std::pair{kPakSYNC, "CNYS"},
                                      std::pair{kPakSKIT, "TIKS"}, std::pair{kPakPSTR, "RTSP"}}) {
        const std::string stored{static_cast<char>(type & 0xFF), static_cast<char>((type >> 8) & 0xFF),
                                 static_cast<char>((type >> 16) & 0xFF), static_cast<char>(type >> 24)};
        EXPECT_EQ(stored, bytes);
    }

    // Five base bytes; the text "AB" as PSTR 0x04030201 at offset 0; a directory of two slots, the second
    // one a deleted SKIT; the trailer, its reserved bytes each with a value of its own.
    std::string pak = "BASE!AB";
    pak += '\0';
    const std::string directory("paki\0\0\0\0\x02\0\0\0\x02\0\0\0", 16);
    std::string entries =
        "RTSP\x01\x02\x03\x04" + std::string(4, '\0') + std::string("\0\0\0\0\x03\0\0\0\x06\x05\0\0", 12);
    entries += "TIKS\x0D\x0C\x0B\x0A" + std::string(4, '\0') + std::string("\x01\0\0\0\x02\0\0\0\x0F\x0E\x01\0", 12);
    pak += directory + entries;
    std::string trailer(144, '\0');
    for (std::size_t i = 0; i < 144; ++i) {
        trailer[i] = static_cast<char>(0x60 + (i & 0x1F));
    }
    trailer[16] = 13; // nothing is scrambled
    trailer.replace(56, 8, std::string("\x03\0\0\0\x40\0\0\0", 8));
    trailer.replace(132, 4, std::string("\x05\0\0\0", 4));
    trailer.replace(140, 4, "pakh");
    pak += trailer;
    testing_files::ScratchFolder folder;
    const std::string path = folder / "hand.pak";
    testing_files::WriteFile(path, pak);

    PakArchive archive;
    archive.Open(path, false, nullptr, sys::kGenericRead | sys::kGenericWrite);
    EXPECT_EQ(archive.Base(), 5u);
    EXPECT_EQ(archive.DataEnd(), 3u);
    EXPECT_EQ(archive.DirSize(), 64u);
    EXPECT_EQ(archive.Capacity(), 2u);
    ASSERT_EQ(archive.Count(), 2u);
    const PakEntry text = archive.Entry(0);
    EXPECT_EQ(std::vector<std::uint64_t>({text.type, U(text.id), text.offset, text.size, text.attribute}),
              std::vector<std::uint64_t>({kPakPSTR, 0x04030201, 0, 3, 0x0506}));
    EXPECT_FALSE(text.deleted);
    const PakEntry gone = archive.Entry(1);
    EXPECT_EQ(std::vector<std::uint64_t>({gone.type, U(gone.id), gone.offset, gone.size, gone.attribute}),
              std::vector<std::uint64_t>({kPakSKIT, 0x0A0B0C0D, 1, 2, 0x0E0F}));
    EXPECT_TRUE(gone.deleted);
    EXPECT_EQ(archive.Find(kPakSKIT, 0x0A0B0C0D), -1);
    EXPECT_EQ(archive.Read(kPakPSTR, 0x04030201), Bytes({'A', 'B', 0}));

    // The same text written again fits in place: data, directory and trailer go back byte for byte.
    archive.Write(kPakPSTR, 0x04030201, 0x0506, 0, "AB", 0);
    EXPECT_TRUE(testing_files::SameBytes(testing_files::ReadFile(path), pak));
}
