#include "library/PakArchive.h"

#include "library/FileFinder.h"
#include "support/ByteOrder.h"
#include "support/Error.h"
#include "support/ErrorCodes.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace {

// Trailer fields.
constexpr std::size_t kTrailerScramble = 16;
constexpr std::size_t kTrailerDataEnd = 56;
constexpr std::size_t kTrailerDirSize = 60;
constexpr std::size_t kTrailerReserved128 = 128;
constexpr std::size_t kTrailerBase = 132;
constexpr std::size_t kTrailerReserved136 = 136;
constexpr std::size_t kTrailerSignature = 140;
constexpr std::uint32_t kTrailerMagic = 0x686B6170; // "pakh"

// Directory header fields.
constexpr std::size_t kDirSignature = 0;
constexpr std::size_t kDirCapacity = 8;
constexpr std::size_t kDirCount = 12;
constexpr std::uint32_t kDirMagic = 0x696B6170; // "paki"

// Entry fields, from the start of the entry.
constexpr std::size_t kEntryType = 0;
constexpr std::size_t kEntryId = 4;
constexpr std::size_t kEntryReserved = 8;
constexpr std::size_t kEntryOffset = 12;
constexpr std::size_t kEntrySizeField = 16;
constexpr std::size_t kEntryAttribute = 20;
constexpr std::size_t kEntryDeleted = 22;
constexpr std::size_t kEntryScrambled = 23;

std::size_t EntryAt(std::uint32_t index) {
    return kPakDirectoryHeaderSize + static_cast<std::size_t>(index) * kPakEntrySize;
}

// Counted in 64 bits: a hostile capacity must not wrap round to a size that looks right.
std::uint64_t DirectorySizeFor(std::uint32_t capacity) {
    return kPakDirectoryHeaderSize + static_cast<std::uint64_t>(kPakEntrySize) * capacity;
}

[[noreturn]] void RaiseCorrupt(const std::string& path) {
    throw EZolvaneError(ErrorText(ecMissingOrCorrupt) + " " + path);
}

// Positions inside a pak are 32-bit; a pak whose fields add up beyond that is damaged.
std::int32_t SeekPosition(std::uint64_t position) {
    if (position > std::numeric_limits<std::uint32_t>::max()) {
        throw EZolvaneError(ErrorText(ecSeekFailed));
    }
    // Seeks take a signed distance; from the start of the file it is read as unsigned.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(position));
}

// Where a pak's new file is written, and where the old one is moved aside while another program holds it.
const char* const kNewSuffix = "1";
const char* const kAsideSuffix = "2";

// Every program that opens a pak lets others replace it meanwhile: it goes on reading the old file, whole,
// while the new one takes its name.
std::uint32_t ShareFor(std::uint32_t access, bool othersMayWrite = true) {
    return (access == sys::kGenericRead && othersMayWrite ? sys::kShareRead | sys::kShareWrite : sys::kShareRead) |
           sys::kShareDelete;
}

// Puts the new file, whole on the disk, in the old one's place; 0, or the system's error code. One move
// replaces the old file where the system allows it. Windows refuses that while another program holds
// the old file open, even one that lets others delete it; such a file can still be moved, so the old one
// is moved aside first and the new one takes its name. Whatever fails, one whole pak stays: the old one
// at its name (and the new one is deleted), or, when the old one could not be moved back, the two
// beside the name, where PakArchive::FinishReplace finds them.
std::uint32_t ReplaceByNewFile(const std::string& newPath, const std::string& path) {
    if (sys::RenameFile(newPath, path, true)) {
        return 0;
    }
    std::uint32_t error = sys::LastError();
    if (sys::IsFileInUseError(error)) {
        const std::string aside = path + kAsideSuffix;
        // Left by an earlier replace whose reader has closed it since.
        sys::RemoveFile(aside);
        if (sys::RenameFile(path, aside, false)) {
            if (sys::RenameFile(newPath, path, false)) {
                // Fails while a reader still holds the old file; the next replace tries again.
                sys::RemoveFile(aside);
                return 0;
            }
            error = sys::LastError();
            if (!sys::RenameFile(aside, path, false)) {
                return error;
            }
        } else {
            error = sys::LastError();
        }
    }
    sys::RemoveFile(newPath);
    return error == 0 ? ecNoErrorInformation : error;
}

std::vector<std::uint8_t> AllocateResource(std::uint32_t size) {
    try {
        return std::vector<std::uint8_t>(size);
    } catch (const std::bad_alloc&) {
        throw EZolvaneError("Can't allocate pak.");
    }
}

} // namespace

PakArchive::~PakArchive() {
    try {
        Close();
    } catch (...) {
        // A failed compaction leaves the old file whole; there is no one left to tell.
    }
}

void PakArchive::Open(const std::string& path, bool create, const ScrambleProgram* scramble, std::uint32_t access,
                      bool othersMayWrite) {
    Close();
    try {
        if (create) {
            CreateEmpty(path, scramble);
        } else {
            FinishReplace(path);
        }
        Load(path, access, othersMayWrite);
    } catch (...) {
        Release();
        throw;
    }
    path_ = path;
}

void PakArchive::FinishReplace(const std::string& path) {
    if (AnyFileExists(path)) {
        return;
    }
    for (const char* suffix : {kNewSuffix, kAsideSuffix}) {
        const std::string candidate = path + suffix;
        // A link left there by another user would make our pak a way into that user's file.
        if (sys::IsLink(candidate)) {
            continue;
        }
        PakArchive probe;
        try {
            probe.Load(candidate, sys::kGenericRead);
        } catch (const std::exception&) {
            continue;
        }
        probe.Close();
        if (sys::RenameFile(candidate, path, false)) {
            return;
        }
    }
}

void PakArchive::CreateEmpty(const std::string& path, const ScrambleProgram* scramble) {
    DiskFile file;
    file.Create(path, sys::kAttrNormal, sys::kShareRead);
    trailer_.assign(kPakTrailerSize, 0);
    directory_.assign(kPakDirectoryHeaderSize, 0);
    ForgetIndex();
    ByteWriter trailer(trailer_);
    trailer.Bytes(kTrailerScramble, (scramble != nullptr ? *scramble : kNoScramble).data(), 8);
    trailer.U32(kTrailerDirSize, kPakDirectoryHeaderSize);
    trailer.U32(kTrailerReserved128, 0);
    trailer.U32(kTrailerBase, 0);
    trailer.U32(kTrailerReserved136, 0);
    trailer.U32(kTrailerSignature, kTrailerMagic);
    WriteDirectoryAndTrailer(file);
    Release();
}

void PakArchive::Load(const std::string& path, std::uint32_t access, bool othersMayWrite) {
    file_.Open(path, access, ShareFor(access, othersMayWrite));
    access_ = access;
    const std::uint64_t size = file_.Size();
    if (size < kPakTrailerSize || size > std::numeric_limits<std::uint32_t>::max()) {
        RaiseCorrupt(path);
    }
    trailer_.assign(kPakTrailerSize, 0);
    file_.Seek(SeekPosition(size - kPakTrailerSize), sys::kSeekBegin);
    if (file_.Read(trailer_.data(), kPakTrailerSize) != kPakTrailerSize ||
        ByteReader(trailer_).U32(kTrailerSignature) != kTrailerMagic) {
        RaiseCorrupt(path);
    }
    // The directory must lie between the data and the trailer before anything is taken from it.
    const std::uint64_t directoryStart = static_cast<std::uint64_t>(Base()) + DataEnd();
    if (DirSize() < kPakDirectoryHeaderSize || directoryStart + DirSize() + kPakTrailerSize != size) {
        RaiseCorrupt(path);
    }
    directory_.assign(DirSize(), 0);
    ForgetIndex();
    file_.Seek(SeekPosition(directoryStart), sys::kSeekBegin);
    file_.Read(directory_.data(), DirSize());
    if (IsScrambled()) {
        ApplyScramble(Scramble(), directory_.data(), directory_.size(), false);
    }
    CheckLoaded(path);
}

// A damaged or hostile pak must never make us read or write outside the file.
void PakArchive::CheckLoaded(const std::string& path) const {
    if (DirSize() != DirectorySizeFor(Capacity()) || Count() > Capacity()) {
        RaiseCorrupt(path);
    }
    // Deleted entries count too: their ends still decide where the directory goes.
    for (std::uint32_t i = 0; i < Count(); ++i) {
        const PakEntry entry = Entry(i);
        if (static_cast<std::uint64_t>(entry.offset) + entry.size > DataEnd()) {
            RaiseCorrupt(path);
        }
    }
}

std::vector<std::uint8_t> PakArchive::Read(PakType type, std::int32_t id) {
    RequireOpen();
    const int index = Find(type, id);
    if (index < 0) {
        throw EZolvaneError("Pak not found.");
    }
    const PakEntry entry = Entry(static_cast<std::uint32_t>(index));
    std::vector<std::uint8_t> data = AllocateResource(entry.size);
    ReadAt(static_cast<std::uint64_t>(Base()) + entry.offset, data.data(), entry.size);
    if (IsScrambled() && entry.scrambled) {
        ApplyScramble(Scramble(), data.data(), data.size(), false);
    }
    return data;
}

std::int32_t PakArchive::Write(PakType type, std::int32_t id, std::uint16_t attribute, std::uint8_t scramble,
                               const void* data, std::uint32_t length) {
    RequireOpen();
    if (Updating()) {
        // The update keeps the pak as it was before it began; a write that fails drops all of it, so that
        // no half-made write can be committed. Copying the directory at every write would cost the time
        // of the whole directory for each resource of a save.
        try {
            return WriteResource(type, id, attribute, scramble, data, length);
        } catch (...) {
            AbandonUpdate();
            throw;
        }
    }
    // New data goes where the directory lies, so a write that fails part-way (a full disk, say) would
    // leave a file without a directory. Put the old directory and trailer back, in memory and on disk:
    // the pak stays as it was, apart from an in-place rewrite that got part of the way.
    std::vector<std::uint8_t> directoryBefore = directory_;
    std::vector<std::uint8_t> trailerBefore = trailer_;
    try {
        return WriteResource(type, id, attribute, scramble, data, length);
    } catch (...) {
        directory_.swap(directoryBefore);
        ForgetIndex();
        trailer_.swap(trailerBefore);
        try {
            WriteTail();
        } catch (...) {
            // The first failure is the one to report.
        }
        throw;
    }
}

std::int32_t PakArchive::WriteResource(PakType type, std::int32_t id, std::uint16_t attribute, std::uint8_t scramble,
                                       const void* data, std::uint32_t length) {
    if (length == 0) {
        length = static_cast<std::uint32_t>(std::strlen(static_cast<const char*>(data)) + 1);
    }
    std::uint64_t position = static_cast<std::uint64_t>(Base()) + DataEnd();
    std::uint32_t index = 0;
    bool shrinksTheEnd = false;
    if (id == kPakNextId) {
        id = NextId(type);
        index = TakeSlot();
    } else {
        const int found = Find(type, id);
        PakEntry old = found >= 0 ? Entry(static_cast<std::uint32_t>(found)) : PakEntry();
        if (found >= 0 && old.size >= length) {
            index = static_cast<std::uint32_t>(found);
            position = static_cast<std::uint64_t>(Base()) + old.offset;
            shrinksTheEnd = old.size > length && old.offset + old.size == DataEnd();
        } else {
            if (found >= 0) {
                old.deleted = true;
                SetEntry(static_cast<std::uint32_t>(found), old);
            }
            index = TakeSlot();
        }
    }
    // Taking a slot may have rewritten the directory, but not where the data goes.
    PakEntry entry;
    entry.type = type;
    entry.id = id;
    entry.offset = static_cast<std::uint32_t>(position - Base());
    entry.size = length;
    entry.attribute = attribute;
    entry.scrambled = IsScrambled() && scramble == 1;
    SetEntry(index, entry);

    if (entry.scrambled) {
        std::vector<std::uint8_t> copy(static_cast<const std::uint8_t*>(data),
                                       static_cast<const std::uint8_t*>(data) + length);
        ApplyScramble(Scramble(), copy.data(), copy.size(), true);
        WriteAt(position, copy.data(), length);
    } else {
        WriteAt(position, data, length);
    }
    // An update writes the directory and the trailer once, at its commit; the next write must still
    // know where the data ends.
    if (Updating()) {
        const std::uint32_t end = entry.offset + entry.size;
        if (end > DataEnd()) {
            ByteWriter(trailer_).U32(kTrailerDataEnd, end);
        } else if (shrinksTheEnd) {
            ByteWriter(trailer_).U32(kTrailerDataEnd, EntriesEnd());
        }
    }
    WriteTail();
    return id;
}

std::int32_t PakArchive::WriteText(PakType type, std::int32_t id, const std::string& text) {
    return Write(type, id, 0, 0, text.c_str(), static_cast<std::uint32_t>(text.size() + 1));
}

namespace {

std::uint64_t IndexKey(PakType type, std::int32_t id) {
    return (static_cast<std::uint64_t>(type) << 32) | static_cast<std::uint32_t>(id);
}

} // namespace

void PakArchive::IndexDirectory() const {
    index_.clear();
    largestId_.clear();
    indexAmbiguous_ = false;
    for (std::uint32_t i = 0; i < Count(); ++i) {
        const PakEntry entry = Entry(i);
        Note(entry, i);
    }
    indexed_ = true;
}

void PakArchive::Note(const PakEntry& entry, std::uint32_t index) const {
    std::int32_t& largest = largestId_[entry.type];
    largest = std::max(largest, entry.id);
    if (entry.deleted) {
        return;
    }
    // Only a damaged pak holds one type and id twice; the first entry is the one that counts.
    const auto [at, added] = index_.emplace(IndexKey(entry.type, entry.id), index);
    if (!added && at->second != index) {
        at->second = std::min(at->second, index);
        indexAmbiguous_ = true;
    }
}

int PakArchive::Find(PakType type, std::int32_t id) const {
    if (!indexed_) {
        IndexDirectory();
    }
    const auto at = index_.find(IndexKey(type, id));
    return at == index_.end() ? -1 : static_cast<int>(at->second);
}

std::int32_t PakArchive::NextId(PakType type) const {
    if (!indexed_) {
        IndexDirectory();
    }
    const auto known = largestId_.find(type);
    const std::int32_t largest = known == largestId_.end() ? 0 : std::max<std::int32_t>(known->second, 0);
    if (largest < std::numeric_limits<std::int32_t>::max()) {
        return largest + 1;
    }
    // The ids ran up to the top: take the lowest free one rather than wrap round onto a used one, in one
    // pass over the directory and one sort.
    std::vector<std::int32_t> used;
    for (std::uint32_t i = 0; i < Count(); ++i) {
        const PakEntry entry = Entry(i);
        if (entry.type == type && entry.id > 0) {
            used.push_back(entry.id);
        }
    }
    std::sort(used.begin(), used.end());
    std::int32_t candidate = 1;
    for (const std::int32_t id : used) {
        if (id > candidate) {
            break;
        }
        if (id == candidate) {
            ++candidate;
        }
    }
    return candidate;
}

std::uint32_t PakArchive::TakeSlot() {
    if (Count() < Capacity()) {
        ByteWriter(directory_).U32(kDirCount, Count() + 1);
        return Count() - 1;
    }
    const std::uint32_t count = Count();
    const std::uint32_t capacity = count + kPakGrowth;
    std::vector<std::uint8_t> grown(static_cast<std::size_t>(DirectorySizeFor(capacity)), 0);
    std::copy(directory_.begin(), directory_.begin() + static_cast<std::ptrdiff_t>(EntryAt(count)), grown.begin());
    ByteWriter header(grown);
    header.U32(kDirCapacity, capacity);
    header.U32(kDirCount, count + 1);
    // The entries keep their places: the index stays true.
    directory_.swap(grown);
    ByteWriter(trailer_).U32(kTrailerDirSize, static_cast<std::uint32_t>(directory_.size()));
    WriteTail();
    return count;
}

std::uint32_t PakArchive::EntriesEnd() const {
    std::uint32_t dataEnd = 0;
    for (std::uint32_t i = 0; i < Count(); ++i) {
        const PakEntry entry = Entry(i);
        dataEnd = std::max(dataEnd, entry.offset + entry.size);
    }
    return dataEnd;
}

std::vector<std::uint8_t> PakArchive::Tail(std::uint64_t& directoryStart) {
    const std::uint32_t dataEnd = EntriesEnd();
    ByteWriter(trailer_).U32(kTrailerDataEnd, dataEnd);
    ByteWriter(directory_).U32(kDirSignature, kDirMagic);
    directoryStart = static_cast<std::uint64_t>(Base()) + dataEnd;
    SeekPosition(directoryStart + DirSize() + kPakTrailerSize);

    std::vector<std::uint8_t> tail = directory_;
    if (IsScrambled()) {
        ApplyScramble(Scramble(), tail.data(), tail.size(), true);
    }
    tail.insert(tail.end(), trailer_.begin(), trailer_.end());
    return tail;
}

void PakArchive::WriteDirectoryAndTrailer(DiskFile& file) {
    std::uint64_t directoryStart = 0;
    const std::vector<std::uint8_t> tail = Tail(directoryStart);
    file.Seek(SeekPosition(directoryStart), sys::kSeekBegin);
    file.Write(tail.data(), static_cast<std::uint32_t>(tail.size()));
    file.SetEnd();
}

void PakArchive::WriteTail() {
    if (!Updating()) {
        WriteDirectoryAndTrailer(file_);
        return;
    }
    tailPending_ = true;
}

void PakArchive::WriteTailIntoImage() {
    tailPending_ = false;
    std::uint64_t directoryStart = 0;
    const std::vector<std::uint8_t> tail = Tail(directoryStart);
    WriteAt(directoryStart, tail.data(), static_cast<std::uint32_t>(tail.size()));
    const std::size_t end = static_cast<std::size_t>(directoryStart) + tail.size();
    if (image_.size() != end) {
        image_.resize(end);
        imageChanged_ = true;
    }
}

void PakArchive::ReadAt(std::uint64_t position, void* buffer, std::uint32_t count) {
    if (!Updating()) {
        file_.Seek(SeekPosition(position), sys::kSeekBegin);
        file_.Read(buffer, count);
        return;
    }
    // As from the file: what lies beyond its end is not read.
    const std::size_t start = static_cast<std::size_t>(std::min<std::uint64_t>(position, image_.size()));
    const std::size_t available = std::min<std::size_t>(count, image_.size() - start);
    std::memcpy(buffer, image_.data() + start, available);
}

void PakArchive::WriteAt(std::uint64_t position, const void* data, std::uint32_t count) {
    if (!Updating()) {
        file_.Seek(SeekPosition(position), sys::kSeekBegin);
        file_.Write(data, count);
        return;
    }
    SeekPosition(position + count);
    const std::size_t start = static_cast<std::size_t>(position);
    if (image_.size() < start + count) {
        // A file written beyond its end holds zero bytes in the gap.
        image_.resize(start + count, 0);
        imageChanged_ = true;
    }
    if (count > 0 && std::memcmp(image_.data() + start, data, count) != 0) {
        std::memcpy(image_.data() + start, data, count);
        imageChanged_ = true;
    }
}

void PakArchive::BeginUpdate() {
    RequireOpen();
    // A pak opened for reading only takes no update: its writes fail as they always do.
    if (access_ == sys::kGenericRead) {
        return;
    }
    if (updateDepth_++ > 0) {
        return;
    }
    try {
        // Opening refused a pak of 4 GiB or more.
        const auto size = static_cast<std::uint32_t>(file_.Size());
        image_.assign(size, 0);
        file_.Seek(0, sys::kSeekBegin);
        if (file_.Read(image_.data(), size) != size) {
            throw EZolvaneError(ErrorText(ecReadFailed));
        }
    } catch (...) {
        updateDepth_ = 0;
        image_.clear();
        throw;
    }
    imageChanged_ = false;
    tailPending_ = false;
    trailerBeforeUpdate_ = trailer_;
    directoryBeforeUpdate_ = directory_;
}

void PakArchive::AbandonUpdate() {
    if (updateDepth_ == 0) {
        return;
    }
    EndUpdate();
    trailer_.swap(trailerBeforeUpdate_);
    directory_.swap(directoryBeforeUpdate_);
    ForgetIndex();
}

void PakArchive::CommitUpdate() {
    if (updateDepth_ == 0 || --updateDepth_ > 0) {
        return;
    }
    ++updateDepth_; // an update until it is done, so that a failure below can drop it
    if (tailPending_) {
        try {
            WriteTailIntoImage();
        } catch (...) {
            AbandonUpdate();
            throw;
        }
    }
    if (imageChanged_) {
        std::string newPath;
        try {
            newPath = WriteNewFile(
                [this](DiskFile& target) { target.Write(image_.data(), static_cast<std::uint32_t>(image_.size())); });
        } catch (...) {
            AbandonUpdate();
            throw;
        }
        file_.Close();
        const std::uint32_t error = ReplaceByNewFile(newPath, path_);
        // The update is over, whatever the moves did. The pak goes on with the file now at its name: ours,
        // the old one, or that of another program that opened the pak between the moves and finished or
        // followed the replace. Read back from there, its memory never describes another file than the one
        // it reads.
        EndUpdate();
        try {
            Load(path_, access_);
        } catch (...) {
            file_.Close();
            if (error == 0) {
                throw;
            }
        }
        if (error != 0) {
            throw EZolvaneError(ErrorText(error) + " " + path_);
        }
        return;
    }
    EndUpdate();
}

void PakArchive::EndUpdate() {
    updateDepth_ = 0;
    tailPending_ = false;
    image_.clear();
    image_.shrink_to_fit();
}

void PakArchive::Close() {
    AbandonUpdate();
    if (!file_.IsOpen()) {
        Release();
        return;
    }
    // A pak opened for reading only is never written, not even to compact it.
    bool anyDeleted = false;
    for (std::uint32_t i = 0; i < Count() && !anyDeleted && access_ != sys::kGenericRead; ++i) {
        anyDeleted = Entry(i).deleted;
    }
    try {
        if (anyDeleted) {
            Compact();
        }
    } catch (...) {
        Release();
        throw;
    }
    Release();
}

std::string PakArchive::WriteNewFile(const std::function<void(DiskFile&)>& write) {
    const std::string newPath = path_ + kNewSuffix;
    DiskFile target;
    try {
        target.CreateFresh(newPath, sys::kAttrNormal, sys::kShareRead);
        write(target);
        target.Flush();
        target.Close();
    } catch (...) {
        target.Close();
        sys::RemoveFile(newPath);
        throw;
    }
    return newPath;
}

void PakArchive::Compact() {
    // The live entries, back to back in their order, in a directory of the same capacity.
    std::vector<PakEntry> live;
    for (std::uint32_t i = 0; i < Count(); ++i) {
        const PakEntry entry = Entry(i);
        if (!entry.deleted) {
            live.push_back(entry);
        }
    }
    std::fill(directory_.begin() + static_cast<std::ptrdiff_t>(kPakDirectoryHeaderSize), directory_.end(), 0);
    ForgetIndex();
    ByteWriter(directory_).U32(kDirCount, static_cast<std::uint32_t>(live.size()));

    const std::string newPath = WriteNewFile([&](DiskFile& target) {
        file_.Seek(0, sys::kSeekBegin);
        CopyFileRange(file_, target, Base());
        std::uint32_t running = 0;
        for (std::uint32_t i = 0; i < live.size(); ++i) {
            PakEntry entry = live[i];
            file_.Seek(SeekPosition(static_cast<std::uint64_t>(Base()) + entry.offset), sys::kSeekBegin);
            CopyFileRange(file_, target, entry.size);
            entry.offset = running;
            running += entry.size;
            SetEntry(i, entry);
        }
        WriteDirectoryAndTrailer(target);
    });
    file_.Close();
    // A compaction that cannot take the old file's place is left undone.
    ReplaceByNewFile(newPath, path_);
}

void PakArchive::RequireOpen() const {
    if (!IsOpen()) {
        throw std::logic_error("the pak is not open");
    }
}

void PakArchive::Release() {
    file_.Close();
    directory_.clear();
    ForgetIndex();
    trailer_.clear();
    path_.clear();
}

std::uint32_t PakArchive::Count() const {
    return directory_.size() >= kPakDirectoryHeaderSize ? ByteReader(directory_).U32(kDirCount) : 0;
}

std::uint32_t PakArchive::Capacity() const {
    return directory_.size() >= kPakDirectoryHeaderSize ? ByteReader(directory_).U32(kDirCapacity) : 0;
}

PakEntry PakArchive::Entry(std::uint32_t index) const {
    const ByteReader reader(directory_);
    const std::size_t at = EntryAt(index);
    PakEntry entry;
    entry.type = reader.U32(at + kEntryType);
    entry.id = reader.I32(at + kEntryId);
    entry.offset = reader.U32(at + kEntryOffset);
    entry.size = reader.U32(at + kEntrySizeField);
    entry.attribute = reader.U16(at + kEntryAttribute);
    entry.deleted = reader.U8(at + kEntryDeleted) != 0;
    entry.scrambled = reader.U8(at + kEntryScrambled) != 0;
    return entry;
}

void PakArchive::SetEntry(std::uint32_t index, const PakEntry& entry) {
    if (indexed_) {
        const PakEntry old = Entry(index);
        const auto at = index_.find(IndexKey(old.type, old.id));
        if (!old.deleted && at != index_.end() && at->second == index) {
            if (indexAmbiguous_) {
                // Which entry of the same type and id counts next is for a new index to find out.
                ForgetIndex();
            } else {
                index_.erase(at);
            }
        }
    }
    ByteWriter writer(directory_);
    const std::size_t at = EntryAt(index);
    writer.U32(at + kEntryType, entry.type);
    writer.I32(at + kEntryId, entry.id);
    writer.U32(at + kEntryReserved, 0);
    writer.U32(at + kEntryOffset, entry.offset);
    writer.U32(at + kEntrySizeField, entry.size);
    writer.U16(at + kEntryAttribute, entry.attribute);
    writer.U8(at + kEntryDeleted, entry.deleted ? 1 : 0);
    writer.U8(at + kEntryScrambled, entry.scrambled ? 1 : 0);
    if (indexed_) {
        Note(entry, index);
    }
}

std::uint32_t PakArchive::Base() const { return ByteReader(trailer_).U32(kTrailerBase); }
std::uint32_t PakArchive::DataEnd() const { return ByteReader(trailer_).U32(kTrailerDataEnd); }
std::uint32_t PakArchive::DirSize() const { return ByteReader(trailer_).U32(kTrailerDirSize); }

ScrambleProgram PakArchive::Scramble() const {
    ScrambleProgram program;
    ByteReader(trailer_).Bytes(kTrailerScramble, program.data(), program.size());
    return program;
}
