// SkitPlayer: one skit played by the external player program, watched from outside.
//
// The player is started without arguments, in the folder of the movies, and reads the argument file
// written for it in the user's own folder (SkitArguments.h); its input is joined to ours, its top-level window is found
// and put on top, and it is polled until it ends. Nothing here waits on the caller's thread unless asked
// to: Launch starts the process and returns, and PollStart looks, without waiting, how far the player
// has come, so that the screensaver's window answers its input while a slow player gets ready.
// Destroying a SkitPlayer deletes the argument file but never ends the player: an owner that wants it
// gone calls AskToClose first, or End for a player whose start failed.
#pragma once

#include "playback/SkitArguments.h"
#include "support/WinHandles.h"

#include <windows.h>

#include <cstdint>
#include <string>

class SkitPlayer {
public:
    // The movie is a bare file name in movieFolder, where the player runs and looks for it.
    SkitPlayer(std::string playerPath, std::string movieFolder, std::string movieName);
    ~SkitPlayer();
    SkitPlayer(const SkitPlayer&) = delete;
    SkitPlayer& operator=(const SkitPlayer&) = delete;

    void AddVariable(const std::string& name, const std::string& value) { arguments_.AddVariable(name, value); }
    void AddFormattedVariable(const std::string& name, const char* format, std::int32_t value) {
        arguments_.AddFormattedVariable(name, format, value);
    }

    enum class StartStep { Waiting, Playing, Failed };
    // How long a player has, from its launch, to get ready for input and show its window.
    static constexpr std::uint64_t kStartWaitMs = 5000;

    // Writes the argument file and starts the player process. False when either failed (the reason in
    // ErrorCode or StartError); nothing escapes.
    bool Launch();
    // One look at a launched player, without waiting. Once it is ready for input (or has taken too long
    // for that), joins its input to ours, gives the owner the focus back, and looks for its window, which
    // it raises once found. Waiting until then, Playing from then on, Failed when the player ended or
    // showed no window within kStartWaitMs of its launch, or its input could not be joined; a player
    // that failed may still run (see End). nowMs is the system's tick count.
    StartStep PollStart(HWND owner, std::uint64_t nowMs);
    // True when there is no player, or it ended within the time.
    bool IsFinished(DWORD timeoutMs) const;
    // Puts the player's window back on top of the screensaver without taking the focus from it.
    void BringToFront() const;
    // Lets go of the player's input and asks its window to close; it is never forced, and nothing waits.
    void AskToClose();
    // Ends a player whose start failed. Such a player cannot be asked, since its window was never found,
    // and left to itself it would play unseen behind the screensaver while the show starts the next one.
    void End();

    // The system's code for a failed start of the process or of the input join; 0 otherwise.
    std::uint32_t ErrorCode() const { return errorCode_; }
    // What stopped the start, in the program's words (empty when it did not fail or failed at once).
    const std::string& StartError() const { return startError_; }
    HWND PlayerWindow() const { return window_; }
    const std::string& MovieName() const { return movieName_; }
    const std::string& ArgumentFile() const { return argumentFile_; }

private:
    // Lets go of the player's input, once joined to ours.
    void DetachInput();

    std::string playerPath_;
    std::string movieFolder_;
    std::string movieName_;
    std::string argumentFile_;
    SkitArguments arguments_;
    std::uint32_t errorCode_ = 0;
    std::string startError_;

    UniqueHandle process_;
    UniqueHandle thread_;
    DWORD processId_ = 0;
    DWORD threadId_ = 0;
    std::uint64_t launchedAt_ = 0;
    bool attached_ = false;
    HWND window_ = nullptr;
};

// The top-level window of the thread of the process, in the order the system lists windows. The hidden
// input-method windows that the system gives every thread with windows are not the player's own.
HWND FindPlayerWindow(DWORD processId, DWORD threadId);
