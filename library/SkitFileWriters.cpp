#include "library/SkitFileWriters.h"

#include "library/PakArchive.h"

namespace {

constexpr std::uint32_t kReadWrite = sys::kGenericRead | sys::kGenericWrite;

void StoreText(PakArchive& pak, StringRef& ref) { ref.id = pak.WriteText(kPakPSTR, kPakNextId, ref.text); }

void StoreTexts(PakArchive& pak, SkitRecord& record) {
    StoreText(pak, record.name);
    StoreText(pak, record.fileName);
    StoreText(pak, record.description);
    StoreText(pak, record.url);
    if (record.keyText.text.empty()) {
        record.keyText.id = 0;
    } else {
        StoreText(pak, record.keyText);
    }
}

} // namespace

void WriteOpsFile(const std::string& path, OpsHeader header, std::vector<SkitRecord> records) {
    PakArchive pak;
    pak.Open(path, true, nullptr, kReadWrite);
    // Every resource reaches the disk in one write of the whole file.
    PakArchive::Update update(pak);
    StoreText(pak, header.listUrl);
    StoreText(pak, header.listFileName);
    for (SkitRecord& record : records) {
        StoreTexts(pak, record);
    }
    std::vector<std::uint8_t> block(kOpsBlockSize, 0);
    header.count = static_cast<std::uint32_t>(records.size());
    WriteOpsHeader(block, header);
    for (std::size_t i = 0; i < records.size() && i < kOpsSlots; ++i) {
        WriteSkitRecord(block, OpsRecordOffset(i), records[i]);
    }
    pak.Write(kPakSkOp, 0, 0, 0, block.data(), static_cast<std::uint32_t>(block.size()));
    update.Commit();
    pak.Close();
}

void WriteSyncFile(const std::string& path, SyncHeader header, std::vector<SkitRecord> skits) {
    PakArchive pak;
    pak.Open(path, true, nullptr, kReadWrite);
    PakArchive::Update update(pak);
    StoreText(pak, header.listUrl);
    header.skitCount = static_cast<std::uint32_t>(skits.size());
    for (std::size_t i = 0; i < skits.size(); ++i) {
        StoreTexts(pak, skits[i]);
        const std::vector<std::uint8_t> bytes = SkitDescriptionBytes(skits[i]);
        pak.Write(kPakSKIT, static_cast<std::int32_t>(i + 1), 0, 0, bytes.data(),
                  static_cast<std::uint32_t>(bytes.size()));
        if (const auto digest = MovieDigest(skits[i])) {
            pak.Write(kPakHASH, static_cast<std::int32_t>(i + 1), 0, 0, digest->data(),
                      static_cast<std::uint32_t>(digest->size()));
        }
    }
    const std::vector<std::uint8_t> bytes = SyncHeaderBytes(header);
    pak.Write(kPakSYNC, 1, 0, 0, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    update.Commit();
    pak.Close();
}
