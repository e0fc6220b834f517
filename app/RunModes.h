// The run modes' steps of start-up: the command line into the start-up values, the skit library, the
// password change and the single settings window. Main.cpp puts them together into the program's
// start-up sequence.
#pragma once

#include "app/CommandLine.h"
#include "app/SkitLibrary.h"
#include "host/Startup.h"

#include <windows.h>

#include <functional>
#include <string>

// Marks a running settings process, so that a second one hands over instead of opening.
constexpr const char* kSettingsMutexName = "ZolvaneScreensaverConfiguration";

// Sets the start-up values StartForeground, RunMode and ParentWindow from the arguments (without the
// program's name).
TRunMode ParseCommandLine(const std::string& arguments);
// The window whose number starts the text, or none when there is none or it is no window.
HWND ParseWindowHandle(const std::string& text);

// Start-up's step for the skit library: in the screensaver it opens the library read-only if need be
// and keeps a failure's text in the start-up value StartupError (the screensaver still runs); in the
// settings a failure raises. The other modes need no library. The library goes into the start-up values.
void OpenSkitLibraryFor(TRunMode mode, const std::function<SkitLibraryPtr(bool allowReadOnly)>& open);

// Whether the preview window has got into the window named on the command line. One that has not (no
// window was named, or it was gone before the preview got in) would never end, since only that window
// going ends a preview.
bool EmbeddedInPreview(HWND preview);

// The system's password change for the screensaver, when the system has one; owned by ParentWindow.
void ChangePassword();

// True when another settings window is open: it has been told, brought to the front, and this process
// must not open one. The first call makes the named mutex that marks a running settings process; it stays
// until the process ends.
bool ForwardToRunningSettings();
