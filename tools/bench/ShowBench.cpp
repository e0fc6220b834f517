// Measures the screensaver against a bare Win32 program that does the same job, on the same system:
//
//   show_bench ZOLVANE.SCR SKITPLAYER.EXE MOVIE.GIF [SECONDS]
//
// - the time from starting the program to the player's window, zolvane.scr /s against a bare program
//   that starts the same player at once (the median of 11 starts each, taken in turns);
// - the share of one core that each uses over SECONDS (60) while the movie plays.
//
// The bare program is this one, run as `show_bench --bare SKITPLAYER.EXE SKITS`: a black window over the
// screen that starts the player and asks once a second whether it has ended, as the show does. The
// movie should play longer than SECONDS. zolvane.scr runs on a catalogue made for the run in a scratch
// folder, with the installation's registry values pointing there; they are removed afterwards.
#include "host/Settings.h"
#include "library/SkitFileWriters.h"
#include "playback/SkitArguments.h"
#include "support/DiskFile.h"
#include "support/LocalTime.h"
#include "support/WinHandles.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr const char* kPlayerClass = "ZolvaneSkitPlayer";
constexpr int kStarts = 11;

// ---- The bare program -------------------------------------------------------------------------------------

HANDLE gBarePlayer = nullptr;

LRESULT CALLBACK BareWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) {
        if (WaitForSingleObject(gBarePlayer, 0) == WAIT_OBJECT_0) {
            PostQuitMessage(0);
        }
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Writes the argument file as the show does, and starts the player in the skits folder.
int RunBare(const std::string& player, const std::string& folder) {
    DiskFile arguments;
    arguments.Create(UserArgumentFilePath(player), FILE_ATTRIBUTE_NORMAL, FILE_SHARE_READ);
    const std::string text = "SS_Swf=bench.gif";
    arguments.Write(text.data(), static_cast<std::uint32_t>(text.size()));
    arguments.Close();
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &BareWindow;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "ShowBenchBare";
    RegisterClassA(&windowClass);
    const HWND window =
        CreateWindowExA(WS_EX_TOPMOST, "ShowBenchBare", "", WS_POPUP | WS_VISIBLE, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                        GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::string commandLine = "\"" + player + "\"";
    if (!CreateProcessA(player.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &info)) {
        return 1;
    }
    gBarePlayer = info.hProcess;
    CloseHandle(info.hThread);
    SetTimer(window, 1, 1000, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        DispatchMessageA(&message);
    }
    return 0;
}

// ---- Measuring -----------------------------------------------------------------------------------------------

std::uint64_t CpuTime(HANDLE process) {
    FILETIME created, ended, kernel, user;
    GetProcessTimes(process, &created, &ended, &kernel, &user);
    const auto ticks = [](const FILETIME& time) {
        return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return ticks(kernel) + ticks(user);
}

HWND VisiblePlayerWindow() {
    const HWND window = FindWindowA(kPlayerClass, nullptr);
    return window != nullptr && IsWindowVisible(window) ? window : nullptr;
}

void EndPlayers() {
    for (HWND window = FindWindowA(kPlayerClass, nullptr); window != nullptr;
         window = FindWindowA(kPlayerClass, nullptr)) {
        DWORD id = 0;
        GetWindowThreadProcessId(window, &id);
        const UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
        TerminateProcess(process.Get(), 0);
        WaitForSingleObject(process.Get(), 5000);
    }
}

struct Run {
    UniqueHandle process;
    double startMs = -1;
};

// Starts the command and waits for the player's window; the time it took, or -1.
Run Start(const std::string& program, const std::string& arguments, const std::string& folder) {
    Run run;
    std::string commandLine = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    LARGE_INTEGER frequency, begin, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &info)) {
        std::fprintf(stderr, "show_bench: cannot start %s (%lu)\n", program.c_str(), GetLastError());
        return run;
    }
    run.process.Reset(info.hProcess);
    CloseHandle(info.hThread);
    for (int i = 0; i < 30000 && VisiblePlayerWindow() == nullptr; ++i) {
        Sleep(1);
    }
    QueryPerformanceCounter(&now);
    if (VisiblePlayerWindow() != nullptr) {
        run.startMs =
            1000.0 * static_cast<double>(now.QuadPart - begin.QuadPart) / static_cast<double>(frequency.QuadPart);
    }
    return run;
}

void Stop(Run& run) {
    TerminateProcess(run.process.Get(), 0);
    WaitForSingleObject(run.process.Get(), 5000);
    EndPlayers();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

// ---- The installation ----------------------------------------------------------------------------------

void SetValue(HKEY root, const char* name, const std::string& value) {
    RegSetKeyValueA(root, kSettingsKeyPath, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

struct Installation {
    std::string folder, skits, player;

    Installation(const std::string& playerSource, const std::string& movie) {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        folder = std::string(temp) + "show-bench-" + std::to_string(GetCurrentProcessId());
        skits = folder + "\\skits";
        CreateDirectoryA(folder.c_str(), nullptr);
        CreateDirectoryA(skits.c_str(), nullptr);
        player = folder + "\\skitplayer.exe";
        CopyFileA(playerSource.c_str(), player.c_str(), FALSE);
        CopyFileA(movie.c_str(), (skits + "\\bench.gif").c_str(), FALSE);

        OpsHeader header;
        header.listUrl.text = "http://127.0.0.1:9/skits.syn";
        header.listFileName.text = "skits.syn";
        header.listIntervalDays = 7;
        header.lastListUpdate = NowAsLocalFileTime();
        SkitRecord skit;
        skit.kind = skRegular;
        skit.id = 1;
        skit.version = 1;
        skit.name.text = "Bench";
        skit.fileName.text = "bench.gif";
        skit.url.text = "http://127.0.0.1:9/bench.gif";
        skit.state = dsDownloaded;
        skit.play = pcYes;
        skit.playsLeft = -1;
        skit.availableUntil = NowAsLocalFileTime() + 3650 * 864000000000ull;
        WriteOpsFile(folder + "\\zolvane.ops", header, {skit});
        SetValue(HKEY_LOCAL_MACHINE, "OpsFilePath", folder + "\\zolvane.ops");
        SetValue(HKEY_LOCAL_MACHINE, "SkitsPath", skits);
        SetValue(HKEY_LOCAL_MACHINE, "DownloadPath", folder);
        SetValue(HKEY_LOCAL_MACHINE, "LogPath", folder + "\\download.log");
        SetValue(HKEY_LOCAL_MACHINE, "Player", player);
        // Nothing is fetched during the run: new skits wait until the user says.
        const DWORD manual = 2;
        RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsKeyPath, "SyncMethod", REG_DWORD, &manual, sizeof manual);
    }
    ~Installation() {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSettingsKeyPath);
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKeyPath);
    }
};

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--bare") {
        return RunBare(argv[2], argv[3]);
    }
    if (argc < 4) {
        std::fprintf(stderr, "usage: show_bench ZOLVANE.SCR SKITPLAYER.EXE MOVIE.GIF [SECONDS]\n");
        return 2;
    }
    const std::string saver = argv[1];
    const int seconds = argc > 4 ? std::max(1, std::atoi(argv[4])) : 60;
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const Installation installation(argv[2], argv[3]);
    EndPlayers();

    const struct {
        const char* name;
        std::string program;
        std::string arguments;
    } programs[] = {{"zolvane.scr", saver, "/s"},
                    {"bare program", self, "--bare \"" + installation.player + "\" \"" + installation.skits + "\""}};
    // The two take turns, so that whatever else the machine does at the time weighs on both alike.
    std::vector<double> times[2];
    for (int i = 0; i < kStarts; ++i) {
        for (int p = 0; p < 2; ++p) {
            Run run = Start(programs[p].program, programs[p].arguments, installation.folder);
            times[p].push_back(run.startMs);
            Stop(run);
            Sleep(300);
        }
    }
    const double starts[2] = {Median(times[0]), Median(times[1])};
    std::printf("start to the player's window (median of %d): zolvane.scr %.0f ms, bare program %.0f ms: %.2f times\n",
                kStarts, starts[0], starts[1], starts[0] / starts[1]);
    std::fflush(stdout);

    for (const auto& program : programs) {
        Run run = Start(program.program, program.arguments, installation.folder);
        if (run.startMs < 0) {
            std::printf("%s: no player came\n", program.name);
            Stop(run);
            continue;
        }
        // The start is over once the player plays; what counts is the waiting.
        Sleep(2000);
        const std::uint64_t before = CpuTime(run.process.Get());
        Sleep(static_cast<DWORD>(seconds) * 1000);
        const std::uint64_t used = CpuTime(run.process.Get()) - before;
        const bool stillPlaying = VisiblePlayerWindow() != nullptr;
        std::printf("CPU while the skit plays (%d s): %s %.3f%% of a core%s\n", seconds, program.name,
                    100.0 * static_cast<double>(used) / (static_cast<double>(seconds) * 1e7),
                    stillPlaying ? "" : " (the movie ended early: play a longer one)");
        std::fflush(stdout);
        Stop(run);
        Sleep(300);
    }
    return 0;
}
