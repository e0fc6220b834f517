#include "playback/SkitPlayer.h"

#include "support/Error.h"
#include "support/ErrorCodes.h"

#include <cstring>
#include <exception>

namespace {

// How long the player may take to get ready for input before we look for its window.
constexpr DWORD kInputIdleWaitMs = 5000;

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
      argumentFile_(UserArgumentFilePath(playerPath_)) {}

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

bool SkitPlayer::Start(HWND owner) {
    try {
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

        WaitForInputIdle(process_.Get(), kInputIdleWaitMs);
        if (!AttachThreadInput(threadId_, GetCurrentThreadId(), TRUE)) {
            errorCode_ = LastErrorCode();
            throw EZolvaneError("AttachThreadInput failed. " + ErrorText(errorCode_));
        }
        // The screensaver keeps the keyboard while the player shows the movie.
        if (owner != nullptr) {
            SetForegroundWindow(owner);
            SetFocus(owner);
        }
        window_ = FindPlayerWindow(processId_, threadId_);
        if (window_ == nullptr) {
            throw EZolvaneError("Unable to locate program window.");
        }
        SetWindowLongA(window_, GWL_EXSTYLE, GetWindowLongA(window_, GWL_EXSTYLE) | WS_EX_TOPMOST);
        BringToFront();
        return true;
    } catch (const std::exception& error) {
        startError_ = error.what();
    } catch (...) {
        startError_ = "The skit player could not be started.";
    }
    return false;
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

bool SkitPlayer::Stop(DWORD timeoutMs) {
    if (process_) {
        AttachThreadInput(threadId_, GetCurrentThreadId(), FALSE);
    }
    if (window_ != nullptr) {
        PostMessageA(window_, WM_CLOSE, 0, 0);
    }
    return IsFinished(timeoutMs);
}
