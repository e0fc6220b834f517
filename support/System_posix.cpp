// The operating-system layer on POSIX, for the native build of the core and the tools.
//
// It behaves as the Win32 half does wherever the core can tell: the same attribute bits, a folder that
// cannot be opened as a file, a move that does not replace unless told to, wildcards that ignore case.
// Error codes are errno values.
#include "support/System.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace sys {
namespace {

int AsDescriptor(FileHandleValue file) { return static_cast<int>(file); }

// 100-nanosecond units between 1 January 1601 and 1 January 1970.
constexpr std::uint64_t kUnixEpochAsFileTime = 116444736000000000ull;

std::uint64_t FileTimeOf(const timespec& time) {
    if (time.tv_sec < 0) {
        return 0;
    }
    return kUnixEpochAsFileTime + static_cast<std::uint64_t>(time.tv_sec) * 10000000ull +
           static_cast<std::uint64_t>(time.tv_nsec) / 100u;
}

// The attributes a Windows user would expect to see on this entry.
std::uint32_t AttributesOf(const std::string& name, const struct stat& info) {
    std::uint32_t attributes = 0;
    if (S_ISDIR(info.st_mode)) {
        attributes |= kAttrDirectory;
    } else {
        attributes |= kAttrArchive;
    }
    if ((info.st_mode & S_IWUSR) == 0) {
        attributes |= kAttrReadOnly;
    }
    if (name.size() > 1 && name[0] == '.' && name != "..") {
        attributes |= kAttrHidden;
    }
    return attributes;
}

void FillFindData(const std::string& name, const struct stat& info, FindData& found) {
    found.name = name;
    found.shortName.clear();
    found.attributes = AttributesOf(name, info);
    found.size = S_ISDIR(info.st_mode) ? 0 : static_cast<std::uint64_t>(info.st_size);
    found.created = FileTimeOf(info.st_ctim);
    found.accessed = FileTimeOf(info.st_atim);
    found.written = FileTimeOf(info.st_mtim);
}

bool HasWildcards(const std::string& text) { return text.find_first_of("*?") != std::string::npos; }

// Windows wildcard matching: * is any run of characters, ? any one, letters match either case.
bool MatchesWildcard(const char* pattern, const char* name) {
    const char* starPattern = nullptr;
    const char* starName = nullptr;
    while (*name != '\0') {
        if (*pattern == '*') {
            starPattern = ++pattern;
            starName = name;
        } else if (*pattern == '?' || std::tolower(static_cast<unsigned char>(*pattern)) ==
                                          std::tolower(static_cast<unsigned char>(*name))) {
            ++pattern;
            ++name;
        } else if (starPattern != nullptr) {
            pattern = starPattern;
            name = ++starName;
        } else {
            return false;
        }
    }
    while (*pattern == '*') {
        ++pattern;
    }
    return *pattern == '\0';
}

// Picks the text from either form of strerror_r.
[[maybe_unused]] const char* ErrorString(int result, const char* buffer) { return result == 0 ? buffer : nullptr; }
[[maybe_unused]] const char* ErrorString(const char* result, const char*) { return result; }

struct DirTraits {
    using Value = DIR*;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value dir) noexcept { closedir(dir); }
};

} // namespace

const std::uint32_t kErrorFileNotFound = ENOENT;
const std::uint32_t kErrorDiskFull = ENOSPC;

bool IsFileInUseError(std::uint32_t code) { return code == EBUSY || code == ETXTBSY; }

// The program writes "folder\name"; on POSIX that is "folder/name".
std::string NativePath(const std::string& path) {
    std::string native = path;
    std::replace(native.begin(), native.end(), '\\', '/');
    return native;
}

std::uint32_t LastError() { return static_cast<std::uint32_t>(errno); }

void SetLastErrorCode(std::uint32_t code) { errno = static_cast<int>(code); }

bool SystemMessage(std::uint32_t code, std::string& text) {
    char buffer[512] = "";
    const char* message = ErrorString(strerror_r(static_cast<int>(code), buffer, sizeof buffer), buffer);
    // The C library invents "Unknown error N" for codes it does not know: that is no message.
    if (message == nullptr || *message == '\0' || std::strncmp(message, "Unknown error", 13) == 0) {
        return false;
    }
    text = message;
    return true;
}

void FileHandleTraits::Close(Value handle) noexcept { close(AsDescriptor(handle)); }

UniqueFile OpenFile(const std::string& path, std::uint32_t access, std::uint32_t, Disposition disposition,
                    std::uint32_t flagsAndAttributes) {
    int flags = O_CLOEXEC;
    const bool reads = (access & kGenericRead) != 0;
    const bool writes = (access & kGenericWrite) != 0;
    flags |= reads && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY;
    if (disposition == Disposition::CreateAlways) {
        flags |= O_CREAT | O_TRUNC;
    } else if (disposition == Disposition::CreateNew) {
        flags |= O_CREAT | O_EXCL;
    }
    const mode_t mode = (flagsAndAttributes & kAttrReadOnly) != 0 ? 0444 : 0666;
    const std::string native = NativePath(path);
    // A read-only file is not opened for writing, not even by root: Windows refuses it to everyone.
    struct stat existing;
    if (writes && stat(native.c_str(), &existing) == 0 && S_ISREG(existing.st_mode) &&
        (existing.st_mode & S_IWUSR) == 0) {
        errno = EACCES;
        return UniqueFile();
    }
    const int descriptor = open(native.c_str(), flags, mode);
    if (descriptor < 0) {
        return UniqueFile();
    }
    UniqueFile file(descriptor);
    // Windows cannot open a folder as a file; neither can we.
    struct stat info;
    if (fstat(descriptor, &info) == 0 && S_ISDIR(info.st_mode)) {
        file.Reset();
        errno = EISDIR;
    }
    return file;
}

bool ReadBytes(FileHandleValue file, void* buffer, std::uint32_t count, std::uint32_t& done) {
    done = 0;
    auto* bytes = static_cast<unsigned char*>(buffer);
    while (done < count) {
        const ssize_t got = read(AsDescriptor(file), bytes + done, count - done);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::uint32_t>(got);
    }
    return true;
}

namespace {

std::uint64_t gDiskCalls = 0;
std::uint64_t gFailingDiskCall = 0;
bool gFailingAllAfter = false;
bool gRefusingReplacingMoves = false;
std::uint64_t gActionCall = 0;
std::function<void()> gAction;

// Counts one disk call; false when it is one to fail, with the error a full disk gives.
bool DiskCallGoesThrough() {
    ++gDiskCalls;
    if (gAction && gDiskCalls == gActionCall) {
        // Taken first: the action's own disk calls are counted, but run nothing again.
        const std::function<void()> action = std::move(gAction);
        gAction = nullptr;
        action();
    }
    if (gFailingDiskCall != 0 &&
        (gDiskCalls == gFailingDiskCall || (gFailingAllAfter && gDiskCalls > gFailingDiskCall))) {
        SetLastErrorCode(kErrorDiskFull);
        return false;
    }
    return true;
}

bool WriteAll(int descriptor, const unsigned char* bytes, std::uint32_t count) {
    std::uint32_t done = 0;
    while (done < count) {
        const ssize_t put = write(descriptor, bytes + done, count - done);
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<std::uint32_t>(put);
    }
    return true;
}

} // namespace

void FailNthDiskCall(std::uint64_t n, bool andAllAfter) {
    gDiskCalls = 0;
    gFailingDiskCall = n;
    gFailingAllAfter = andAllAfter;
}

std::uint64_t DiskCallsCounted() { return gDiskCalls; }

void RefuseReplacingMoves(bool refuse) { gRefusingReplacingMoves = refuse; }

void RunBeforeNthDiskCall(std::uint64_t n, std::function<void()> action) {
    gDiskCalls = 0;
    gActionCall = n;
    gAction = n != 0 ? std::move(action) : nullptr;
}

bool WriteBytes(FileHandleValue file, const void* buffer, std::uint32_t count) {
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    if (!DiskCallGoesThrough()) {
        // A full disk takes what fits before it refuses the rest.
        WriteAll(AsDescriptor(file), bytes, count / 2);
        SetLastErrorCode(kErrorDiskFull);
        return false;
    }
    return WriteAll(AsDescriptor(file), bytes, count);
}

std::uint32_t SetFilePosition(FileHandleValue file, std::int32_t distance, SeekMethod method) {
    const int whence = method == kSeekBegin ? SEEK_SET : method == kSeekCurrent ? SEEK_CUR : SEEK_END;
    const off_t position = lseek(AsDescriptor(file), distance, whence);
    if (position < 0) {
        return 0xFFFFFFFFu;
    }
    return static_cast<std::uint32_t>(position);
}

bool SetEndOfFileHere(FileHandleValue file) {
    if (!DiskCallGoesThrough()) {
        return false;
    }
    const off_t position = lseek(AsDescriptor(file), 0, SEEK_CUR);
    return position >= 0 && ftruncate(AsDescriptor(file), position) == 0;
}

bool FlushFile(FileHandleValue file) {
    if (!DiskCallGoesThrough()) {
        return false;
    }
    return fsync(AsDescriptor(file)) == 0;
}

bool QueryFileSize(FileHandleValue file, std::uint64_t& size) {
    struct stat info;
    if (fstat(AsDescriptor(file), &info) != 0) {
        return false;
    }
    size = static_cast<std::uint64_t>(info.st_size);
    return true;
}

bool CopyFileTo(const std::string& source, const std::string& target, bool failIfExists) {
    UniqueFile from(open(NativePath(source).c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info;
    if (!from || fstat(AsDescriptor(from.Get()), &info) != 0) {
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        errno = EISDIR;
        return false;
    }
    const int flags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | (failIfExists ? O_EXCL : 0);
    UniqueFile to(open(NativePath(target).c_str(), flags, info.st_mode & 0777));
    if (!to) {
        return false;
    }
    char buffer[65536];
    for (;;) {
        std::uint32_t got = 0;
        if (!ReadBytes(from.Get(), buffer, sizeof buffer, got)) {
            return false;
        }
        if (got == 0) {
            break;
        }
        if (!WriteBytes(to.Get(), buffer, got)) {
            return false;
        }
    }
    // A copy keeps its source's attributes and time of last change, as on Windows.
    const timespec times[2] = {info.st_atim, info.st_mtim};
    futimens(AsDescriptor(to.Get()), times);
    fchmod(AsDescriptor(to.Get()), info.st_mode & 0777);
    return true;
}

bool RemoveFile(const std::string& path) {
    const std::string native = NativePath(path);
    struct stat info;
    if (lstat(native.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        errno = EISDIR;
        return false;
    }
    return unlink(native.c_str()) == 0;
}

bool RenameFile(const std::string& source, const std::string& target, bool replaceExisting) {
    if (!DiskCallGoesThrough()) {
        return false;
    }
    const std::string from = NativePath(source);
    const std::string to = NativePath(target);
    struct stat existing;
    if (replaceExisting && gRefusingReplacingMoves && lstat(to.c_str(), &existing) == 0) {
        errno = EBUSY;
        return false;
    }
    if (replaceExisting) {
        if (rename(from.c_str(), to.c_str()) != 0) {
            return false;
        }
        // The move must be on disk before we return: flush the folder that holds the new name.
        const std::string::size_type slash = to.rfind('/');
        const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : to.substr(0, slash);
        UniqueFile dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir) {
            fsync(AsDescriptor(dir.Get()));
        }
        return true;
    }
    // link() fails when the target exists, which gives the no-replace move in one step.
    if (link(from.c_str(), to.c_str()) == 0) {
        unlink(from.c_str());
        return true;
    }
    if (errno == EEXIST) {
        return false;
    }
    // Folders and file systems without hard links: check, then move.
    struct stat info;
    if (lstat(to.c_str(), &info) == 0) {
        errno = EEXIST;
        return false;
    }
    return rename(from.c_str(), to.c_str()) == 0;
}

bool IsLink(const std::string& path) {
    struct stat info;
    return lstat(NativePath(path).c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

UniqueFile OpenOwnFile(const std::string& path) {
    UniqueFile file(open(NativePath(path).c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat info;
    if (file && (fstat(AsDescriptor(file.Get()), &info) != 0 || !S_ISREG(info.st_mode) || info.st_nlink != 1 ||
                 info.st_uid != geteuid())) {
        file.Reset();
    }
    return file;
}

bool AppendToOwnFile(const std::string& path, const std::string& bytes) {
    const int file =
        open(NativePath(path).c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (file < 0) {
        return false;
    }
    struct stat info;
    const bool written =
        fstat(file, &info) == 0 && S_ISREG(info.st_mode) && info.st_nlink == 1 &&
        WriteAll(file, reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<std::uint32_t>(bytes.size()));
    close(file);
    return written;
}

bool SetAttributes(const std::string& path, std::uint32_t attributes) {
    const std::string native = NativePath(path);
    struct stat info;
    if (stat(native.c_str(), &info) != 0) {
        return false;
    }
    mode_t mode = info.st_mode & 07777;
    if ((attributes & kAttrReadOnly) != 0) {
        mode &= static_cast<mode_t>(~(S_IWUSR | S_IWGRP | S_IWOTH));
    } else {
        mode |= S_IWUSR;
    }
    return chmod(native.c_str(), mode) == 0;
}

struct DirectorySearch::State {
    UniqueResource<DirTraits> dir; // none for a pattern without wildcards, which names one entry
    std::string folder;            // ends with '/', or is empty for the current folder
    std::string namePattern;
};

DirectorySearch::DirectorySearch() = default;
DirectorySearch::~DirectorySearch() = default;
DirectorySearch::DirectorySearch(DirectorySearch&&) noexcept = default;
DirectorySearch& DirectorySearch::operator=(DirectorySearch&&) noexcept = default;

bool DirectorySearch::First(const std::string& pattern, FindData& found) {
    Close();
    const std::string native = NativePath(pattern);
    const std::string::size_type slash = native.rfind('/');
    auto state = std::make_unique<State>();
    state->folder = slash == std::string::npos ? std::string() : native.substr(0, slash + 1);
    state->namePattern = slash == std::string::npos ? native : native.substr(slash + 1);

    if (!HasWildcards(state->namePattern)) {
        struct stat info;
        if (state->namePattern.empty() || stat(native.c_str(), &info) != 0) {
            errno = ENOENT;
            return false;
        }
        FillFindData(state->namePattern, info, found);
        state_ = std::move(state);
        return true;
    }
    // "*.*" matches names without a dot too, as it does on Windows.
    if (state->namePattern == "*.*") {
        state->namePattern = "*";
    }
    state->dir.Reset(opendir(state->folder.empty() ? "." : state->folder.c_str()));
    if (!state->dir) {
        if (errno == ENOTDIR) {
            errno = ENOENT;
        }
        return false;
    }
    state_ = std::move(state);
    if (Next(found)) {
        return true;
    }
    Close();
    errno = ENOENT;
    return false;
}

bool DirectorySearch::Next(FindData& found) {
    if (!IsOpen() || !state_->dir) {
        return false;
    }
    while (const dirent* entry = readdir(state_->dir.Get())) {
        if (!MatchesWildcard(state_->namePattern.c_str(), entry->d_name)) {
            continue;
        }
        struct stat info;
        if (stat((state_->folder + entry->d_name).c_str(), &info) != 0) {
            continue; // gone meanwhile, or a link to nothing
        }
        FillFindData(entry->d_name, info, found);
        return true;
    }
    return false;
}

void DirectorySearch::Close() { state_.reset(); }

bool DirectorySearch::IsOpen() const { return state_ != nullptr; }

CivilTime LocalTimeNow() {
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    struct tm local;
    localtime_r(&now.tv_sec, &local);
    CivilTime time;
    time.year = local.tm_year + 1900;
    time.month = local.tm_mon + 1;
    time.dayOfWeek = local.tm_wday;
    time.day = local.tm_mday;
    time.hour = local.tm_hour;
    time.minute = local.tm_min;
    time.second = std::min(local.tm_sec, 59); // a leap second reads as :59, as on Windows
    time.milliseconds = static_cast<int>(now.tv_nsec / 1000000);
    return time;
}

std::uint32_t CurrentThreadId() { return static_cast<std::uint32_t>(gettid()); }

std::string ModuleFileName() {
    char buffer[4096];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
    return length > 0 && static_cast<std::size_t>(length) < sizeof buffer
               ? std::string(buffer, static_cast<std::size_t>(length))
               : std::string();
}

std::string UserDataFolder() {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') {
        return std::string();
    }
    const std::string ours = std::string(home) + "/.zolvane";
    if (mkdir(ours.c_str(), 0700) != 0 && errno != EEXIST) {
        return std::string();
    }
    return ours;
}

std::uint32_t SessionId() { return 0; }

} // namespace sys
