// Runs zolvane.scr as a process of its own, from a scratch folder or where it is installed, and finds and
// drives its windows.
//
// Waits pump this thread's messages (tests/gui/WindowTesting.h), so that windows of the test (a preview
// parent, say) keep answering the program.
#pragma once

#include "library/SkitFileWriters.h"
#include "support/System.h"
#include "support/WinHandles.h"
#include "tests/TestFiles.h"
#include "tests/gui/WindowTesting.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace zolvane_process {

using testing_windows::ClassOf;
using testing_windows::kPatience;
using testing_windows::PumpUntil;
using testing_windows::TextOf;

// Copies a file of the build into the folder under the given name.
inline void Install(const char* source, const std::string& target) {
    ASSERT_TRUE(CopyFileA(source, target.c_str(), FALSE)) << source << " -> " << target;
}

// A stand-in (tests/app/fakes) in the system folder under a system DLL's name, for as long as this lives:
// the program loads system DLLs from there only. A file of that name is kept under another and put back,
// and the files through which the stand-in talks to the test go again. Every test of a run shares the
// Wine prefix, so the system folder is left as it was found; whatever loaded the stand-in must have
// ended first.
class SystemStandIn {
public:
    SystemStandIn(const char* source, const char* name) : path_(Beside(name)), kept_(path_ + ".kept-by-test") {
        for (const char* talk : {"password-answer.txt", "password-asks.txt", "mpr-calls.txt"}) {
            if (GetFileAttributesA(Beside(talk).c_str()) == INVALID_FILE_ATTRIBUTES) {
                talkFiles_.push_back(Beside(talk));
            } else {
                ADD_FAILURE() << "the system folder has " << talk << " already";
            }
        }
        EXPECT_EQ(GetFileAttributesA(kept_.c_str()), INVALID_FILE_ATTRIBUTES) << "left behind: " << kept_;
        // Put back under its own name: Wine's folders keep the case of the name a file was given.
        sys::FindData found;
        if (sys::DirectorySearch().First(path_, found) && MoveFileA(path_.c_str(), kept_.c_str()) != FALSE) {
            original_ = Beside(found.name.c_str());
        }
        // Refuses to replace a file that could not be moved aside.
        installed_ = CopyFileA(source, path_.c_str(), TRUE) != FALSE;
        EXPECT_TRUE(installed_) << source << " -> " << path_ << ": " << GetLastError();
    }
    ~SystemStandIn() {
        for (const std::string& talk : talkFiles_) {
            DeleteFileA(talk.c_str());
        }
        if (installed_) {
            EXPECT_TRUE(DeleteFileA(path_.c_str())) << path_ << ": " << GetLastError();
        }
        if (!original_.empty()) {
            EXPECT_TRUE(MoveFileA(kept_.c_str(), original_.c_str())) << kept_ << ": " << GetLastError();
        }
    }
    SystemStandIn(const SystemStandIn&) = delete;
    SystemStandIn& operator=(const SystemStandIn&) = delete;

    // A file in the system folder, beside the stand-in.
    static std::string Beside(const char* name) {
        char folder[MAX_PATH] = "";
        const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
        return std::string(folder, length < MAX_PATH ? length : 0) + "\\" + name;
    }

private:
    std::string path_;
    std::string kept_;
    std::string original_; // where the kept file goes back; empty when nothing was kept
    std::vector<std::string> talkFiles_;
    bool installed_ = false;
};

// What an installer leaves behind: the skits, download and log places in the folder, an ops file without
// skits, and the machine-wide registry values that name them; the player's place is beside the program,
// outside the skits. The values go again at the end.
class Installation {
public:
    explicit Installation(const testing_files::ScratchFolder& folder) : folder_(folder) {
        CreateDirectoryA(Skits().c_str(), nullptr);
        CreateDirectoryA(Downloads().c_str(), nullptr);
        OpsHeader header;
        header.listUrl.text = "http://127.0.0.1:9/skits.syn";
        header.listFileName.text = "skits.syn";
        header.listIntervalDays = 7;
        WriteOps(header, {});
        SetValue("OpsFilePath", OpsFile());
        SetValue("SkitsPath", Skits());
        SetValue("DownloadPath", Downloads());
        SetValue("LogPath", DownloadLog());
        SetValue("Player", Player());
    }
    ~Installation() { RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Osterwyn\\Zolvane"); }
    Installation(const Installation&) = delete;
    Installation& operator=(const Installation&) = delete;

    void WriteOps(const OpsHeader& header, const std::vector<SkitRecord>& records) const {
        WriteOpsFile(OpsFile(), header, records);
    }
    void SetValue(const char* name, const std::string& value) const {
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, "Software\\Osterwyn\\Zolvane", name, REG_SZ, value.c_str(),
                        static_cast<DWORD>(value.size() + 1));
    }
    std::string OpsFile() const { return folder_ / "zolvane.ops"; }
    std::string Skits() const { return folder_ / "skits"; }
    std::string Player() const { return folder_ / "skitplayer.exe"; }
    std::string Downloads() const { return folder_ / "downloads"; }
    std::string DownloadLog() const { return folder_ / "download.log"; }

private:
    const testing_files::ScratchFolder& folder_;
};

class ZolvaneProcess {
public:
#ifdef ZOLVANE_SCR
    // Copies the built zolvane.scr into the folder (once) and starts it there with the arguments.
    ZolvaneProcess(const testing_files::ScratchFolder& folder, const std::string& arguments) {
        const std::string program = folder / "zolvane.scr";
        if (GetFileAttributesA(program.c_str()) == INVALID_FILE_ATTRIBUTES) {
            Install(ZOLVANE_SCR, program);
        }
        Start(program, "zolvane.scr " + arguments, folder.Path());
    }
#endif

    // Starts an installed program where it is, from the folder, as the system starts a screensaver.
    ZolvaneProcess(const std::string& program, const std::string& arguments, const std::string& folder) {
        Start(program, "\"" + program + "\" " + arguments, folder);
    }

    ~ZolvaneProcess() {
        if (process_ && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.Get(), 99);
            WaitForSingleObject(process_.Get(), kPatience);
        }
    }

    DWORD Id() const { return id_; }

    // A visible top-level window of this process with the class, or null when none came in time.
    HWND WaitForWindow(const char* className, DWORD timeoutMs = kPatience) {
        HWND found = nullptr;
        PumpUntil([&] { return (found = FindTopLevel(className)) != nullptr; }, timeoutMs);
        return found;
    }

    // A visible child window of this process with the class under the parent.
    HWND WaitForChildWindow(HWND parent, const char* className, DWORD timeoutMs = kPatience) {
        HWND found = nullptr;
        PumpUntil(
            [&] {
                for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
                     child = GetWindow(child, GW_HWNDNEXT)) {
                    if (Owns(child) && ClassOf(child) == className && IsWindowVisible(child)) {
                        found = child;
                        return true;
                    }
                }
                return false;
            },
            timeoutMs);
        return found;
    }

    // The number of top-level windows of this process with the class, visible or not.
    int CountWindows(const char* className) {
        Search search{this, className, false, nullptr, 0};
        EnumWindows(&ZolvaneProcess::Visit, reinterpret_cast<LPARAM>(&search));
        return search.count;
    }

    // Waits until the program has handled all of its input and waits for more.
    void WaitUntilIdle() { EXPECT_EQ(WaitForInputIdle(process_.Get(), kPatience), 0u); }

    // True when the process ended in time.
    bool WaitForExit(DWORD timeoutMs = kPatience) {
        return started_ &&
               PumpUntil([&] { return WaitForSingleObject(process_.Get(), 0) == WAIT_OBJECT_0; }, timeoutMs);
    }

    // True when the process is still running after the time: for things that must not end it. The time
    // is an upper bound for a wrong ending to show, not a wait for something to happen.
    bool StillRunningAfter(DWORD ms) { return started_ && !WaitForExit(ms); }

    DWORD ExitCode() const {
        DWORD code = 12345;
        GetExitCodeProcess(process_.Get(), &code);
        return code;
    }

private:
    void Start(const std::string& program, std::string commandLine, const std::string& folder) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        started_ = CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                  folder.c_str(), &startup, &info) != FALSE;
        EXPECT_TRUE(started_) << "could not start " << program << ": " << GetLastError();
        if (started_) {
            process_.Reset(info.hProcess);
            UniqueHandle thread(info.hThread);
            id_ = info.dwProcessId;
        }
    }

    bool Owns(HWND window) const {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        return owner == id_;
    }

    struct Search {
        ZolvaneProcess* self;
        const char* className;
        bool visibleOnly;
        HWND found;
        int count;
    };

    // An enumeration callback must have the system's calling convention: no lambda will do.
    static BOOL CALLBACK Visit(HWND window, LPARAM data) {
        auto* search = reinterpret_cast<Search*>(data);
        if (search->self->Owns(window) && ClassOf(window) == search->className &&
            (!search->visibleOnly || IsWindowVisible(window))) {
            search->found = window;
            ++search->count;
        }
        return TRUE;
    }

    HWND FindTopLevel(const char* className) {
        Search search{this, className, true, nullptr, 0};
        EnumWindows(&ZolvaneProcess::Visit, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    bool started_ = false;
    UniqueHandle process_;
    DWORD id_ = 0;
};

} // namespace zolvane_process
