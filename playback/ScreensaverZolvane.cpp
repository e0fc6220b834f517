#include "playback/ScreensaverZolvane.h"

#include "app/RunModes.h"
#include "library/SkitCatalog.h"
#include "resources/resource.h"
#include "support/Error.h"

#include <exception>

TScreensaverZolvane* ScreensaverZolvane = nullptr;
bool SkitTickBusy = false;

TScreensaverZolvane::TScreensaverZolvane()
    : PreviewImage(IDB_PREVIEW), SkitTimer(*this, kSkitTimerId, 500, [this] { SkitTimerTimer(); }) {
    ErrorPrefix = "Zolvane";
    PreviewImage.Visible = Mode == rmPreview;
}

void TScreensaverZolvane::CreateParams(TCreateParams& params) {
    TScreensaverForm::CreateParams(params);
    params.ClassName = "TScreensaverZolvane";
}

void TScreensaverZolvane::FormShow() {
    try {
        TScreensaverForm::FormShow();
        if (Mode == rmSaver) {
            SkitTimer.SetInterval(kSkitTimerStartInterval);
            if (ErrorShowing == 0) {
                SkitTimer.SetEnabled(true);
            }
        }
    } catch (const std::exception& error) {
        ShowShowError(error.what());
    } catch (...) {
        ShowShowError("Error initializing screensaver.");
    }
}

void TScreensaverZolvane::Paint(TCanvas& canvas) { PreviewImage.Paint(canvas); }

bool TScreensaverZolvane::HandleMouseInput(UINT /*message*/) { return false; }

bool TScreensaverZolvane::HandleKeyInput(UINT /*message*/, WPARAM /*virtualKey*/) { return false; }

void TScreensaverZolvane::ErrorScrollFinished() {
    HideErrorText();
    SkitTimer.SetInterval(kSkitTimerStartInterval);
    SkitTimer.SetEnabled(true);
}

void TScreensaverZolvane::ShowShowError(const std::string& text) {
    SkitTimer.SetEnabled(false);
    if (Mode != rmSaver) {
        return;
    }
    HWND window = Handle();
    SetWindowLongA(window, GWL_EXSTYLE, GetWindowLongA(window, GWL_EXSTYLE) & ~WS_EX_TRANSPARENT);
    ShowErrorText(text);
}

void TScreensaverZolvane::SkitTimerTimer() {
    if (!SkitLibrary || !SkitLibrary->IsOpen()) {
        ShowShowError(StartupError);
        return;
    }
    if (SkitTickBusy) {
        return;
    }
    struct TickGuard {
        TickGuard() { SkitTickBusy = true; }
        ~TickGuard() { SkitTickBusy = false; }
    } busy;
    if (Closing != 0) {
        return;
    }
    // Choosing and playing the skits joins here with the skit player.
}
