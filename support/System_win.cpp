// The operating-system layer on Win32: thin calls of the A functions.
#include "support/System.h"

#include "support/WinHandles.h"

#include <windows.h>

#include <aclapi.h>
#include <shlobj.h>

#include <memory>
#include <vector>

namespace sys {
namespace {

HANDLE AsHandle(FileHandleValue file) { return reinterpret_cast<HANDLE>(file); }

std::uint64_t Join64(DWORD high, DWORD low) { return (static_cast<std::uint64_t>(high) << 32) | low; }

std::uint64_t FileTimeValue(const FILETIME& time) { return Join64(time.dwHighDateTime, time.dwLowDateTime); }

void CopyFindData(const WIN32_FIND_DATAA& raw, FindData& found) {
    found.name = raw.cFileName;
    found.shortName = raw.cAlternateFileName;
    found.attributes = raw.dwFileAttributes;
    found.size = Join64(raw.nFileSizeHigh, raw.nFileSizeLow);
    found.created = FileTimeValue(raw.ftCreationTime);
    found.accessed = FileTimeValue(raw.ftLastAccessTime);
    found.written = FileTimeValue(raw.ftLastWriteTime);
}

struct FindHandleTraits {
    using Value = HANDLE;
    static Value Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Value handle) noexcept { FindClose(handle); }
};

} // namespace

const std::uint32_t kErrorFileNotFound = ERROR_FILE_NOT_FOUND;
const std::uint32_t kErrorDiskFull = ERROR_DISK_FULL;

bool IsFileInUseError(std::uint32_t code) { return code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED; }

std::uint32_t LastError() { return GetLastError(); }

void SetLastErrorCode(std::uint32_t code) { ::SetLastError(code); }

bool SystemMessage(std::uint32_t code, std::string& text) {
    char buffer[512];
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_MAX_WIDTH_MASK, nullptr, code, 0,
                                        buffer, sizeof buffer, nullptr);
    if (length == 0) {
        return false;
    }
    text.assign(buffer, length);
    return true;
}

void FileHandleTraits::Close(Value handle) noexcept { CloseHandle(AsHandle(handle)); }

UniqueFile OpenFile(const std::string& path, std::uint32_t access, std::uint32_t share, Disposition disposition,
                    std::uint32_t flagsAndAttributes) {
    const DWORD how = disposition == Disposition::CreateAlways ? CREATE_ALWAYS
                      : disposition == Disposition::CreateNew  ? CREATE_NEW
                                                               : OPEN_EXISTING;
    const HANDLE file = CreateFileA(path.c_str(), access, share, nullptr, how, flagsAndAttributes, nullptr);
    return UniqueFile(reinterpret_cast<FileHandleValue>(file));
}

bool ReadBytes(FileHandleValue file, void* buffer, std::uint32_t count, std::uint32_t& done) {
    DWORD got = 0;
    const BOOL ok = ReadFile(AsHandle(file), buffer, count, &got, nullptr);
    done = got;
    return ok != FALSE;
}

bool WriteBytes(FileHandleValue file, const void* buffer, std::uint32_t count) {
    DWORD written = 0;
    return WriteFile(AsHandle(file), buffer, count, &written, nullptr) != FALSE;
}

std::uint32_t SetFilePosition(FileHandleValue file, std::int32_t distance, SeekMethod method) {
    return SetFilePointer(AsHandle(file), distance, nullptr, method);
}

bool SetEndOfFileHere(FileHandleValue file) { return SetEndOfFile(AsHandle(file)) != FALSE; }

bool FlushFile(FileHandleValue file) { return FlushFileBuffers(AsHandle(file)) != FALSE; }

void FailNthDiskCall(std::uint64_t /*n*/, bool /*andAllAfter*/) {}

std::uint64_t DiskCallsCounted() { return 0; }

void RefuseReplacingMoves(bool /*refuse*/) {}

void RunBeforeNthDiskCall(std::uint64_t /*n*/, std::function<void()> /*action*/) {}

bool QueryFileSize(FileHandleValue file, std::uint64_t& size) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(AsHandle(file), &info)) {
        return false;
    }
    size = Join64(info.nFileSizeHigh, info.nFileSizeLow);
    return true;
}

bool CopyFileTo(const std::string& source, const std::string& target, bool failIfExists) {
    return CopyFileA(source.c_str(), target.c_str(), failIfExists) != FALSE;
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != FALSE; }

bool RenameFile(const std::string& source, const std::string& target, bool replaceExisting) {
    if (!replaceExisting) {
        return MoveFileA(source.c_str(), target.c_str()) != FALSE;
    }
    return MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool IsLink(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

namespace {

// Memory the system handed out with LocalAlloc.
struct LocalMemoryTraits {
    using Value = HLOCAL;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value memory) noexcept { LocalFree(memory); }
};

// The token's user, or the owner it gives the objects it makes (the Administrators group for an elevated
// administrator), is the file's owner.
bool OwnedByThisProcess(HANDLE file) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                        &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    const UniqueResource<LocalMemoryTraits> freeDescriptor(descriptor);
    HANDLE rawToken = nullptr;
    if (owner == nullptr || !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &rawToken)) {
        return false;
    }
    const UniqueHandle token(rawToken);
    const auto query = [&](TOKEN_INFORMATION_CLASS what) {
        DWORD size = 0;
        GetTokenInformation(token.Get(), what, nullptr, 0, &size);
        std::vector<unsigned char> buffer(size);
        if (size == 0 || !GetTokenInformation(token.Get(), what, buffer.data(), size, &size)) {
            buffer.clear();
        }
        return buffer;
    };
    const std::vector<unsigned char> user = query(TokenUser);
    const std::vector<unsigned char> defaultOwner = query(TokenOwner);
    return (!user.empty() && EqualSid(owner, reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid)) ||
           (!defaultOwner.empty() && EqualSid(owner, reinterpret_cast<const TOKEN_OWNER*>(defaultOwner.data())->Owner));
}

} // namespace

UniqueFile OpenOwnFile(const std::string& path) {
    // The link itself is opened, never what it leads to, and then refused.
    UniqueFile file(reinterpret_cast<FileHandleValue>(
        CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE | READ_CONTROL, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr)));
    BY_HANDLE_FILE_INFORMATION info{};
    if (file && (!GetFileInformationByHandle(AsHandle(file.Get()), &info) ||
                 (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0 ||
                 info.nNumberOfLinks != 1 || !OwnedByThisProcess(AsHandle(file.Get())))) {
        file.Reset();
    }
    return file;
}

bool AppendToOwnFile(const std::string& path, const std::string& bytes) {
    // The link itself is opened, never what it leads to, and then refused.
    const UniqueFile file(reinterpret_cast<FileHandleValue>(
        CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr)));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !GetFileInformationByHandle(AsHandle(file.Get()), &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0 ||
        info.nNumberOfLinks > 1) {
        return false;
    }
    DWORD done = 0;
    return WriteFile(AsHandle(file.Get()), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) != FALSE &&
           done == bytes.size();
}

bool SetAttributes(const std::string& path, std::uint32_t attributes) {
    return SetFileAttributesA(path.c_str(), attributes) != FALSE;
}

std::string NativePath(const std::string& path) { return path; }

struct DirectorySearch::State {
    UniqueResource<FindHandleTraits> handle;
};

DirectorySearch::DirectorySearch() = default;
DirectorySearch::~DirectorySearch() = default;
DirectorySearch::DirectorySearch(DirectorySearch&&) noexcept = default;
DirectorySearch& DirectorySearch::operator=(DirectorySearch&&) noexcept = default;

bool DirectorySearch::First(const std::string& pattern, FindData& found) {
    Close();
    WIN32_FIND_DATAA raw;
    UniqueResource<FindHandleTraits> handle(FindFirstFileA(pattern.c_str(), &raw));
    if (!handle) {
        return false;
    }
    CopyFindData(raw, found);
    state_ = std::make_unique<State>();
    state_->handle = std::move(handle);
    return true;
}

bool DirectorySearch::Next(FindData& found) {
    if (!IsOpen()) {
        return false;
    }
    WIN32_FIND_DATAA raw;
    if (!FindNextFileA(state_->handle.Get(), &raw)) {
        return false;
    }
    CopyFindData(raw, found);
    return true;
}

void DirectorySearch::Close() { state_.reset(); }

bool DirectorySearch::IsOpen() const { return state_ != nullptr; }

CivilTime LocalTimeNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    CivilTime time;
    time.year = now.wYear;
    time.month = now.wMonth;
    time.dayOfWeek = now.wDayOfWeek;
    time.day = now.wDay;
    time.hour = now.wHour;
    time.minute = now.wMinute;
    time.second = now.wSecond;
    time.milliseconds = now.wMilliseconds;
    return time;
}

std::uint32_t CurrentThreadId() { return GetCurrentThreadId(); }

std::string ModuleFileName() {
    char buffer[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    return std::string(buffer, length < sizeof buffer ? length : 0);
}

std::string UserDataFolder() {
    char folder[MAX_PATH] = "";
    if (FAILED(
            SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, folder)) ||
        folder[0] == '\0') {
        return std::string();
    }
    const std::string ours = std::string(folder) + "\\Zolvane";
    if (!CreateDirectoryA(ours.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        return std::string();
    }
    return ours;
}

std::uint32_t SessionId() {
    DWORD session = 0;
    return ProcessIdToSessionId(GetCurrentProcessId(), &session) ? session : 0;
}

} // namespace sys
