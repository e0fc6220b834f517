// The skit show: the screensaver window of Zolvane. In screensaver mode a timer drives the show one
// step at a time; in preview mode it shows the preview picture on black.
#pragma once

#include "app/Canvas.h"
#include "app/ScreensaverForm.h"

#include <string>

class TScreensaverZolvane : public TScreensaverForm {
public:
    TScreensaverZolvane();

    // One step of the show.
    void SkitTimerTimer();

    static constexpr UINT_PTR kSkitTimerId = 2;
    static constexpr UINT kSkitTimerStartInterval = 50;

protected:
    void CreateParams(TCreateParams& params) override;
    void FormShow() override;
    void Paint(TCanvas& canvas) override;
    bool HandleMouseInput(UINT message) override;
    bool HandleKeyInput(UINT message, WPARAM virtualKey) override;
    // After a message has scrolled across once, the show tries again.
    void ErrorScrollFinished() override;

    // Stops the show and scrolls the text; in preview nothing is shown.
    void ShowShowError(const std::string& text);

    TPicture PreviewImage;
    TTimer SkitTimer;
};

extern TScreensaverZolvane* ScreensaverZolvane;

// Keeps SkitTimerTimer from running inside itself, while a box or another message loop runs in a step.
extern bool SkitTickBusy;
