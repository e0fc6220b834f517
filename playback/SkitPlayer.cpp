#include "playback/SkitPlayer.h"

#include "support/Error.h"
#include "support/ErrorCodes.h"

#include <cstring>
#include <exception>

namespace {

struct WindowSearch {
    DWORD processId;
    DWORD threadId;
    HWND found;
};

bool IsInputMethodWindow(HWND window) {
    char name[32] = "";
    GetClassNameA(window, name, sizeof name);
    return std::strcmp(name, "IME") == 0 || std::strcmp(name, "MSCTFIME UI") == 0;
}

BOOL CALLBACK VisitWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<WindowSearch*>(data);
    DWORD processId = 0;
    const DWORD threadId = GetWindowThreadProcessId(window, &processId);
    if (threadId == search->threadId && processId == search->processId && !IsInputMethodWindow(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

HWND FindPlayerWindow(DWORD processId, DWORD threadId) {
    WindowSearch search{processId, threadId, nullptr};
    EnumWindows(&VisitWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

SkitPlayer::SkitPlayer(std::string playerPath, std::string movieFolder, std::string movieName)
    : playerPath_(std::move(playerPath)), movieFolder_(std::move(movieFolder)), movieName_(std::move(movieName)),
      // Without a player there is no argument file either: its name comes from the player's.
      argumentFile_(playerPath_.empty() ? std::string() : UserArgumentFilePath(playerPath_)) {}

SkitPlayer::~SkitPlayer() {
    thread_.Reset();
    process_.Reset();
    processId_ = 0;
    threadId_ = 0;
    window_ = nullptr;
    if (!argumentFile_.empty()) {
        DeleteFileA(argumentFile_.c_str());
    }
}

bool SkitPlayer::Launch() {
    try {
        if (playerPath_.empty()) {
            throw EZolvaneError("No skit player is set up: the setting Player is empty.");
        }
        if (argumentFile_.empty()) {
            throw EZolvaneError("The skit player's argument file has no place: the user has no folder for "
                                "the program's files.");
        }
        arguments_.AddVariable("SS_Swf", movieName_);
        WriteArgumentFile(argumentFile_, arguments_.Text());

        // The player runs in the folder of the movies, where it finds the movie by its bare name.
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!CreateProcessA(playerPath_.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr,
                            movieFolder_.empty() ? nullptr : movieFolder_.c_str(), &startup, &info)) {
            errorCode_ = LastErrorCode();
            return false;
        }
        process_.Reset(info.hProcess);
        thread_.Reset(info.hThread);
        processId_ = info.dwProcessId;
        threadId_ = info.dwThreadId;
        launchedAt_ = GetTickCount64();
        return true;
    } catch (const std::exception& error) {
        startError_ = error.what();
    } catch (...) {
        startError_ = "The skit player could not be started.";
    }
    return false;
}

SkitPlayer::StartStep SkitPlayer::PollStart(HWND owner, std::uint64_t nowMs) {
    if (!process_) {
        return StartStep::Failed;
    }
    try {
        const bool late = nowMs - launchedAt_ >= kStartWaitMs;
        if (IsFinished(0)) {
            throw EZolvaneError("Unable to locate program window.");
        }
        if (!attached_) {
            if (WaitForInputIdle(process_.Get(), 0) == WAIT_TIMEOUT && !late) {
                return StartStep::Waiting;
            }
            if (!AttachThreadInput(threadId_, GetCurrentThreadId(), TRUE)) {
                errorCode_ = LastErrorCode();
                throw EZolvaneError("AttachThreadInput failed. " + ErrorText(errorCode_));
            }
            attached_ = true;
            // The screensaver keeps the keyboard while the player shows the movie.
            if (owner != nullptr) {
                SetForegroundWindow(owner);
                SetFocus(owner);
            }
        }
        // A player may make its window a moment after it first waits for input: it is looked for again
        // on each call until its time is up.
        window_ = FindPlayerWindow(processId_, threadId_);
        if (window_ == nullptr) {
            if (!late) {
                return StartStep::Waiting;
            }
            throw EZolvaneError("Unable to locate program window.");
        }
        SetWindowLongA(window_, GWL_EXSTYLE, GetWindowLongA(window_, GWL_EXSTYLE) | WS_EX_TOPMOST);
        BringToFront();
        return StartStep::Playing;
    } catch (const std::exception& error) {
        startError_ = error.what();
    } catch (...) {
        startError_ = "The skit player could not be started.";
    }
    return StartStep::Failed;
}

void SkitPlayer::BringToFront() const {
    // Only the window's place in the stack changes, never its position or size: the player lays out its
    // own window. The style bit alone would leave it beneath the screensaver's window, which is topmost
    // too, and the skit would play unseen.
    if (window_ != nullptr) {
        SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

bool SkitPlayer::IsFinished(DWORD timeoutMs) const {
    return !process_ || WaitForSingleObject(process_.Get(), timeoutMs) == WAIT_OBJECT_0;
}

void SkitPlayer::DetachInput() {
    if (attached_) {
        AttachThreadInput(threadId_, GetCurrentThreadId(), FALSE);
        attached_ = false;
    }
}

void SkitPlayer::AskToClose() {
    DetachInput();
    if (window_ != nullptr) {
        PostMessageA(window_, WM_CLOSE, 0, 0);
    }
}

void SkitPlayer::End() {
    DetachInput();
    if (process_ && !IsFinished(0)) {
        TerminateProcess(process_.Get(), 1);
    }
}
