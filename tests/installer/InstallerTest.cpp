// The 64-bit setup program as an administrator runs it: a silent install for all users over a data folder
// that another user made first, the installed screensaver in its run modes, and a silent uninstall that
// must leave nothing of ours behind and nothing of anyone else's lost. The steps build on each other, so
// they are one test. Another one installs with the key of signed skit lists.
#include "library/SkitCatalog.h"
#include "support/LocalTime.h"
#include "support/System.h"
#include "support/WinHandles.h"
#include "tests/TestFiles.h"
#include "tests/app/ZolvaneProcess.h"
#include "tests/gui/PlainWindow.h"

#include <windows.h>

#include <shlobj.h>
#include <shobjidl.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using testing_files::ReadLines;
using testing_files::ScratchFolder;
using namespace zolvane_process;

namespace {

constexpr const char* kSettingsKey = "Software\\Osterwyn\\Zolvane";
constexpr const char* kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zolvane";
constexpr const char* kDesktopKey = "Control Panel\\Desktop";
// Setup and uninstall unpack and write a few megabytes each.
constexpr DWORD kSetupPatience = 120000;

std::string ShellFolder(int csidl) {
    char path[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::string SystemFolder() {
    char path[MAX_PATH] = "";
    GetSystemDirectoryA(path, MAX_PATH);
    return path;
}

// Where the setup program puts things.
struct Places {
    std::string program = ShellFolder(CSIDL_PROGRAM_FILES) + "\\Zolvane";
    std::string data = ShellFolder(CSIDL_COMMON_APPDATA) + "\\Zolvane";
    std::string menu = ShellFolder(CSIDL_COMMON_PROGRAMS) + "\\Zolvane Screensaver";
    std::string user = ShellFolder(CSIDL_LOCAL_APPDATA) + "\\Zolvane"; // the player's argument files
    std::string system = SystemFolder();
    std::string scr = system + "\\zolvane.scr";
};

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The names in a folder, "." and ".." left out.
std::vector<std::string> NamesIn(const std::string& folder) {
    std::vector<std::string> names;
    sys::DirectorySearch search;
    sys::FindData found;
    for (bool more = search.First(folder + "\\*", found); more; more = search.Next(found)) {
        if (found.name != "." && found.name != "..") {
            names.push_back(found.name);
        }
    }
    return names;
}

// The key in the 64-bit view, which the 64-bit setup writes and zolvane.scr reads; null when missing.
UniqueRegKey OpenKey(HKEY root, const char* path) {
    HKEY key = nullptr;
    RegOpenKeyExA(root, path, 0, KEY_READ | KEY_WOW64_64KEY, &key);
    return UniqueRegKey(key);
}

std::optional<std::string> ReadString(HKEY root, const char* path, const char* name) {
    const UniqueRegKey key = OpenKey(root, path);
    char text[1024] = "";
    DWORD size = sizeof text - 1;
    DWORD type = 0;
    if (!key ||
        RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS ||
        type != REG_SZ) {
        return std::nullopt;
    }
    return std::string(text);
}

// A REG_MULTI_SZ value's bytes, zeros included, in UTF-16 as stored; none when it is missing or of another type.
std::optional<std::wstring> ReadMultiString(HKEY root, const char* path, const wchar_t* name) {
    const UniqueRegKey key = OpenKey(root, path);
    wchar_t text[1024] = L"";
    DWORD size = sizeof text;
    DWORD type = 0;
    if (!key ||
        RegQueryValueExW(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS ||
        type != REG_MULTI_SZ) {
        return std::nullopt;
    }
    return std::wstring(text, size / sizeof(wchar_t));
}

bool HasValue(HKEY root, const char* path, const char* name) {
    const UniqueRegKey key = OpenKey(root, path);
    return key && RegQueryValueExA(key.Get(), name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// Runs a command line to its end; its exit code, or none when it did not start or did not end in time.
std::optional<DWORD> RunToEnd(std::string commandLine) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        ADD_FAILURE() << "could not start " << commandLine << ": " << GetLastError();
        return std::nullopt;
    }
    const UniqueHandle process(info.hProcess);
    const UniqueHandle thread(info.hThread);
    if (!PumpUntil([&] { return WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0; }, kSetupPatience)) {
        TerminateProcess(process.Get(), 99);
        return std::nullopt;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.Get(), &code);
    return code;
}

// The uninstaller copies itself to the temporary folder, starts that copy and ends at once; the copy
// deletes the program folder last.
bool Uninstall(const Places& places) {
    const std::optional<std::string> command = ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString");
    return command && RunToEnd(*command) == 0u && PumpUntil([&] { return !Exists(places.program); }, kSetupPatience);
}

// Uninstalls what a failed test left installed, so that later tests find a machine without Zolvane.
struct UninstallAtEnd {
    const Places& places;
    ~UninstallAtEnd() {
        if (Exists(places.program)) {
            Uninstall(places);
        }
    }
};

// The catalogue's view of the installation, from the values setup wrote.
class InstalledEnvironment : public CatalogEnvironment {
public:
    std::string SkitsPath() const override { return Value("SkitsPath"); }
    std::string DownloadPath() const override { return Value("DownloadPath"); }
    std::string OpsFilePath() const override { return Value("OpsFilePath"); }
    std::string LogPath() const override { return Value("LogPath"); }
    std::uint8_t SyncMethod() const override { return smAutomatic; }
    FileTime Now() const override { return NowAsLocalFileTime(); }

private:
    static std::string Value(const char* name) {
        return ReadString(HKEY_LOCAL_MACHINE, kSettingsKey, name).value_or("");
    }
};

// ---- The steps ---------------------------------------------------------------------------------------

void ExpectSettingsNamingInstalledPlaces(const Places& places) {
    enum Kind { kFile, kFolder, kFileInAFolder };
    const struct {
        const char* name;
        std::string path;
        Kind kind;
    } values[] = {
        {"Player", places.program + "\\skitplayer.exe", kFile},
        {"SkitsPath", places.data + "\\skits", kFolder},
        {"OpsFilePath", places.data + "\\zolvane.ops", kFile},
        {"DownloadPath", places.data + "\\downloads", kFolder},
        {"HelpFilePath", places.program + "\\zolvane.htm", kFile},
        // The download log is made by the first download, in a folder that is there.
        {"LogPath", places.data + "\\logs\\download.log", kFileInAFolder},
    };
    for (const auto& value : values) {
        SCOPED_TRACE(value.name);
        EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kSettingsKey, value.name), value.path);
        switch (value.kind) {
        case kFile:
            EXPECT_TRUE(Exists(value.path) && !IsFolder(value.path));
            break;
        case kFolder:
            EXPECT_TRUE(IsFolder(value.path));
            break;
        case kFileInAFolder:
            EXPECT_TRUE(IsFolder(value.path.substr(0, value.path.rfind('\\'))));
            break;
        }
    }
}

void ExpectUninstallEntry(const Places& places) {
    const std::string uninstaller = "\"" + places.program + "\\uninstall.exe\"";
    const struct {
        const char* name;
        std::string text;
    } values[] = {
        {"DisplayName", "Zolvane Screensaver"},
        {"DisplayVersion", "1.0.0.0"},
        {"Publisher", "Osterwyn"},
        {"DisplayIcon", places.scr + ",0"},
        {"UninstallString", uninstaller},
        {"QuietUninstallString", uninstaller + " /S"},
        {"InstallLocation", places.program},
    };
    for (const auto& value : values) {
        EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, value.name), value.text) << value.name;
    }
    for (const char* flag : {"NoModify", "NoRepair", "EstimatedSize"}) {
        EXPECT_TRUE(HasValue(HKEY_LOCAL_MACHINE, kUninstallKey, flag)) << flag;
    }
}

// Programs and libraries run from where they lie: none may lie where a user can write.
void ExpectNoCodeUnder(const std::string& folder) {
    for (const std::string& name : NamesIn(folder)) {
        const std::string path = folder + "\\" + name;
        std::string extension = name.substr(std::min(name.size(), name.rfind('.')));
        CharLowerA(extension.data());
        EXPECT_TRUE(extension != ".exe" && extension != ".dll") << path;
        if (IsFolder(path)) {
            ExpectNoCodeUnder(path);
        }
    }
}

// The program, the arguments and the working folder of a shell link.
struct Link {
    std::string target;
    std::string arguments;
    std::string folder;
};

struct ComRelease {
    void operator()(IUnknown* object) const { object->Release(); }
};

std::optional<Link> ReadLink(const std::string& path) {
    struct ComSession {
        ComSession() { CoInitialize(nullptr); }
        ~ComSession() { CoUninitialize(); }
    } session;
    IShellLinkA* rawLink = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&rawLink)))) {
        return std::nullopt;
    }
    const std::unique_ptr<IShellLinkA, ComRelease> link(rawLink);
    IPersistFile* rawFile = nullptr;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&rawFile)))) {
        return std::nullopt;
    }
    const std::unique_ptr<IPersistFile, ComRelease> file(rawFile);
    const std::wstring widePath(path.begin(), path.end());
    char target[MAX_PATH] = "";
    char arguments[MAX_PATH] = "";
    char folder[MAX_PATH] = "";
    if (FAILED(file->Load(widePath.c_str(), STGM_READ)) || FAILED(link->GetPath(target, MAX_PATH, nullptr, 0)) ||
        FAILED(link->GetArguments(arguments, MAX_PATH)) || FAILED(link->GetWorkingDirectory(folder, MAX_PATH))) {
        return std::nullopt;
    }
    return Link{target, arguments, folder};
}

void ExpectSettingsInTheStartMenu(const Places& places) {
    const std::optional<Link> link = ReadLink(places.menu + "\\Zolvane Settings.lnk");
    ASSERT_TRUE(link.has_value()) << "no readable link in " << places.menu;
    EXPECT_STRCASEEQ(link->target.c_str(), places.scr.c_str());
    EXPECT_EQ(link->arguments, "/c");
    EXPECT_STRCASEEQ(link->folder.c_str(), places.program.c_str());
}

void ExpectCatalogueOfStarterSkits() {
    const InstalledEnvironment environment;
    SkitCatalog catalog(environment, nullptr, false);
    EXPECT_FALSE(catalog.IsReadOnly());
    // Checked against the movies in the skits folder when it opened: all of them were installed.
    EXPECT_EQ(catalog.CountSkits(skRegular, dsDownloaded), 3);
    EXPECT_EQ(catalog.CountSkits(skSpecial, dsDownloaded), 4);
    EXPECT_EQ(catalog.Header().listUrl.text, ZOLVANE_SKIT_SERVER_URL "/skits.syn");
    EXPECT_EQ(catalog.Header().listUrl.text.rfind("https://", 0), 0u) << "the list comes over plain http";
    // The list came with the build: the first show does not fetch another.
    EXPECT_FALSE(catalog.IsListUpdateDue());
}

// An environment variable for the scope, which the programs started meanwhile inherit.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : name_(name) {
        SetEnvironmentVariableA(name, value.c_str());
    }
    ~ScopedVariable() { SetEnvironmentVariableA(name_, nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
};

bool PlayerRuns() {
    const UniqueHandle processes(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 process{};
    process.dwSize = sizeof process;
    for (BOOL more = Process32First(processes.Get(), &process); more; more = Process32Next(processes.Get(), &process)) {
        if (lstrcmpiA(process.szExeFile, "skitplayer.exe") == 0) {
            return true;
        }
    }
    return false;
}

void ExpectTheShowPlaysAStarterSkit(const Places& places) {
    const ScratchFolder folder;
    const std::string playerLog = folder / "player.log";
    const ScopedVariable logVariable("SKITPLAYER_LOG", playerLog);
    SetCursorPos(400, 300);
    ZolvaneProcess saver(places.scr, "/s", places.system);
    ASSERT_NE(saver.WaitForWindow("TScreensaverZolvane"), nullptr);
    saver.WaitUntilIdle();

    // The player logs the argument file, which ends with the movie.
    bool started = PumpUntil([&] {
        for (const std::string& line : ReadLines(playerLog)) {
            const std::string::size_type movie = line.rfind("SS_Swf=");
            if (line.rfind("started ", 0) == 0 && movie != std::string::npos &&
                Exists(places.data + "\\skits\\" + line.substr(movie + 7))) {
                return true;
            }
        }
        return false;
    });
    EXPECT_TRUE(started) << "the player log has no started starter skit";

    SetCursorPos(460, 360);
    EXPECT_TRUE(saver.WaitForExit());
    EXPECT_EQ(saver.ExitCode(), 0u);
    // The show closes the player, or ends one still starting; the uninstall could not delete a running player.
    EXPECT_TRUE(PumpUntil([] { return !PlayerRuns(); })) << "the show left its player running";
}

void ExpectTheSettingsWindowWithoutAnError(const Places& places) {
    ZolvaneProcess settings(places.scr, "/c", places.system);
    HWND window = settings.WaitForWindow("TWindSettings");
    ASSERT_NE(window, nullptr);
    settings.WaitUntilIdle();
    EXPECT_EQ(settings.CountWindows("#32770"), 0) << "the settings came with a message box";
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(settings.WaitForExit());
}

void ExpectThePreviewInItsParent(const Places& places) {
    PlainWindow parent("ZolvaneInstalledPreviewArea", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    ASSERT_NE(parent.Get(), nullptr);
    ZolvaneProcess preview(places.scr, "/p " + parent.Number(), places.system);
    EXPECT_NE(preview.WaitForChildWindow(parent.Get(), "TScreensaverZolvane"), nullptr);
    parent.Destroy();
    EXPECT_TRUE(preview.WaitForExit());
}

// Everything of ours that is still there.
std::vector<std::string> WhatRemains(const Places& places) {
    std::vector<std::string> remains;
    for (const std::string& path : {places.program, places.scr, places.data, places.menu, places.user}) {
        if (Exists(path)) {
            remains.push_back(path);
        }
    }
    const struct {
        HKEY root;
        const char* rootName;
        const char* path;
    } keys[] = {
        {HKEY_LOCAL_MACHINE, "HKLM", kSettingsKey},        {HKEY_LOCAL_MACHINE, "HKLM", "Software\\Osterwyn"},
        {HKEY_LOCAL_MACHINE, "HKLM", kUninstallKey},       {HKEY_CURRENT_USER, "HKCU", kSettingsKey},
        {HKEY_CURRENT_USER, "HKCU", "Software\\Osterwyn"},
    };
    for (const auto& key : keys) {
        if (OpenKey(key.root, key.path)) {
            remains.push_back(std::string(key.rootName) + "\\" + key.path);
        }
    }
    if (HasValue(HKEY_CURRENT_USER, kDesktopKey, "SCRNSAVE.EXE")) {
        remains.push_back(std::string("HKCU\\") + kDesktopKey + "\\SCRNSAVE.EXE");
    }
    return remains;
}

} // namespace

TEST(Installer, InstallsForAllUsersRunsEveryModeAndUninstallsWithoutATrace) {
    const Places places;
    const UninstallAtEnd cleanUp{places};
    const std::string setup = "\"" ZOLVANE_SETUP "\" /S /CURRENT";

    // Another user made the data folder first, with a file of theirs, and a file where a folder of ours
    // belongs: the setup stops before it installs anything or names the folder.
    // Other tests of the run may have left keys of theirs; only what this setup adds counts.
    std::vector<std::string> before = WhatRemains(places);
    ASSERT_TRUE(CreateDirectoryA(places.data.c_str(), nullptr));
    before.insert(before.begin(), places.data);
    const std::string stray = places.data + "\\stray.txt";
    const std::string notAFolder = places.data + "\\logs";
    testing_files::WriteFile(stray, "theirs");
    testing_files::WriteFile(notAFolder, "");
    EXPECT_EQ(RunToEnd(setup), 2u);
    EXPECT_EQ(WhatRemains(places), before);
    ASSERT_TRUE(DeleteFileA(notAFolder.c_str()));

    ASSERT_EQ(RunToEnd(setup), 0u);

    ExpectSettingsNamingInstalledPlaces(places);
    EXPECT_FALSE(HasValue(HKEY_LOCAL_MACHINE, kSettingsKey, "ListKeys"));
    ExpectNoCodeUnder(places.data);
    ExpectUninstallEntry(places);
    ExpectSettingsInTheStartMenu(places);
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kDesktopKey, "SCRNSAVE.EXE"), places.scr);
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kDesktopKey, "ScreenSaveActive"), "1");
    ExpectCatalogueOfStarterSkits();

    ExpectTheShowPlaysAStarterSkit(places);
    ExpectTheSettingsWindowWithoutAnError(places);
    ExpectThePreviewInItsParent(places);

    // A choice of the user's, as the settings window's OK stores it, goes with the uninstall.
    const DWORD sound = 1;
    RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsKey, "Sound", REG_DWORD, &sound, sizeof sound);
    ASSERT_TRUE(Uninstall(places)) << "the uninstaller did not remove " << places.program << " in time";
    // The other user's file keeps the data folder, and nothing else of ours is left in it.
    EXPECT_EQ(WhatRemains(places), std::vector<std::string>{places.data});
    EXPECT_EQ(NamesIn(places.data), std::vector<std::string>{"stray.txt"});
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kDesktopKey, "ScreenSaveActive"), "0");
    DeleteFileA(stray.c_str());
    RemoveDirectoryA(places.data.c_str());
}

TEST(Installer, StoresTheKeyOfSignedListsAndKeepsItOnAnUpgrade) {
    const Places places;
    const UninstallAtEnd cleanUp{places};
    // A key line with both '/' and '+', which the command line must hand over whole.
    const std::string key =
        "MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAEXH2X2rcP4kE95JT8ialmjRz7U7XgLNH91qXexo5M8dC/H8p8nV2y26+bDXtyGj"
        "nnTjs/PV231b0RTaJ5PVPfPw==";
    const std::wstring stored = std::wstring(key.begin(), key.end()) + std::wstring(2, L'\0');
    const std::string setup = "\"" ZOLVANE_SETUP "\" /S";

    ASSERT_EQ(RunToEnd(setup + " /LISTKEY=" + key), 0u);
    EXPECT_EQ(ReadMultiString(HKEY_LOCAL_MACHINE, kSettingsKey, L"ListKeys"), stored);
    ASSERT_EQ(RunToEnd(setup), 0u);
    EXPECT_EQ(ReadMultiString(HKEY_LOCAL_MACHINE, kSettingsKey, L"ListKeys"), stored);
    // A text that is no key line stops the setup and leaves the key there was.
    EXPECT_EQ(RunToEnd(setup + " /LISTKEY=" + key.substr(0, key.size() - 4)), 2u);
    EXPECT_EQ(ReadMultiString(HKEY_LOCAL_MACHINE, kSettingsKey, L"ListKeys"), stored);

    ASSERT_TRUE(Uninstall(places));
    EXPECT_FALSE(HasValue(HKEY_LOCAL_MACHINE, kSettingsKey, "ListKeys"));
}
