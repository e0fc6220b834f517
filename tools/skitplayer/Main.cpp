// skitplayer: plays one skit for the screensaver.
//
// The screensaver starts it without arguments, in the folder of the skits, after writing the argument
// file in the user's own folder (skitplayer.1.arg for skitplayer.exe in session 1; see
// playback/SkitArguments.h). The player reads the movie's name from the variable SS_Swf, a bare file
// name that it looks up in the folder it runs in, shows one black full-screen window from its main
// thread, plays the movie once (an animated GIF, or a video that Media Foundation decodes; which one,
// the file's first bytes say) and ends. It ends early when its window receives WM_CLOSE. The other variables (run
// count, sound, month, day) are of no use to silent GIFs and are ignored.
//
// With SKITPLAYER_LOG naming a file, every event is appended there as one line: "started" and the
// argument file's text, "key" and a posted key's virtual-key code, "left" when the screensaver has
// ended and left the player to the user (PlayerWindow.h), "closed", "ended", or "error" and what went
// wrong. A failure shows nothing modal: the screensaver waits for the player to end, so the
// player logs it, keeps its window black for a moment and ends with exit code 1.
#include "playback/SkitArguments.h"
#include "support/DiskFile.h"
#include "support/Error.h"
#include "support/System.h"
#include "support/SystemLibraries.h"
#include "tools/skitplayer/EventLog.h"
#include "tools/skitplayer/GifMovie.h"
#include "tools/skitplayer/PlayerWindow.h"
#include "tools/skitplayer/SkitArgs.h"
#include "tools/skitplayer/SkitFile.h"
#include "tools/skitplayer/VideoFrames.h"
#include "tools/skitplayer/VideoMovie.h"

#include <windows.h>

#include <memory>
#include <string>

namespace {

// The argument file is a line of a few hundred bytes; anything much larger is not one.
constexpr std::uint32_t kLargestArgumentFile = 64 * 1024;

std::string CurrentFolder() {
    char folder[MAX_PATH] = "";
    const DWORD length = GetCurrentDirectoryA(sizeof folder, folder);
    return std::string(folder, length < sizeof folder ? length : 0);
}

// What the movie's first bytes say it is. A file that cannot be read is taken for a GIF, whose reading
// then says what is wrong with it.
MovieKind KindOfMovie(const std::string& path) {
    std::uint8_t head[kMovieSniffBytes] = {};
    std::uint32_t got = 0;
    try {
        DiskFile file;
        file.Open(path, sys::kGenericRead, sys::kShareRead);
        got = file.Read(head, sizeof head);
    } catch (const EZolvaneError&) {
        return MovieKind::kGif;
    }
    return SniffMovie(head, got);
}

// Reads the argument file and the movie it names; raises with the text for the log.
std::unique_ptr<Movie> LoadSkit(const std::string& programPath, EventLog& log) {
    const std::string argumentFile = UserArgumentFilePath(programPath);
    if (argumentFile.empty()) {
        throw EZolvaneError("The user has no folder for the program's files, where the argument file lies.");
    }
    const std::string text = ReadSkitFile(argumentFile, kLargestArgumentFile, "argument file");
    log.Write("started " + text);
    std::string movieName;
    const SkitArgs arguments = SkitArgs::Parse(text);
    if (!arguments.Find("SS_Swf", movieName) || movieName.empty()) {
        throw EZolvaneError("The argument file " + argumentFile + " names no movie in SS_Swf.");
    }
    const std::string path = MoviePathFor(CurrentFolder(), movieName);
    if (KindOfMovie(path) == MovieKind::kVideo) {
        auto video = std::make_unique<VideoMovie>(path);
        // SS_Sound 0: sound always; any other setting keeps the sound track closed.
        std::string sound;
        if (arguments.Find("SS_Sound", sound) && sound == "0") {
            video->StartSound(log);
        }
        return video;
    }
    return std::make_unique<GifMovie>(path);
}

int RunPlayer(HINSTANCE instance, EventLog& log) {
    // GDI+ outlives the window, which holds the movie until its end.
    std::unique_ptr<GdiplusSession> gdiplus;
    PlayerWindow window(log);
    // The window comes first: the screensaver looks for it once the player waits for input, and GDI+
    // starts a thread of its own with a hidden window, which may be idle before our main thread is.
    window.Create(instance);
    try {
        gdiplus = std::make_unique<GdiplusSession>();
        window.Play(LoadSkit(sys::ModuleFileName(), log));
    } catch (const EZolvaneError& error) {
        window.Fail(error.what());
    }
    MSG message{};
    BOOL got = 0;
    while ((got = GetMessageA(&message, nullptr, 0, 0)) != 0 && got != -1) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return window.ExitCode();
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // The player runs in the skits folder, which users may write: no library may come from there.
    LoadLibrariesFromSystemOnly();
    EventLog log = EventLog::FromEnvironment();
    try {
        return RunPlayer(instance, log);
    } catch (const std::exception& error) {
        log.Write(std::string("error ") + error.what());
    } catch (...) {
        log.Write("error An unexpected error stopped the player.");
    }
    return 1;
}
