// The program's entry: the start-up sequence of every run mode and the clean-up after it.
#include "app/Application.h"
#include "app/RunModes.h"
#include "app/ScreensaverForm.h"
#include "app/Settings.h"
#include "playback/ScreensaverZolvane.h"
#include "support/TraceLog.h"
#include "ui/WindSettings.h"

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
    switch (RunMode) {
    case rmSaver:
    case rmPreview: {
        auto saver = std::make_unique<TScreensaverZolvane>();
        ScreensaverZolvane = saver.get();
        MakeMainWindow(std::move(saver));
        if (RunMode == rmPreview) {
            EmbedInPreview(nullptr, ScreensaverZolvane->Handle());
        }
        ScreensaverZolvane->Show();
        break;
    }
    case rmPassword:
        // No window: the message loop has nothing to wait for and the program ends.
        ChangePassword();
        break;
    case rmConfig: {
        if (ForwardToRunningSettings()) {
            break;
        }
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
    if (RunMode == rmSaver) {
        SetScreensaverRunning(false);
    }
    SkitLibrary.reset();
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    try {
        ParseCommandLine(ArgumentsOf(GetCommandLineA()));
        // The settings were loaded before this point, whatever the mode; naming them here also keeps
        // them in the program for the modes that do not read them.
        TraceWrite(tlInfo, "Start: run mode %d, ops file %s", static_cast<int>(RunMode), Settings.OpsFilePath);
        if (RunMode == rmSaver) {
            SetScreensaverRunning(true);
        }
        OpenSkitLibraryFor(RunMode, OpenSkitLibrary);
        Application().SetTitle(kApplicationTitle);
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
