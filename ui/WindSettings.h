// The settings window of configuration mode: a dialog-style window captioned "Zolvane" that closes with
// its close box.
//
// Its window class is "TWindSettings": a second configuration process finds the running window by that
// name and tells it (message WM_USER + 2000) instead of opening another one.
#pragma once

#include "gui/Form.h"

class TWindSettings : public TForm {
public:
    // The client area, in pixels.
    static constexpr int kClientWidth = 526;
    static constexpr int kClientHeight = 317;

    static constexpr const char* kWindowClass = "TWindSettings";
    // Tells a running settings window that another one was asked for.
    static constexpr UINT kMsgSecondInstance = WM_USER + 2000;

protected:
    void CreateParams(TCreateParams& params) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

extern TWindSettings* WindSettings;
