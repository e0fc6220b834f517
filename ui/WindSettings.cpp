#include "ui/WindSettings.h"

#include "gui/Application.h"
#include "resources/resource.h"

TWindSettings* WindSettings = nullptr;

void TWindSettings::CreateParams(TCreateParams& params) {
    params.ClassName = kWindowClass;
    params.Caption = "Zolvane";
    params.Style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME | WS_CLIPCHILDREN;
    params.ExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTEXTHELP;
    params.Icon = LoadIconA(Application().Instance(), MAKEINTRESOURCEA(IDI_ZOLVANE));

    params.CentreClientOnScreen(kClientWidth, kClientHeight);
}

LRESULT TWindSettings::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // Another configuration process was started: this window stays as it is.
    if (message == kMsgSecondInstance) {
        return 0;
    }
    return TForm::WindowProc(message, wParam, lParam);
}
