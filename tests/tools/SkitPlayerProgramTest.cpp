// The skit player as the screensaver meets it: a program started without arguments from its own
// folder, with the argument file beside it, watched from outside through its window, its exit code and
// the event log that SKITPLAYER_LOG names.
#include "library/Paths.h"
#include "playback/SkitArguments.h"
#include "support/ErrorCodes.h"
#include "support/WinHandles.h"
#include "tests/TestFiles.h"
#include "tests/gui/PlainWindow.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using testing_files::ReadFile;
using testing_files::ScratchFolder;
using testing_files::WriteFile;

namespace {

// Every wait below polls until what it waits for has happened, with a bound far beyond what a slow,
// busy machine needs, so that none of them decides a test by the clock.
constexpr DWORD kGenerousWaitMs = 30000;
constexpr DWORD kPollMs = 10;
// A wrong colour fails every check of a test: a shorter bound keeps such a test within CTest's limit.
constexpr DWORD kColourWaitMs = 10000;

const char kArguments[] = "SS_RunCount=0&SS_Sound=0&SS_Month=03&SS_Day=07&SS_Swf=sun%20rise.gif";

// The colours of the test movies' frames, as the generator draws them.
constexpr COLORREF kFirstColour = RGB(200, 40, 40);
constexpr COLORREF kWideFirstColour = RGB(40, 160, 60);
constexpr COLORREF kBlack = RGB(0, 0, 0);

std::string BuiltFile(const char* relativePath) {
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string folder;
    SplitPath(module, &folder, nullptr);
    return JoinPath(folder, relativePath);
}

std::string SamplePath(const char* name) { return BuiltFile(SKITPLAYER_TEST_SAMPLES) + "\\" + name; }

bool Near(COLORREF actual, COLORREF expected) {
    return std::abs(GetRValue(actual) - GetRValue(expected)) <= 3 &&
           std::abs(GetGValue(actual) - GetGValue(expected)) <= 3 &&
           std::abs(GetBValue(actual) - GetBValue(expected)) <= 3;
}

// One run of the player, ended by force if a test leaves it running.
class PlayerProcess {
public:
    PlayerProcess(const std::string& program, const std::string& folder) {
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info{};
        // As the screensaver starts it: no command line, its own folder as the current folder.
        if (!CreateProcessA(program.c_str(), nullptr, nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(), &startup,
                            &info)) {
            ADD_FAILURE() << "CreateProcessA: " << LastErrorText();
            return;
        }
        process_.Reset(info.hProcess);
        thread_.Reset(info.hThread);
        processId_ = info.dwProcessId;
        threadId_ = info.dwThreadId;
    }
    ~PlayerProcess() {
        if (process_ && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.Get(), 99);
            WaitForSingleObject(process_.Get(), kGenerousWaitMs);
        }
    }
    PlayerProcess(const PlayerProcess&) = delete;
    PlayerProcess& operator=(const PlayerProcess&) = delete;

    // The first top-level window of the player's main thread, as the screensaver looks for it.
    HWND WaitForWindow() const {
        for (DWORD waited = 0; process_ && waited < kGenerousWaitMs; waited += kPollMs) {
            Search search{processId_, threadId_, nullptr};
            EnumWindows(&PlayerProcess::Visit, reinterpret_cast<LPARAM>(&search));
            if (search.found != nullptr) {
                return search.found;
            }
            Sleep(kPollMs);
        }
        return nullptr;
    }

    // The exit code, or -1 when the player has not ended within the generous wait.
    long WaitForEnd() const {
        DWORD code = 0;
        if (!process_ || WaitForSingleObject(process_.Get(), kGenerousWaitMs) != WAIT_OBJECT_0 ||
            !GetExitCodeProcess(process_.Get(), &code)) {
            return -1;
        }
        return static_cast<long>(code);
    }

private:
    struct Search {
        DWORD processId;
        DWORD threadId;
        HWND found;
    };

    static BOOL CALLBACK Visit(HWND window, LPARAM data) {
        auto* search = reinterpret_cast<Search*>(data);
        DWORD processId = 0;
        const DWORD threadId = GetWindowThreadProcessId(window, &processId);
        // Every thread with windows also has the system's input-method window, which is not the player's.
        char name[64] = "";
        GetClassNameA(window, name, sizeof name);
        // The window counts once it shows: the player makes it first and shows it a moment later.
        if (threadId == search->threadId && processId == search->processId && std::strcmp(name, "IME") != 0 &&
            std::strcmp(name, "MSCTFIME UI") != 0 && IsWindowVisible(window)) {
            search->found = window;
            return FALSE;
        }
        return TRUE;
    }

    UniqueHandle process_;
    UniqueHandle thread_;
    DWORD processId_ = 0;
    DWORD threadId_ = 0;
};

class SkitPlayerProgram : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CopyFileA(BuiltFile(SKITPLAYER_TEST_PLAYER).c_str(), player_.c_str(), FALSE)) << LastErrorText();
        SetEnvironmentVariableA("SKITPLAYER_LOG", log_.c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableA("SKITPLAYER_LOG", nullptr);
        DeleteFileA(arguments_.c_str());
    }

    void AddMovie(const char* sample, const std::string& name) {
        ASSERT_TRUE(CopyFileA(SamplePath(sample).c_str(), (folder_ / name).c_str(), FALSE)) << LastErrorText();
    }
    void WriteArguments(const std::string& text) { WriteFile(arguments_, text); }

    // Starts the player on a test movie, given as the skit "sun rise.gif".
    std::unique_ptr<PlayerProcess> Start(const char* sample) {
        AddMovie(sample, "sun rise.gif");
        WriteArguments(kArguments);
        return std::make_unique<PlayerProcess>(player_, folder_.Path());
    }

    std::vector<std::string> LogLines() const { return testing_files::ReadLines(log_); }

    bool WaitForLogLine(const std::string& line) const {
        for (DWORD waited = 0; waited < kGenerousWaitMs; waited += kPollMs) {
            for (const std::string& logged : LogLines()) {
                if (logged == line) {
                    return true;
                }
            }
            Sleep(kPollMs);
        }
        return false;
    }

    // Checks the colour at a point of the window. The frame is still, so it waits until the colour is
    // there: the first paint may take a moment, and a reading may come while Wine updates the window.
    static void ExpectColour(HWND window, int x, int y, COLORREF expected) {
        COLORREF seen = CLR_INVALID;
        for (DWORD waited = 0; waited < kColourWaitMs; waited += kPollMs) {
            const UniqueWindowDc dc = GetWindowDc(window);
            seen = dc ? GetPixel(dc.Get().dc, x, y) : CLR_INVALID;
            if (Near(seen, expected)) {
                return;
            }
            Sleep(kPollMs);
        }
        ADD_FAILURE() << "at " << x << "," << y << " the colour is 0x" << std::hex << seen << " instead of 0x"
                      << expected << (IsWindow(window) ? "" : "; the window is gone");
    }

    // The player is installed apart from the skits, which it takes from the folder it runs in.
    ScratchFolder program_;
    ScratchFolder folder_;
    std::string player_ = program_ / "skitplayer.exe";
    std::string arguments_ = UserArgumentFilePath(player_);
    std::string log_ = folder_ / "events.log";
};

} // namespace

TEST_F(SkitPlayerProgram, EndsByItselfOnceTheMovieHasPlayedOnce) {
    const ULONGLONG started = GetTickCount64();
    const auto player = Start("short.gif");
    EXPECT_EQ(player->WaitForEnd(), 0);
    // Five frames of which four have a delay of 0 or 1, each read as 100 ms: 700 ms at the least. A
    // player that took those delays at face value would end in 300 ms, less than Wine needs to start.
    EXPECT_GE(GetTickCount64() - started, 700u);
    EXPECT_EQ(LogLines(), (std::vector<std::string>{std::string("started ") + kArguments, "ended"}));
}

TEST_F(SkitPlayerProgram, ShowsOneBlackFullScreenWindowOfItsMainThreadWithTheMovieInTheMiddle) {
    const auto player = Start("long.gif");
    const HWND window = player->WaitForWindow();
    ASSERT_NE(window, nullptr);

    const LONG style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME));
    EXPECT_TRUE(IsWindowVisible(window));
    RECT rect{};
    GetWindowRect(window, &rect);
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 0);
    EXPECT_EQ(rect.right, width);
    EXPECT_EQ(rect.bottom, height);

    // The 64 x 48 frame is enlarged to the screen's height (wider screens) and centred across, on black.
    ASSERT_GT(width * 48, height * 64) << "the test expects a screen wider than 4:3";
    ExpectColour(window, width / 2, height / 2, kFirstColour);
    const int boxWidth = (height * 64 + 24) / 48;
    const int left = (width - boxWidth) / 2;
    ExpectColour(window, left + 4, 4, kFirstColour);
    ExpectColour(window, left + boxWidth - 5, height - 5, kFirstColour);
    ExpectColour(window, left - 4, height / 2, kBlack);
    ExpectColour(window, left + boxWidth + 4, height / 2, kBlack);
    ExpectColour(window, 0, 0, kBlack);
    ExpectColour(window, width - 1, height - 1, kBlack);
}

TEST_F(SkitPlayerProgram, ScalesAMovieLargerThanTheScreenDownToFitIt) {
    const auto player = Start("wide.gif");
    const HWND window = player->WaitForWindow();
    ASSERT_NE(window, nullptr);

    // 5120 x 800 becomes the screen's width and a sixth and a bit of it in height, centred up and down.
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    const int boxHeight = width * 800 / 5120;
    const int top = (height - boxHeight) / 2;
    ExpectColour(window, width / 2, height / 2, kWideFirstColour);
    ExpectColour(window, 2, top + 4, kWideFirstColour);
    ExpectColour(window, width - 3, top + boxHeight - 5, kWideFirstColour);
    ExpectColour(window, width / 2, top - 4, kBlack);
    ExpectColour(window, width / 2, top + boxHeight + 4, kBlack);
}

TEST_F(SkitPlayerProgram, LogsPostedKeysAndEndsOnWmClose) {
    const auto player = Start("long.gif");
    const HWND window = player->WaitForWindow();
    ASSERT_NE(window, nullptr);

    // As the screensaver passes a skit's key on: posted, with no key data.
    ASSERT_TRUE(PostMessageA(window, WM_KEYDOWN, VK_SPACE, 0));
    ASSERT_TRUE(PostMessageA(window, WM_KEYDOWN, 'A', 0));
    ASSERT_TRUE(WaitForLogLine("key 65"));
    EXPECT_TRUE(IsWindow(window)) << "a key must not end the movie";

    ASSERT_TRUE(PostMessageA(window, WM_CLOSE, 0, 0));
    EXPECT_EQ(player->WaitForEnd(), 0);
    EXPECT_EQ(LogLines(),
              (std::vector<std::string>{std::string("started ") + kArguments, "key 32", "key 65", "closed"}));
}

TEST_F(SkitPlayerProgram, LogsEveryFailureInItsOwnWordsAndEndsWithExitCodeOne) {
    struct Case {
        const char* what;
        std::string arguments;  // no argument file when empty
        std::string movieBytes; // written as "sun rise.gif" unless empty
        std::string error;
    };
    const std::string shortGif = ReadFile(SamplePath("short.gif"));
    const std::string movie = folder_ / "sun rise.gif";
    const std::string& arguments = arguments_;
    const std::vector<Case> cases = {
        {"no movie file", kArguments, "", "The movie cannot be read: " + ErrorText(ERROR_FILE_NOT_FOUND) + " " + movie},
        {"not a GIF", kArguments, "SS_Swf=this is text", "The movie " + movie + " is not a GIF file."},
        {"a GIF cut short", kArguments, shortGif.substr(0, 40),
         "The movie " + movie + " is a damaged GIF file (GDI+ status 1)."},
        {"no SS_Swf", "SS_RunCount=0&SS_Sound=0", "", "The argument file " + arguments + " names no movie in SS_Swf."},
        {"an empty SS_Swf", "SS_Day=07&SS_Swf=", "", "The argument file " + arguments + " names no movie in SS_Swf."},
        {"a movie elsewhere", "SS_Swf=" + movie, "", "The argument file names no movie of the skits folder: " + movie},
        {"a program", "SS_Swf=skitplayer.exe", "",
         "The argument file names no movie of the skits folder: skitplayer.exe"},
        {"no argument file", "", "",
         "The argument file cannot be read: " + ErrorText(ERROR_FILE_NOT_FOUND) + " " + arguments},
    };
    for (const Case& failure : cases) {
        SCOPED_TRACE(failure.what);
        DeleteFileA(log_.c_str());
        DeleteFileA((folder_ / "sun rise.gif").c_str());
        if (!failure.movieBytes.empty()) {
            WriteFile(folder_ / "sun rise.gif", failure.movieBytes);
        }
        DeleteFileA(arguments.c_str());
        std::vector<std::string> expected;
        if (!failure.arguments.empty()) {
            WriteArguments(failure.arguments);
            expected.push_back("started " + failure.arguments);
        }
        expected.push_back("error " + failure.error);
        PlayerProcess player(player_, folder_.Path());
        EXPECT_EQ(player.WaitForEnd(), 1);
        EXPECT_EQ(LogLines(), expected);
    }
}

TEST_F(SkitPlayerProgram, LogsNothingWithoutSkitplayerLog) {
    SetEnvironmentVariableA("SKITPLAYER_LOG", nullptr);
    EXPECT_EQ(Start("short.gif")->WaitForEnd(), 0);
    EXPECT_EQ(GetFileAttributesA(log_.c_str()), INVALID_FILE_ATTRIBUTES);
}

// Once the screensaver's window has shown and gone, the player left playing is the user's: a window with
// a caption and a close box, no longer on top, that closes as an ordinary window does.
TEST_F(SkitPlayerProgram, LeftPlayingByTheScreensaverItBecomesAnOrdinaryWindow) {
    struct Case {
        const char* what;
        UINT message;
        WPARAM wParam;
    };
    const Case cases[] = {
        {"Escape", WM_KEYDOWN, VK_ESCAPE},
        {"a mouse click", WM_LBUTTONDOWN, MK_LBUTTON},
        {"the close box", WM_SYSCOMMAND, SC_CLOSE},
    };
    for (const Case& closing : cases) {
        SCOPED_TRACE(closing.what);
        DeleteFileA(log_.c_str());
        auto screensaver = std::make_unique<PlainWindow>("TScreensaverZolvane", WS_POPUP | WS_VISIBLE);
        const auto player = Start("long.gif");
        const HWND window = player->WaitForWindow();
        ASSERT_NE(window, nullptr);
        // Before the screensaver has ended, a click is no reason to close.
        Sleep(500);
        ASSERT_TRUE(PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, 0));
        ASSERT_TRUE(PostMessageA(window, WM_KEYDOWN, 'A', 0));
        ASSERT_TRUE(WaitForLogLine("key 65"));
        EXPECT_FALSE(GetWindowLongA(window, GWL_STYLE) & WS_CAPTION);

        screensaver.reset();
        ASSERT_TRUE(WaitForLogLine("left"));
        const LONG style = GetWindowLongA(window, GWL_STYLE);
        EXPECT_TRUE((style & WS_CAPTION) == WS_CAPTION && (style & WS_SYSMENU));
        EXPECT_FALSE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
        ASSERT_TRUE(PostMessageA(window, closing.message, closing.wParam, 0));
        EXPECT_EQ(player->WaitForEnd(), 0);
        const std::vector<std::string> lines = LogLines();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), "closed");
    }
}

// Two seconds of red, then two of blue, 320 x 240 (4:3), with a sound track, as ffmpeg encodes it.
TEST_F(SkitPlayerProgram, PlaysAnMp4FillingTheScreenRedThenBlueAndEndsWithIt) {
    AddMovie("redblue.mp4", "clip.mp4");
    WriteArguments("SS_Swf=clip.mp4&SS_Sound=1");
    PlayerProcess player(player_, folder_.Path());
    const HWND window = player.WaitForWindow();
    ASSERT_NE(window, nullptr);
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    ASSERT_GT(width * 3, height * 4) << "the test expects a screen wider than 4:3";
    const int left = (width - height * 4 / 3) / 2;
    ExpectColour(window, width / 2, height / 2, RGB(255, 0, 0));
    ExpectColour(window, left + 4, 4, RGB(255, 0, 0));
    ExpectColour(window, left - 4, height / 2, kBlack);
    ExpectColour(window, width / 2, height / 2, RGB(0, 0, 255));
    ExpectColour(window, left + 4, height - 5, RGB(0, 0, 255));
    EXPECT_EQ(player.WaitForEnd(), 0);
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"started SS_Swf=clip.mp4&SS_Sound=1", "ended"}));
}

// With sound on, the sound track is opened: it plays, or says why the system cannot play it.
TEST_F(SkitPlayerProgram, OpensAnMp4sSoundTrackOnlyWithSoundOn) {
    AddMovie("redblue.mp4", "clip.mp4");
    WriteArguments("SS_Swf=clip.mp4&SS_Sound=0");
    PlayerProcess player(player_, folder_.Path());
    ASSERT_TRUE(WaitForLogLine("ended"));
    const std::vector<std::string> lines = LogLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[1].substr(0, 5), "sound") << lines[1];
    EXPECT_EQ(player.WaitForEnd(), 0);
}

TEST_F(SkitPlayerProgram, AnMp4CutShortEndsThePlayerWithALineNamingIt) {
    const std::string whole = ReadFile(SamplePath("redblue.mp4"));
    const std::string movie = folder_ / "clip.mp4";
    WriteFile(movie, whole.substr(0, whole.size() / 2));
    WriteArguments("SS_Swf=clip.mp4");
    PlayerProcess player(player_, folder_.Path());
    EXPECT_EQ(player.WaitForEnd(), 1);
    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].rfind("error The movie " + movie + " cannot be ", 0), 0u) << lines[1];
}

TEST_F(SkitPlayerProgram, CarriesAManifestThatMakesItAwareOfEachMonitorsDpi) {
    const HMODULE program = LoadLibraryExA(player_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program, nullptr) << LastErrorText();
    const HRSRC found = FindResourceA(program, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(found, nullptr);
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(program, found)));
    const std::string manifest(bytes, SizeofResource(program, found));
    FreeLibrary(program);
    EXPECT_NE(manifest.find("<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"
                            "PerMonitorV2, PerMonitor</dpiAwareness>"),
              std::string::npos);
    EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string::npos);
}
