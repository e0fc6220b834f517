#include "net/DialUp.h"

#include "support/Error.h"
#include "support/ErrorCodes.h"
#include "support/SystemLibraries.h"
#include "support/WinHandles.h"

#include <windows.h>

#include <ras.h>
#include <raserror.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

namespace {

// The size of the connection records handed to RasEnumConnectionsA, and where the connection handle
// lies in one. A record is read field by field at these offsets, not through the header's struct:
//  - 32-bit builds use the 692-byte record (the one that carries the entry's GUID), which every
//    remote-access library since Windows 2000 accepts; its handle is the second 32-bit field.
//  - 64-bit builds use the record as this build's <ras.h> declares it: the pointer-sized handle sits
//    at offset 8 after the padding that follows dwSize, and the record is larger than 692 bytes, so the
//    32-bit figures would be refused (ERROR_INVALID_SIZE) or misread.
#if defined(_WIN64)
constexpr DWORD kRecordSize = sizeof(RASCONNA);
constexpr std::size_t kHandleOffset = offsetof(RASCONNA, hrasconn);
#else
constexpr DWORD kRecordSize = 692;
constexpr std::size_t kHandleOffset = 4;
static_assert(offsetof(RASCONNA, hrasconn) == kHandleOffset, "the handle is the record's second 32-bit field");
#endif
constexpr std::size_t kSizeOffset = 0;

using RasEnumConnectionsFunction = DWORD(WINAPI*)(LPRASCONNA, LPDWORD, LPDWORD);
using RasHangUpFunction = DWORD(WINAPI*)(HRASCONN);

// A hang-up takes the line down in the background; the service wants this long before the port is used
// again or the program ends.
constexpr DWORD kHangUpPause = 3000;

class RemoteAccessDialUp : public DialUpConnections {
public:
    explicit RemoteAccessDialUp(RemoteAccessFunctions functions) : functions_(std::move(functions)) {}

    void HangUp(DialUpHandle connection) override { functions_.hangUp(connection); }

    std::vector<DialUpHandle> ListActive() override {
        std::uint32_t size = 0;
        std::uint32_t count = 0;
        // The sizing call answers "buffer too small" when any connection is up; any other error leaves
        // the size at 0, which must not read as "no connection is up".
        const std::uint32_t sizing = functions_.enumerate(nullptr, &size, &count);
        if (sizing != 0 && sizing != ERROR_BUFFER_TOO_SMALL) {
            RaiseListingError(sizing);
        }
        if (size == 0) {
            return {};
        }
        // Whole 8-byte units, so that the records lie where the library may expect them.
        std::vector<std::uint64_t> storage((size + 7) / 8 + 1);
        auto* bytes = reinterpret_cast<unsigned char*>(storage.data());
        const DWORD recordSize = kRecordSize;
        std::memcpy(bytes + kSizeOffset, &recordSize, sizeof recordSize);
        const std::uint32_t result = functions_.enumerate(bytes, &size, &count);
        if (result != 0) {
            RaiseListingError(result);
        }
        std::vector<DialUpHandle> handles;
        const std::size_t fits = std::min<std::size_t>(size, storage.size() * 8) / kRecordSize;
        for (std::size_t i = 0; i < count && i < fits; ++i) {
            HRASCONN handle = nullptr;
            std::memcpy(&handle, bytes + i * kRecordSize + kHandleOffset, sizeof handle);
            handles.push_back(reinterpret_cast<DialUpHandle>(handle));
        }
        return handles;
    }

private:
    [[noreturn]] static void RaiseListingError(std::uint32_t error) {
        throw EZolvaneError("The dial-up connections could not be listed: remote-access error " +
                            IntToDecimal(static_cast<std::int32_t>(error)) + ".");
    }

    RemoteAccessFunctions functions_;
};

// The remote-access library of the system folder, loaded when one of its functions is first asked for.
class RemoteAccessLibrary {
public:
    explicit RemoteAccessLibrary(std::string libraryName) : libraryName_(std::move(libraryName)) {}

    RasEnumConnectionsFunction Enumerate() {
        Load();
        return enumerate_;
    }
    RasHangUpFunction HangUp() {
        Load();
        return hangUp_;
    }

private:
    void Load() {
        if (module_) {
            return;
        }
        UniqueModule module = LoadSystemLibrary(libraryName_.c_str());
        if (!module) {
            throw EZolvaneError("The remote-access library could not be loaded. " +
                                SystemFolderFile(libraryName_.c_str()));
        }
        enumerate_ = ModuleFunction<RasEnumConnectionsFunction>(module.Get(), "RasEnumConnectionsA");
        hangUp_ = ModuleFunction<RasHangUpFunction>(module.Get(), "RasHangUpA");
        if (enumerate_ == nullptr || hangUp_ == nullptr) {
            throw EZolvaneError("The remote-access library lacks a function. " +
                                SystemFolderFile(libraryName_.c_str()));
        }
        module_ = std::move(module);
    }

    std::string libraryName_;
    UniqueModule module_;
    RasEnumConnectionsFunction enumerate_ = nullptr;
    RasHangUpFunction hangUp_ = nullptr;
};

} // namespace

std::unique_ptr<DialUpConnections> OpenDialUp(RemoteAccessFunctions functions) {
    return std::make_unique<RemoteAccessDialUp>(std::move(functions));
}

std::unique_ptr<DialUpConnections> OpenSystemDialUp() {
    constexpr const char* kLibrary = "rasapi32.dll";
    const std::string path = SystemFolderFile(kLibrary);
    if (path.empty() || GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return nullptr;
    }
    auto library = std::make_shared<RemoteAccessLibrary>(kLibrary);
    RemoteAccessFunctions functions;
    functions.enumerate = [library](void* records, std::uint32_t* size, std::uint32_t* count) {
        DWORD bytes = *size;
        DWORD listed = *count;
        const DWORD result = library->Enumerate()(static_cast<LPRASCONNA>(records), &bytes, &listed);
        *size = bytes;
        *count = listed;
        return static_cast<std::uint32_t>(result);
    };
    functions.hangUp = [library](DialUpHandle connection) {
        library->HangUp()(reinterpret_cast<HRASCONN>(connection));
        Sleep(kHangUpPause);
    };
    return OpenDialUp(std::move(functions));
}
