// The stored forms of the skit library: the ops block of the ops file, and the list header and skit
// descriptions of a skit list ("sync file"). All are little-endian and packed; texts live in PSTR
// resources of the same pak and are referred to by id.
#pragma once

#include "support/Crypto.h"
#include "support/LocalTime.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum SkitKind : std::uint8_t { skSpecial = 0, skRegular = 1, skTimed = 2 };
constexpr std::uint8_t kAnyKind = 255;

enum DownloadState : std::uint8_t { dsRemove = 0, dsAvailable = 1, dsScheduled = 2, dsDownloaded = 3, dsFailed = 4 };

enum PlayChoice : std::uint8_t { pcNo = 0, pcAfterDownload = 1, pcYes = 2 };

// Partial-update bits of a skit description.
enum UpdateBits : std::uint32_t {
    upIdentity = 0x01, // kind, id, flags, version; name, file name and description
    upContent = 0x02,  // contentStamp, and a new download
    upPlays = 0x04,    // playsLeft, and plays from 0
    upWindow = 0x08,   // availableFrom and availableUntil
    upUrl = 0x10,
    upKey = 0x20,
};

constexpr std::size_t kSkitRecordSize = 152;
constexpr std::size_t kSkitDescriptionSize = 92; // a SKIT resource: the first 92 bytes of a record
constexpr std::size_t kSyncHeaderSize = 48;
constexpr std::size_t kOpsBlockSize = 15473;
constexpr std::size_t kOpsSlots = 100;
constexpr std::uint32_t kMaxSkits = 99;

// A text kept as a PSTR resource: its id, the 4-byte slot beside it (meaningless on disk, kept as
// read), and the text itself once loaded.
struct StringRef {
    std::int32_t id = 0;
    std::uint32_t slot = 0;
    std::string text;
};

struct SkitRecord {
    std::uint8_t kind = skRegular;
    std::int32_t id = 0;
    std::uint32_t flags = 0;
    std::uint32_t version = 0;
    StringRef name;
    StringRef fileName;
    StringRef description;
    StringRef url;
    std::int32_t contentStamp = 0;
    std::uint8_t play = pcNo;
    std::uint8_t state = dsAvailable;
    std::int32_t plays = 0;
    std::int32_t playsLeft = -1; // below 0: unlimited
    FileTime availableFrom = 0;
    FileTime availableUntil = 0;
    std::int32_t keyCode = 0;
    std::uint8_t keyAction = 0;
    StringRef keyText; // id 0: no key action
    std::uint32_t updateMask = 0;
    // Bytes after the description that the list does not fill. The first 40 may hold the movie's digest
    // (MovieDigest); the others are kept as read.
    std::array<std::uint8_t, kSkitRecordSize - kSkitDescriptionSize> reserved{};

    bool HasKeyText() const { return keyText.id != 0; }
};

// The header of the ops block; the records follow it.
struct OpsHeader {
    std::uint32_t listIntervalDays = 0;
    FileTime lastListUpdate = 0;
    std::uint32_t syncValueA = 0;
    std::uint32_t syncValueB = 0;
    std::uint32_t listVersion = 0;
    StringRef listUrl;
    StringRef listFileName;
    std::uint8_t timedEnabled = 0;
    std::int32_t lastTimedId = 0;
    std::int32_t timedPlaysTotal = 0;
    std::int32_t timedPlaysPerStart = 0;
    std::int32_t timedPlaysLeft = 0;
    std::int32_t timedInterval = 0;
    std::int32_t timedCountdown = 0;
    std::int32_t lastRegularId = 0;
    std::uint32_t count = 0;
};

struct SyncHeader {
    std::uint32_t listVersion = 0;
    StringRef listUrl;
    std::uint32_t syncValueA = 0;
    std::uint32_t syncValueB = 0;
    std::uint32_t timedInterval = 0;
    std::uint32_t listIntervalDays = 0;
    std::uint32_t skitCount = 0;
};

// Field by field, at the offsets of the stored forms. Texts are not touched: only their ids and
// slots. A block too short for what is read raises std::out_of_range; callers check sizes first.
OpsHeader ReadOpsHeader(const std::vector<std::uint8_t>& block);
void WriteOpsHeader(std::vector<std::uint8_t>& block, const OpsHeader& header);
SkitRecord ReadSkitRecord(const std::vector<std::uint8_t>& block, std::size_t offset);
void WriteSkitRecord(std::vector<std::uint8_t>& block, std::size_t offset, const SkitRecord& record);
// A skit description: the record's first 92 bytes.
SkitRecord ReadSkitDescription(const std::vector<std::uint8_t>& block);
std::vector<std::uint8_t> SkitDescriptionBytes(const SkitRecord& record);
SyncHeader ReadSyncHeader(const std::vector<std::uint8_t>& block);
std::vector<std::uint8_t> SyncHeaderBytes(const SyncHeader& header);

// The SHA-256 that the skit's movie must have, from the list that brought it: kept in the record's
// reserved bytes as the marker "SHA2", the content stamp it belongs to, and the digest. A record whose
// stamp has changed since (a program that does not know the digest took a new version) has none.
std::optional<sys::Sha256Digest> MovieDigest(const SkitRecord& record);
// Stores the digest for the record's current content stamp; none clears it.
void SetMovieDigest(SkitRecord& record, const std::optional<sys::Sha256Digest>& digest);

// Where the n-th record lies in the ops block.
std::size_t OpsRecordOffset(std::size_t index);

// The text of a PSTR resource: its bytes up to the first zero.
std::string TextOfResource(const std::vector<std::uint8_t>& bytes);
