// The operating-system layer beneath the portable core: the only place that calls the platform.
//
// System_win.cpp implements it on Win32, System_posix.cpp on Linux and other POSIX systems. The calls
// mirror the Win32 calls the program makes: they report failure by their result and leave the reason
// in the calling thread's last error code (a Windows system code, or an errno value on POSIX), so that
// the core builds the same error texts on both.
//
// The program joins paths with backslashes, so on POSIX a backslash is a path separator as well: it is
// turned into a slash before any call, and the tools work on ordinary Linux folders.
#pragma once

#include "support/UniqueResource.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace sys {

// File attribute bits, numbered as Windows numbers them.
constexpr std::uint32_t kAttrReadOnly = 0x1;
constexpr std::uint32_t kAttrHidden = 0x2;
constexpr std::uint32_t kAttrSystem = 0x4;
constexpr std::uint32_t kAttrDirectory = 0x10;
constexpr std::uint32_t kAttrArchive = 0x20;
constexpr std::uint32_t kAttrNormal = 0x80;
constexpr std::uint32_t kAttrCompressed = 0x800;

// Access rights and share modes of an open file, numbered as Windows numbers them.
constexpr std::uint32_t kGenericRead = 0x80000000u;
constexpr std::uint32_t kGenericWrite = 0x40000000u;
constexpr std::uint32_t kShareRead = 0x1;
constexpr std::uint32_t kShareWrite = 0x2;
// Others may delete or rename the file while it is open, and so replace it by a new one.
constexpr std::uint32_t kShareDelete = 0x4;
// Opened for reading in any order, not a sequential scan.
constexpr std::uint32_t kFlagRandomAccess = 0x10000000u;

// Where a seek distance counts from.
enum SeekMethod : std::uint32_t { kSeekBegin = 0, kSeekCurrent = 1, kSeekEnd = 2 };

enum class Disposition {
    OpenExisting, // fails when the file is not there
    CreateAlways, // creates the file, or truncates it to 0 bytes when it is there
    CreateNew,    // creates the file; fails when anything is at the name, a link to another file too
};

// ---- Error codes --------------------------------------------------------------------------------

// The calling thread's last error code; 0 when the last failed call left none.
std::uint32_t LastError();
void SetLastErrorCode(std::uint32_t code);
// The system's own text for a system error code, unchanged; false when the system has none.
bool SystemMessage(std::uint32_t code, std::string& text);

// "File not found" and "disk full" as this platform numbers them.
extern const std::uint32_t kErrorFileNotFound;
extern const std::uint32_t kErrorDiskFull;
// True for the errors of a file that another program holds open (sharing violation, access denied).
bool IsFileInUseError(std::uint32_t code);

// ---- Open files ---------------------------------------------------------------------------------

// A file handle as the platform knows it (a HANDLE, or a descriptor), widened to one integer type.
// Both platforms spell "no file" as all bits set.
using FileHandleValue = std::intptr_t;

struct FileHandleTraits {
    using Value = FileHandleValue;
    static Value Invalid() noexcept { return -1; }
    static void Close(Value handle) noexcept;
};
using UniqueFile = UniqueResource<FileHandleTraits>;

// An invalid handle when the file cannot be opened or created.
UniqueFile OpenFile(const std::string& path, std::uint32_t access, std::uint32_t share, Disposition disposition,
                    std::uint32_t flagsAndAttributes);
// A read that meets the end of the file succeeds with fewer bytes done.
bool ReadBytes(FileHandleValue file, void* buffer, std::uint32_t count, std::uint32_t& done);
bool WriteBytes(FileHandleValue file, const void* buffer, std::uint32_t count);
// The new position; 0xFFFFFFFF when the seek failed.
std::uint32_t SetFilePosition(FileHandleValue file, std::int32_t distance, SeekMethod method);
// Cuts or extends the file at the current position.
bool SetEndOfFileHere(FileHandleValue file);
// Puts what was written to the file on the disk before it returns.
bool FlushFile(FileHandleValue file);
bool QueryFileSize(FileHandleValue file, std::uint64_t& size);

// ---- A failing disk, for tests ---------------------------------------------------------------------
// The POSIX half counts its writes, flushes, set-ends and renames from the last call of FailNthDiskCall
// and fails the Nth one as a full disk would (ERROR_DISK_FULL; a write puts the first half of its bytes
// on the disk first); 0 fails none. With andAllAfter every later call fails too, as if the program had
// stopped there. DiskCallsCounted says how many it has counted. With RefuseReplacingMoves a move that
// would replace a file fails as Windows fails it while another program holds that file open. The
// Windows half never fails on purpose, counts nothing and runs no action.
void FailNthDiskCall(std::uint64_t n, bool andAllAfter = false);
std::uint64_t DiskCallsCounted();
void RefuseReplacingMoves(bool refuse);
// Runs the action once, just before the Nth counted disk call from now, as another program would act
// at that moment; 0 or none clears it.
void RunBeforeNthDiskCall(std::uint64_t n, std::function<void()> action);

// ---- Whole files --------------------------------------------------------------------------------

bool CopyFileTo(const std::string& source, const std::string& target, bool failIfExists);
bool RemoveFile(const std::string& path);
// Without replaceExisting the move fails when the target is there. With it the target is replaced in
// one step and the move is on disk before the call returns.
bool RenameFile(const std::string& source, const std::string& target, bool replaceExisting);
// Opens a file that is there for reading and writing, only when this user may trust what it holds: a plain
// file (no folder, no link or other reparse point, which is opened itself and never followed) with one
// name only, owned by the user the process runs as (on Windows also the owner the process gives the files
// it makes). In a folder that other users can write, a file they planted or linked is refused. An invalid
// handle otherwise; the reason is then not kept.
UniqueFile OpenOwnFile(const std::string& path);
// Appends the bytes to a file, made when it is missing, that is neither a link nor one of several names of
// one file (a hard link): another user who can write the file's folder cannot make it lead elsewhere.
// False when the file is such, or cannot be opened or written.
bool AppendToOwnFile(const std::string& path, const std::string& bytes);
// Of the attribute bits, POSIX keeps only read-only (as the absence of write permission).
bool SetAttributes(const std::string& path, std::uint32_t attributes);
// The path as this platform's C library wants it: on POSIX, with slashes for backslashes.
std::string NativePath(const std::string& path);
// Whether the path is a link to another place: a junction or a symbolic link (any reparse point) on
// Windows, a symbolic link on POSIX. False when there is nothing at the path.
bool IsLink(const std::string& path);

// ---- Folder search ------------------------------------------------------------------------------

// One entry of a folder search. Times are FILETIME values in UTC.
struct FindData {
    std::string name;      // no folder
    std::string shortName; // the alternate 8.3 name, where the file system has one
    std::uint32_t attributes = 0;
    std::uint64_t size = 0;
    std::uint64_t created = 0;
    std::uint64_t accessed = 0;
    std::uint64_t written = 0;
};

// One search in progress over the entries that match a pattern (a path whose last part may hold the
// wildcards * and ?, matched without regard to case). Every entry is reported, "." and ".." included.
class DirectorySearch {
public:
    DirectorySearch();
    ~DirectorySearch();
    DirectorySearch(DirectorySearch&&) noexcept;
    DirectorySearch& operator=(DirectorySearch&&) noexcept;

    // Closes any search in progress and starts a new one; false when nothing matches.
    bool First(const std::string& pattern, FindData& found);
    // False when no search is open or no further entry matches; the search then stays open.
    bool Next(FindData& found);
    void Close();
    bool IsOpen() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// ---- Clock, thread, program ---------------------------------------------------------------------

// A calendar date and wall-clock time, laid out as Windows' SYSTEMTIME.
struct CivilTime {
    int year = 0;
    int month = 0;     // 1 to 12
    int dayOfWeek = 0; // 0 (Sunday) to 6
    int day = 0;       // 1 to 31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int milliseconds = 0;
};

CivilTime LocalTimeNow();
std::uint32_t CurrentThreadId();
// The full path of the running program's file.
std::string ModuleFileName();
// The folder that holds this user's own files of the program, made when it is missing: "Zolvane" in the
// user's local application data on Windows, ".zolvane" in the home folder on POSIX. Empty when there is
// none to be had. No other user can write there.
std::string UserDataFolder();
// The number of the logon session the program runs in: two sessions of one user tell their files apart
// by it. 0 on POSIX.
std::uint32_t SessionId();

} // namespace sys
