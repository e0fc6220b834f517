#include "app/RunModes.h"

#include "support/Error.h"
#include "support/WinHandles.h"

TRunMode RunMode = rmConfig;
HWND ParentWindow = nullptr;
HWND StartForeground = nullptr;
std::string StartupError = kDefaultStartupError;

TRunMode ParseCommandLine(const std::string& arguments) {
    StartForeground = GetForegroundWindow();
    const RunModeChoice choice = ChooseRunMode(arguments);
    RunMode = choice.mode;
    switch (choice.parent) {
    case ParentSource::None:
        ParentWindow = nullptr;
        break;
    case ParentSource::Foreground:
        ParentWindow = GetForegroundWindow();
        break;
    case ParentSource::AfterLetter:
        ParentWindow = ParseWindowHandle(choice.rest);
        break;
    }
    return RunMode;
}

HWND ParseWindowHandle(const std::string& text) {
    HWND window = reinterpret_cast<HWND>(static_cast<INT_PTR>(ReadWindowNumber(text)));
    return window != nullptr && IsWindow(window) ? window : nullptr;
}

void OpenSkitLibraryFor(TRunMode mode, const std::function<SkitLibraryPtr(bool allowReadOnly)>& open) {
    if (mode == rmConfig) {
        SkitLibrary = open(false);
        return;
    }
    if (mode != rmSaver) {
        return;
    }
    // The screensaver must blank the screen whatever state the data is in: it scrolls the reason instead.
    try {
        SkitLibrary = open(true);
    } catch (const std::exception& error) {
        StartupError = error.what();
    } catch (...) {
    }
}

void SetScreensaverRunning(bool running) {
    BOOL previous = FALSE;
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, running ? TRUE : FALSE, &previous, 0);
}

void ChangePassword() {
    using PwdChangePasswordFunction = DWORD(WINAPI*)(LPCSTR provider, HWND parent, DWORD reserved1, DWORD reserved2);
    const UniqueModule mpr(LoadLibraryA("MPR.DLL"));
    if (!mpr) {
        return;
    }
    const auto change = ModuleFunction<PwdChangePasswordFunction>(mpr.Get(), "PwdChangePasswordA");
    if (change != nullptr) {
        change("SCRSAVE", ParentWindow, 0, 0);
    }
}

bool ForwardToRunningSettings() {
    // Never closed: while this process lives, a second settings process sees it.
    static UniqueHandle mutex;
    HANDLE made = CreateMutexA(nullptr, FALSE, kSettingsMutexName);
    const DWORD status = GetLastError();
    mutex.Reset(made);
    if (status != ERROR_ALREADY_EXISTS) {
        return false;
    }
    HWND running = FindWindowA(kSettingsWindowClass, nullptr);
    if (running == nullptr) {
        return false;
    }
    PostMessageA(running, kMsgSecondInstance, 0, 0);
    return true;
}
