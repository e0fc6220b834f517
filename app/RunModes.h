// The run modes and what start-up shares between them: the process-wide values that it sets once, the
// command line, the skit library, the screensaver flag, the password change and the single settings
// window. Main.cpp puts them together into the program's start-up sequence.
#pragma once

#include "app/CommandLine.h"
#include "app/SkitLibrary.h"

#include <windows.h>

#include <functional>
#include <string>

extern TRunMode RunMode;
// The window named on the command line for preview and password change; none otherwise.
extern HWND ParentWindow;
// The foreground window when the program started.
extern HWND StartForeground;
// What the screensaver scrolls when its skit library could not be opened.
extern std::string StartupError;

constexpr const char* kDefaultStartupError =
    "Data files missing or corrupt. You may need to reinstall this screensaver.";
constexpr const char* kApplicationTitle = "Zolvane Screensaver";
constexpr const char* kSettingsMutexName = "ZolvaneScreensaverConfiguration";
constexpr const char* kSettingsWindowClass = "TWindSettings";
// Tells a running settings window that another one was asked for.
constexpr UINT kMsgSecondInstance = WM_USER + 2000;

// Sets StartForeground, RunMode and ParentWindow from the arguments (without the program's name).
TRunMode ParseCommandLine(const std::string& arguments);
// The window whose number starts the text, or none when there is none or it is no window.
HWND ParseWindowHandle(const std::string& text);

// Start-up's step for the skit library: in the screensaver it opens the library read-only if need be
// and keeps a failure's text in StartupError (the screensaver still runs); in the settings a failure
// raises. The other modes need no library.
void OpenSkitLibraryFor(TRunMode mode, const std::function<SkitLibraryPtr(bool allowReadOnly)>& open);

// Tells the system that a screensaver runs, or no longer does.
void SetScreensaverRunning(bool running);

// The system's password change for the screensaver, when the system has one; owned by ParentWindow.
void ChangePassword();

// True when another settings window is open: it has been told and this process must not open one. The
// first call makes the named mutex that marks a running settings process; it stays until the process
// ends.
bool ForwardToRunningSettings();
