#include "app/RunModes.h"

#include "support/Error.h"
#include "support/SystemLibraries.h"
#include "support/WinHandles.h"
#include "ui/WindSettings.h"

TRunMode ParseCommandLine(const std::string& arguments) {
    TStartup& startup = MutableStartup();
    startup.StartForeground = GetForegroundWindow();
    const RunModeChoice choice = ChooseRunMode(arguments);
    startup.RunMode = choice.mode;
    switch (choice.parent) {
    case ParentSource::None:
        startup.ParentWindow = nullptr;
        break;
    case ParentSource::Foreground:
        startup.ParentWindow = GetForegroundWindow();
        break;
    case ParentSource::AfterLetter:
        startup.ParentWindow = ParseWindowHandle(choice.rest);
        break;
    }
    return startup.RunMode;
}

HWND ParseWindowHandle(const std::string& text) {
    HWND window = reinterpret_cast<HWND>(static_cast<INT_PTR>(ReadWindowNumber(text)));
    return window != nullptr && IsWindow(window) ? window : nullptr;
}

void OpenSkitLibraryFor(TRunMode mode, const std::function<SkitLibraryPtr(bool allowReadOnly)>& open) {
    TStartup& startup = MutableStartup();
    if (mode == rmConfig) {
        startup.SkitLibrary = open(false);
        return;
    }
    if (mode != rmSaver) {
        return;
    }
    // The screensaver must blank the screen whatever state the data is in: it scrolls the reason instead.
    try {
        startup.SkitLibrary = open(true);
    } catch (const std::exception& error) {
        startup.StartupError = error.what();
    } catch (...) {
    }
}

bool EmbeddedInPreview(HWND preview) {
    const HWND parent = Startup().ParentWindow;
    return parent != nullptr && IsWindow(parent) && GetAncestor(preview, GA_PARENT) == parent;
}

void ChangePassword() {
    using PwdChangePasswordFunction = DWORD(WINAPI*)(LPCSTR provider, HWND parent, DWORD reserved1, DWORD reserved2);
    const UniqueModule mpr = LoadSystemLibrary("MPR.DLL");
    if (!mpr) {
        return;
    }
    const auto change = ModuleFunction<PwdChangePasswordFunction>(mpr.Get(), "PwdChangePasswordA");
    if (change != nullptr) {
        change("SCRSAVE", Startup().ParentWindow, 0, 0);
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
    HWND running = FindWindowA(TWindSettings::kWindowClass, nullptr);
    if (running == nullptr) {
        return false;
    }
    PostMessageA(running, TWindSettings::kMsgSecondInstance, 0, 0);
    // The user asked for the settings: they get the window that is open, with a box it shows in front.
    // This process may set the foreground because the user has just started it.
    if (IsIconic(running)) {
        ShowWindowAsync(running, SW_RESTORE);
    }
    SetForegroundWindow(GetLastActivePopup(running));
    return true;
}
