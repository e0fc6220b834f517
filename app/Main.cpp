// The program's entry: the start-up sequence of every run mode and the clean-up after it.
#include "app/RunModes.h"
#include "app/SkitLibrary.h"
#include "gui/Application.h"
#include "host/ScreensaverForm.h"
#include "host/Settings.h"
#include "host/Startup.h"
#include "playback/ScreensaverZolvane.h"
#include "resources/version.h"
#include "support/SystemLibraries.h"
#include "support/TraceLog.h"
#include "ui/WindSettings.h"
#include "ui/WindStatus.h"

#include <windows.h>

#include <memory>

namespace {

// The main window of the run, when the mode has one.
std::unique_ptr<TForm> MainWindow;

void MakeMainWindow(std::unique_ptr<TForm> form) {
    Application().SetMainForm(form.get());
    MainWindow = std::move(form);
}

void CreateWindowForMode() {
    switch (Startup().RunMode) {
    case rmSaver:
    case rmPreview: {
        const bool preview = Startup().RunMode == rmPreview;
        if (preview && Startup().ParentWindow == nullptr) {
            // No window to draw into, and so none whose end would end the preview: the program ends.
            break;
        }
        auto saver = std::make_unique<TScreensaverZolvane>(MakeWindStatus);
        ScreensaverZolvane = saver.get();
        MakeMainWindow(std::move(saver));
        if (preview) {
            EmbedInPreview(nullptr, ScreensaverZolvane->Handle());
        }
        ScreensaverZolvane->Show();
        if (preview && !EmbeddedInPreview(ScreensaverZolvane->Handle())) {
            // The window went before the preview got into it; had it gone after, the preview would have
            // gone with it.
            Application().Terminate();
        }
        break;
    }
    case rmPassword:
        // No window: the message loop has nothing to wait for and the program ends.
        ChangePassword();
        break;
    case rmConfig: {
        auto settings = std::make_unique<TWindSettings>();
        WindSettings = settings.get();
        MakeMainWindow(std::move(settings));
        WindSettings->Show();
        break;
    }
    }
}

// Runs once after the message loop, or before an error that ended start-up is shown.
void CleanUp() {
    Application().SetMainForm(nullptr);
    ScreensaverZolvane = nullptr;
    WindSettings = nullptr;
    MainWindow.reset();
    if (Startup().RunMode == rmSaver) {
        SetScreensaverRunning(false);
    }
    MutableStartup().SkitLibrary.reset();
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Before anything loads a DLL: a screensaver's current folder is wherever it was started from, and
    // the password DLLs it asks for are missing on many systems.
    LoadLibrariesFromSystemOnly();
    try {
        const TRunMode mode = ParseCommandLine(ArgumentsOf(GetCommandLineA()));
        // The settings were loaded before this point, whatever the mode; naming them here also keeps
        // them in the program for the modes that do not read them.
        TraceWrite(tlInfo, "Start: run mode %d, ops file %s", static_cast<int>(mode), Settings.OpsFilePath);
        if (mode == rmSaver) {
            SetScreensaverRunning(true);
        }
        // A second settings process would find the ops file held by the first, and fail where it should
        // only hand over: it looks for the running window before it opens anything.
        if (mode == rmConfig && ForwardToRunningSettings()) {
            CleanUp();
            return 0;
        }
        OpenSkitLibraryFor(mode, OpenSkitLibrary);
        Application().SetTitle(ZOLVANE_PRODUCT_NAME);
        CreateWindowForMode();
        Application().Run();
        CleanUp();
    } catch (...) {
        // Whatever went wrong, the system must not go on believing that a screensaver runs.
        try {
            CleanUp();
        } catch (...) {
        }
        Application().HandleException();
    }
    return 0;
}
