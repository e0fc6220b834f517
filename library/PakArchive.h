// PakArchive: the program's container file, a set of typed, numbered resources in one file.
//
// From the start of the file: base bytes that do not belong to the pak, the resource data, the
// directory, and a 144-byte trailer that ends the file. Offsets count from base. A resource is
// rewritten in place when the new data fits and appended otherwise; once one has moved, closing the
// pak rewrites the whole file without the dead space.
//
// Each write goes to the disk at once, data, directory and trailer. Many writes that belong together go
// in one update instead: they are made on a copy of the file in memory, and the whole new file then
// replaces the old one in one step, so that a crash or a full disk leaves one or the other, never a mix.
// The new file holds the same bytes as the writes made one by one would have left. Every program opens
// a pak so that others may replace it meanwhile: a reader goes on with the old file, whole.
#pragma once

#include "library/PakScrambler.h"
#include "library/PakTypes.h"
#include "support/DiskFile.h"

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

// Asks PakArchive::Write for the next free id of the type.
constexpr std::int32_t kPakNextId = static_cast<std::int32_t>(0x8FFFFFFFu);

constexpr std::uint32_t kPakTrailerSize = 144;
constexpr std::uint32_t kPakDirectoryHeaderSize = 16;
constexpr std::uint32_t kPakEntrySize = 24;
constexpr std::uint32_t kPakGrowth = 200;

struct PakEntry {
    PakType type = 0;
    std::int32_t id = 0;
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
    std::uint16_t attribute = 0;
    bool deleted = false;
    bool scrambled = false;
};

class PakArchive {
public:
    PakArchive() = default;
    // Closes the pak; a compaction that fails here leaves the file as it was and is not reported.
    ~PakArchive();
    PakArchive(const PakArchive&) = delete;
    PakArchive& operator=(const PakArchive&) = delete;

    // Opens a pak with GENERIC_READ, or GENERIC_READ + GENERIC_WRITE. With create, a new empty pak
    // replaces whatever was at the path first; scramble is its program (none: nothing is scrambled).
    // A file that is no pak, or a damaged one, raises "The file is missing or corrupt." and the path.
    // A pak opened for reading lets others write it meanwhile, unless othersMayWrite is false: then what
    // was read once (a checked signature) stays what is read.
    void Open(const std::string& path, bool create, const ScrambleProgram* scramble, std::uint32_t access,
              bool othersMayWrite = true);

    // A replace of the pak at the path that stopped half-way (the program or the disk failed) leaves no
    // file at the path: this puts the whole pak it left beside it in its place, the new one where it is
    // whole, else the old one. Nothing happens when a file is at the path. Open does it first.
    static void FinishReplace(const std::string& path);

    // The resource's bytes. Raises "Pak not found." when there is none.
    std::vector<std::uint8_t> Read(PakType type, std::int32_t id);
    // Writes a resource and returns its id; kPakNextId takes the next free one. A length of 0 means
    // the data is a zero-terminated text, stored with its terminator. With scramble 1 the data is
    // stored scrambled when the pak scrambles.
    std::int32_t Write(PakType type, std::int32_t id, std::uint16_t attribute, std::uint8_t scramble, const void* data,
                       std::uint32_t length);
    std::int32_t WriteText(PakType type, std::int32_t id, const std::string& text);

    // The index of the live entry with that type and id, or -1.
    int Find(PakType type, std::int32_t id) const;
    // One above the largest id of the type, deleted entries included, and at least 1.
    std::int32_t NextId(PakType type) const;

    // Closes the file, compacting it first when it was opened for writing and some entry is deleted. The compacted pak
    // replaces the old file in one step; when compacting fails, the old file stays as it was and the error goes on.
    // An update still open is dropped.
    void Close();

    // The writes from BeginUpdate to the matching CommitUpdate go to a copy of the file in memory;
    // CommitUpdate writes the new file beside the old one, puts it on the disk and moves it into the old
    // one's place (nothing at all when no byte changed). Updates nest; the outermost one commits. When
    // a write inside the update or the making of the new file fails, or on AbandonUpdate, the file and
    // the pak stay as they were before the update. When the move fails, the pak reads the file then at
    // its name: the old one, unless another program replaced it meanwhile. Either way the update is over.
    void BeginUpdate();
    void CommitUpdate();
    void AbandonUpdate();
    bool Updating() const { return updateDepth_ > 0; }

    // An update for a scope: begun when made, dropped when the scope ends without Commit.
    class Update {
    public:
        explicit Update(PakArchive& pak) : pak_(pak) { pak_.BeginUpdate(); }
        ~Update() {
            if (!committed_) {
                pak_.AbandonUpdate();
            }
        }
        Update(const Update&) = delete;
        Update& operator=(const Update&) = delete;
        void Commit() {
            pak_.CommitUpdate();
            committed_ = true;
        }

    private:
        PakArchive& pak_;
        bool committed_ = false;
    };
    bool IsOpen() const { return file_.IsOpen(); }

    // What the directory and the trailer hold, for tools and tests.
    const std::string& Path() const { return path_; }
    std::uint32_t Count() const;
    std::uint32_t Capacity() const;
    PakEntry Entry(std::uint32_t index) const;
    std::uint32_t Base() const;
    std::uint32_t DataEnd() const;
    std::uint32_t DirSize() const;
    ScrambleProgram Scramble() const;

private:
    std::int32_t WriteResource(PakType type, std::int32_t id, std::uint16_t attribute, std::uint8_t scramble,
                               const void* data, std::uint32_t length);
    void CreateEmpty(const std::string& path, const ScrambleProgram* scramble);
    void Load(const std::string& path, std::uint32_t access, bool othersMayWrite = true);
    void CheckLoaded(const std::string& path) const;
    void RequireOpen() const;
    // Writes the entry into the directory and keeps the index up to date.
    void SetEntry(std::uint32_t index, const PakEntry& entry);
    // The index of the directory: where each live type and id is, and the largest id of each type,
    // deleted entries included, so that Find and NextId take the same time however many entries there
    // are. It is built from the directory when first needed after the directory changed as a whole.
    void IndexDirectory() const;
    void Note(const PakEntry& entry, std::uint32_t index) const;
    void ForgetIndex() { indexed_ = false; }
    std::uint32_t TakeSlot();
    // The directory (scrambled as stored) and the trailer, with the data's end brought up to date; where
    // they go in the file.
    std::vector<std::uint8_t> Tail(std::uint64_t& directoryStart);
    // Where the data of the entries ends, deleted entries included.
    std::uint32_t EntriesEnd() const;
    void WriteDirectoryAndTrailer(DiskFile& file);
    // The pak's own file, or its copy in memory during an update.
    void ReadAt(std::uint64_t position, void* buffer, std::uint32_t count);
    void WriteAt(std::uint64_t position, const void* data, std::uint32_t count);
    // Writes the directory and the trailer after the data; during an update, only notes that the new
    // file needs them, and WriteTailIntoImage puts them there at the commit.
    void WriteTail();
    void WriteTailIntoImage();
    bool IsScrambled() const { return IsScrambling(Scramble()); }
    // Writes a new file beside the pak's own, by write, and puts it on the disk before it returns the
    // new file's path; on a failure the new file is gone and the error goes on.
    std::string WriteNewFile(const std::function<void(DiskFile&)>& write);
    // Leaves update mode and lets go of the image, keeping the trailer and the directory as they are.
    void EndUpdate();
    void Compact();
    void Release();

    std::vector<std::uint8_t> trailer_;   // as on disk
    std::vector<std::uint8_t> directory_; // as on disk, but never scrambled
    mutable bool indexed_ = false;
    mutable bool indexAmbiguous_ = false;
    mutable std::unordered_map<std::uint64_t, std::uint32_t> index_; // type and id -> entry
    mutable std::unordered_map<PakType, std::int32_t> largestId_;
    std::string path_;
    std::uint32_t access_ = 0;
    DiskFile file_;

    int updateDepth_ = 0;
    std::vector<std::uint8_t> image_; // the file during an update
    bool imageChanged_ = false;
    bool tailPending_ = false;
    std::vector<std::uint8_t> trailerBeforeUpdate_;
    std::vector<std::uint8_t> directoryBeforeUpdate_;
};
