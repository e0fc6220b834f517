#include "support/SystemLibraries.h"

namespace {

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD directoryFlags);

// Windows 8, and Windows 7 and Vista with the update that adds it. The same update teaches LoadLibraryExA
// the LOAD_LIBRARY_SEARCH_ flags, so its presence says that they are understood; older systems refuse
// them.
SetDefaultDllDirectoriesFunction FindSetDefaultDllDirectories() {
    return ModuleFunction<SetDefaultDllDirectoriesFunction>(GetModuleHandleA("kernel32.dll"),
                                                            "SetDefaultDllDirectories");
}

} // namespace

void LoadLibrariesFromSystemOnly() {
    // The system folder alone, not the program's folder either: the program asks only for system DLLs,
    // and a screensaver copied into a folder that others can write to must not pick up what lies there.
    if (const auto setDefault = FindSetDefaultDllDirectories()) {
        if (setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE) {
            return;
        }
    }
    // The best that an older system offers: the current folder (where a screensaver may be started from
    // anywhere) leaves the search; the program's folder and PATH stay in it.
    SetDllDirectoryA("");
}

UniqueModule LoadSystemLibrary(const char* name) {
    if (FindSetDefaultDllDirectories() != nullptr) {
        return UniqueModule(LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    }
    const std::string path = SystemFolderFile(name);
    if (path.empty()) {
        return UniqueModule();
    }
    // Given a full path, the loader takes that file. The altered search looks for the DLLs it needs in
    // its own folder, the system folder, before the program's.
    return UniqueModule(LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

std::string SystemFolderFile(const char* name) {
    char folder[MAX_PATH] = "";
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return {};
    }
    return std::string(folder, length) + "\\" + name;
}
