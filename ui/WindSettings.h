// The settings window of configuration mode. For now an empty dialog-style window captioned "Zolvane",
// which closes with its close box; the settings themselves move in here.
//
// Its window class is "TWindSettings": a second configuration process finds the running window by that
// name and tells it (message WM_USER + 2000) instead of opening another one.
#pragma once

#include "app/Form.h"

class TWindSettings : public TForm {
public:
    // The client area, in pixels.
    static constexpr int kClientWidth = 526;
    static constexpr int kClientHeight = 317;

protected:
    void CreateParams(TCreateParams& params) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

extern TWindSettings* WindSettings;
