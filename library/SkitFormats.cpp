#include "library/SkitFormats.h"

#include "support/ByteOrder.h"

#include <algorithm>

namespace {

// Ops block header.
constexpr std::size_t kOpsListIntervalDays = 72;
constexpr std::size_t kOpsLastListUpdate = 76;
constexpr std::size_t kOpsSyncValueA = 84;
constexpr std::size_t kOpsSyncValueB = 88;
constexpr std::size_t kOpsListVersion = 92;
constexpr std::size_t kOpsListUrl = 96;
constexpr std::size_t kOpsListFileName = 104;
constexpr std::size_t kOpsTimedEnabled = 176;
constexpr std::size_t kOpsLastTimedId = 177;
constexpr std::size_t kOpsTimedPlaysTotal = 181;
constexpr std::size_t kOpsTimedPlaysPerStart = 185;
constexpr std::size_t kOpsTimedPlaysLeft = 189;
constexpr std::size_t kOpsTimedInterval = 193;
constexpr std::size_t kOpsTimedCountdown = 197;
constexpr std::size_t kOpsLastRegularId = 265;
constexpr std::size_t kOpsCount = 269;
constexpr std::size_t kOpsRecords = 273;

// Skit record, and skit description (its first 92 bytes).
constexpr std::size_t kSkitKind = 0;
constexpr std::size_t kSkitId = 1;
constexpr std::size_t kSkitFlags = 5;
constexpr std::size_t kSkitVersion = 9;
constexpr std::size_t kSkitName = 13;
constexpr std::size_t kSkitFileName = 21;
constexpr std::size_t kSkitDescription = 29;
constexpr std::size_t kSkitUrl = 37;
constexpr std::size_t kSkitContentStamp = 45;
constexpr std::size_t kSkitPlay = 49;
constexpr std::size_t kSkitState = 50;
constexpr std::size_t kSkitPlays = 51;
constexpr std::size_t kSkitPlaysLeft = 55;
constexpr std::size_t kSkitAvailableFrom = 59;
constexpr std::size_t kSkitAvailableUntil = 67;
constexpr std::size_t kSkitKeyCode = 75;
constexpr std::size_t kSkitKeyAction = 79;
constexpr std::size_t kSkitKeyText = 80;
constexpr std::size_t kSkitUpdateMask = 88;
constexpr std::size_t kSkitReserved = 92;

// Skit list header.
constexpr std::size_t kSyncListVersion = 8;
constexpr std::size_t kSyncListUrl = 12;
constexpr std::size_t kSyncValueA = 28;
constexpr std::size_t kSyncValueB = 32;
constexpr std::size_t kSyncTimedInterval = 36;
constexpr std::size_t kSyncListIntervalDays = 40;
constexpr std::size_t kSyncSkitCount = 44;

StringRef ReadRef(const ByteReader& reader, std::size_t offset) {
    StringRef ref;
    ref.id = reader.I32(offset);
    ref.slot = reader.U32(offset + 4);
    return ref;
}

void WriteRef(ByteWriter& writer, std::size_t offset, const StringRef& ref) {
    writer.I32(offset, ref.id);
    writer.U32(offset + 4, ref.slot);
}

SkitRecord ReadDescriptionFields(const ByteReader& reader, std::size_t at) {
    SkitRecord record;
    record.kind = reader.U8(at + kSkitKind);
    record.id = reader.I32(at + kSkitId);
    record.flags = reader.U32(at + kSkitFlags);
    record.version = reader.U32(at + kSkitVersion);
    record.name = ReadRef(reader, at + kSkitName);
    record.fileName = ReadRef(reader, at + kSkitFileName);
    record.description = ReadRef(reader, at + kSkitDescription);
    record.url = ReadRef(reader, at + kSkitUrl);
    record.contentStamp = reader.I32(at + kSkitContentStamp);
    record.play = reader.U8(at + kSkitPlay);
    record.state = reader.U8(at + kSkitState);
    record.plays = reader.I32(at + kSkitPlays);
    record.playsLeft = reader.I32(at + kSkitPlaysLeft);
    record.availableFrom = reader.U64(at + kSkitAvailableFrom);
    record.availableUntil = reader.U64(at + kSkitAvailableUntil);
    record.keyCode = reader.I32(at + kSkitKeyCode);
    record.keyAction = reader.U8(at + kSkitKeyAction);
    record.keyText = ReadRef(reader, at + kSkitKeyText);
    record.updateMask = reader.U32(at + kSkitUpdateMask);
    return record;
}

void WriteDescriptionFields(ByteWriter& writer, std::size_t at, const SkitRecord& record) {
    writer.U8(at + kSkitKind, record.kind);
    writer.I32(at + kSkitId, record.id);
    writer.U32(at + kSkitFlags, record.flags);
    writer.U32(at + kSkitVersion, record.version);
    WriteRef(writer, at + kSkitName, record.name);
    WriteRef(writer, at + kSkitFileName, record.fileName);
    WriteRef(writer, at + kSkitDescription, record.description);
    WriteRef(writer, at + kSkitUrl, record.url);
    writer.I32(at + kSkitContentStamp, record.contentStamp);
    writer.U8(at + kSkitPlay, record.play);
    writer.U8(at + kSkitState, record.state);
    writer.I32(at + kSkitPlays, record.plays);
    writer.I32(at + kSkitPlaysLeft, record.playsLeft);
    writer.U64(at + kSkitAvailableFrom, record.availableFrom);
    writer.U64(at + kSkitAvailableUntil, record.availableUntil);
    writer.I32(at + kSkitKeyCode, record.keyCode);
    writer.U8(at + kSkitKeyAction, record.keyAction);
    WriteRef(writer, at + kSkitKeyText, record.keyText);
    writer.U32(at + kSkitUpdateMask, record.updateMask);
}

} // namespace

std::size_t OpsRecordOffset(std::size_t index) { return kOpsRecords + index * kSkitRecordSize; }

OpsHeader ReadOpsHeader(const std::vector<std::uint8_t>& block) {
    const ByteReader reader(block);
    OpsHeader header;
    header.listIntervalDays = reader.U32(kOpsListIntervalDays);
    header.lastListUpdate = reader.U64(kOpsLastListUpdate);
    header.syncValueA = reader.U32(kOpsSyncValueA);
    header.syncValueB = reader.U32(kOpsSyncValueB);
    header.listVersion = reader.U32(kOpsListVersion);
    header.listUrl = ReadRef(reader, kOpsListUrl);
    header.listFileName = ReadRef(reader, kOpsListFileName);
    header.timedEnabled = reader.U8(kOpsTimedEnabled);
    header.lastTimedId = reader.I32(kOpsLastTimedId);
    header.timedPlaysTotal = reader.I32(kOpsTimedPlaysTotal);
    header.timedPlaysPerStart = reader.I32(kOpsTimedPlaysPerStart);
    header.timedPlaysLeft = reader.I32(kOpsTimedPlaysLeft);
    header.timedInterval = reader.I32(kOpsTimedInterval);
    header.timedCountdown = reader.I32(kOpsTimedCountdown);
    header.lastRegularId = reader.I32(kOpsLastRegularId);
    header.count = reader.U32(kOpsCount);
    return header;
}

void WriteOpsHeader(std::vector<std::uint8_t>& block, const OpsHeader& header) {
    ByteWriter writer(block);
    writer.U32(kOpsListIntervalDays, header.listIntervalDays);
    writer.U64(kOpsLastListUpdate, header.lastListUpdate);
    writer.U32(kOpsSyncValueA, header.syncValueA);
    writer.U32(kOpsSyncValueB, header.syncValueB);
    writer.U32(kOpsListVersion, header.listVersion);
    WriteRef(writer, kOpsListUrl, header.listUrl);
    WriteRef(writer, kOpsListFileName, header.listFileName);
    writer.U8(kOpsTimedEnabled, header.timedEnabled);
    writer.I32(kOpsLastTimedId, header.lastTimedId);
    writer.I32(kOpsTimedPlaysTotal, header.timedPlaysTotal);
    writer.I32(kOpsTimedPlaysPerStart, header.timedPlaysPerStart);
    writer.I32(kOpsTimedPlaysLeft, header.timedPlaysLeft);
    writer.I32(kOpsTimedInterval, header.timedInterval);
    writer.I32(kOpsTimedCountdown, header.timedCountdown);
    writer.I32(kOpsLastRegularId, header.lastRegularId);
    writer.U32(kOpsCount, header.count);
}

SkitRecord ReadSkitRecord(const std::vector<std::uint8_t>& block, std::size_t offset) {
    const ByteReader reader(block);
    SkitRecord record = ReadDescriptionFields(reader, offset);
    reader.Bytes(offset + kSkitReserved, record.reserved.data(), record.reserved.size());
    return record;
}

void WriteSkitRecord(std::vector<std::uint8_t>& block, std::size_t offset, const SkitRecord& record) {
    ByteWriter writer(block);
    WriteDescriptionFields(writer, offset, record);
    writer.Bytes(offset + kSkitReserved, record.reserved.data(), record.reserved.size());
}

SkitRecord ReadSkitDescription(const std::vector<std::uint8_t>& block) {
    return ReadDescriptionFields(ByteReader(block), 0);
}

std::vector<std::uint8_t> SkitDescriptionBytes(const SkitRecord& record) {
    std::vector<std::uint8_t> bytes(kSkitDescriptionSize, 0);
    ByteWriter writer(bytes);
    WriteDescriptionFields(writer, 0, record);
    return bytes;
}

SyncHeader ReadSyncHeader(const std::vector<std::uint8_t>& block) {
    const ByteReader reader(block);
    SyncHeader header;
    header.listVersion = reader.U32(kSyncListVersion);
    header.listUrl = ReadRef(reader, kSyncListUrl);
    header.syncValueA = reader.U32(kSyncValueA);
    header.syncValueB = reader.U32(kSyncValueB);
    header.timedInterval = reader.U32(kSyncTimedInterval);
    header.listIntervalDays = reader.U32(kSyncListIntervalDays);
    header.skitCount = reader.U32(kSyncSkitCount);
    return header;
}

std::vector<std::uint8_t> SyncHeaderBytes(const SyncHeader& header) {
    std::vector<std::uint8_t> bytes(kSyncHeaderSize, 0);
    ByteWriter writer(bytes);
    writer.U32(kSyncListVersion, header.listVersion);
    WriteRef(writer, kSyncListUrl, header.listUrl);
    writer.U32(kSyncValueA, header.syncValueA);
    writer.U32(kSyncValueB, header.syncValueB);
    writer.U32(kSyncTimedInterval, header.timedInterval);
    writer.U32(kSyncListIntervalDays, header.listIntervalDays);
    writer.U32(kSyncSkitCount, header.skitCount);
    return bytes;
}

std::string TextOfResource(const std::vector<std::uint8_t>& bytes) {
    const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    return std::string(bytes.begin(), end);
}

namespace {

constexpr std::uint32_t kDigestMarker = 0x32414853; // "SHA2"
constexpr std::size_t kDigestStamp = 4;
constexpr std::size_t kDigestBytes = 8;

} // namespace

std::optional<sys::Sha256Digest> MovieDigest(const SkitRecord& record) {
    const ByteReader reader(record.reserved.data(), record.reserved.size());
    if (reader.U32(0) != kDigestMarker || reader.I32(kDigestStamp) != record.contentStamp) {
        return std::nullopt;
    }
    sys::Sha256Digest digest{};
    reader.Bytes(kDigestBytes, digest.data(), digest.size());
    return digest;
}

void SetMovieDigest(SkitRecord& record, const std::optional<sys::Sha256Digest>& digest) {
    ByteWriter writer(record.reserved.data(), record.reserved.size());
    const sys::Sha256Digest none{};
    writer.U32(0, digest ? kDigestMarker : 0);
    writer.I32(kDigestStamp, digest ? record.contentStamp : 0);
    writer.Bytes(kDigestBytes, (digest ? *digest : none).data(), none.size());
}
