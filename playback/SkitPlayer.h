// SkitPlayer: one skit played by the external player program, watched from outside.
//
// The player is started without arguments, in the folder of the movies, and reads the argument file
// written for it in the user's own folder (SkitArguments.h); its input is joined to ours, its top-level window is found
// and put on top, and it is polled until it ends. Destroying a SkitPlayer deletes the argument file but never ends the
// player: an owner that wants it gone calls Stop first.
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

    // Writes the argument file, starts the player, joins its input to ours, gives the owner the focus
    // back, and finds and raises the player's window. False when any step failed; nothing escapes.
    bool Start(HWND owner);
    // True when there is no player, or it ended within the time.
    bool IsFinished(DWORD timeoutMs) const;
    // Puts the player's window back on top of the screensaver without taking the focus from it.
    void BringToFront() const;
    // Asks the player to close (it is never forced) and waits up to the time for it to end.
    bool Stop(DWORD timeoutMs);

    // The system's code for a failed start of the process or of the input join; 0 otherwise.
    std::uint32_t ErrorCode() const { return errorCode_; }
    // What stopped the start, in the program's words (empty when it did not fail or failed at once).
    const std::string& StartError() const { return startError_; }
    HWND PlayerWindow() const { return window_; }
    const std::string& ArgumentFile() const { return argumentFile_; }

private:
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
    HWND window_ = nullptr;
};

// The top-level window of the thread of the process, in the order the system lists windows. The hidden
// input-method windows that the system gives every thread with windows are not the player's own.
HWND FindPlayerWindow(DWORD processId, DWORD threadId);
