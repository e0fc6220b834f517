#include "ui/WindStatus.h"

#include "gui/Application.h"
#include "gui/Controls.h"
#include "support/MessageBoxes.h"

#include <commctrl.h>

TWindStatus::TWindStatus(TForm* notifyWindow) : NotifyWindow(notifyWindow) { Handle(); }

DownloadProgressPtr MakeWindStatus(TForm& notifyWindow) { return DownloadProgressPtr(new TWindStatus(&notifyWindow)); }

void TWindStatus::Release() {
    // The question's box runs on this window: it must outlive the answer, and the close that follows it.
    if (asking_) {
        released_ = true;
        return;
    }
    delete this;
}

void TWindStatus::ShowProgress() {
    Show();
    UpdateWindow(WindowHandle());
}

bool TWindStatus::IsShowing() const { return IsWindowVisible(WindowHandle()) != FALSE; }

void TWindStatus::CreateParams(TCreateParams& params) {
    params.ClassName = "TWindStatus";
    params.Caption = "Zolvane Download Progress";
    params.Style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    // The dialog manager moves the focus and turns Enter and Esc into the button's command.
    params.ExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    params.Parent = NotifyWindow != nullptr ? NotifyWindow->Handle() : nullptr;
    params.CentreClientOnScreen(kClientWidth, kClientHeight);
}

void TWindStatus::CreateControls() {
    const HWND window = WindowHandle();
    font_ = MakeFont("MS Sans Serif", -11);
    TxtProcess = CreateControl(window, "STATIC", "", SS_LEFTNOWORDWRAP, PlaceAt(40, 16, 313, 16), -1, font_.Get());
    TxtActivity = CreateControl(window, "STATIC", "", SS_LEFTNOWORDWRAP, PlaceAt(40, 40, 313, 16), -1, font_.Get());
    BarProgress = CreateControl(window, PROGRESS_CLASSA, "", 0, PlaceAt(40, 64, 313, 16), -1, font_.Get());
    SetProgress(BarProgress, 0, 100, 0);
    // The one button is both the default (Enter) and the cancel (Esc) button.
    BtnCancel = CreateControl(window, "BUTTON", "&Cancel", BS_DEFPUSHBUTTON | WS_TABSTOP, PlaceAt(151, 89 + 8, 75, 25),
                              IDCANCEL, font_.Get());
}

LRESULT TWindStatus::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        CreateControls();
        return 0;
    case kMsgReleased:
        delete this;
        return 0;
    case DM_GETDEFID:
        return MAKELRESULT(IDCANCEL, DC_HASDEFID);
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) {
            BtnCancelClick();
            return 0;
        }
        break;
    default:
        break;
    }
    return TForm::WindowProc(message, wParam, lParam);
}

void TWindStatus::SetProcessText(const std::string& text) { SetControlText(TxtProcess, text); }

void TWindStatus::SetActivityText(const std::string& text) { SetControlText(TxtActivity, text); }

void TWindStatus::SetBarProgress(int minimum, int maximum, int position) {
    SetProgress(BarProgress, minimum, maximum, position);
}

std::string TWindStatus::ProcessText() const { return ControlText(TxtProcess); }

std::string TWindStatus::ActivityText() const { return ControlText(TxtActivity); }

void TWindStatus::BtnCancelClick() {
    Cancelled = 1;
    Close();
}

void TWindStatus::FormClose(TCloseAction& action) {
    if (!IsWindowVisible(WindowHandle())) {
        return;
    }
    asking_ = true;
    const int answer = ShowMessageBox(WindowHandle(), "Are you sure you want to cancel downloading?",
                                      Application().Title(), MB_YESNO | MB_ICONQUESTION);
    asking_ = false;
    if (released_) {
        PostMessageA(WindowHandle(), kMsgReleased, 0, 0);
    }
    if (answer != IDYES) {
        action = caNone;
        return;
    }
    // A window released meanwhile has no download left to cancel.
    if (!released_ && NotifyWindow != nullptr && NotifyWindow->HandleAllocated()) {
        PostMessageA(NotifyWindow->WindowHandle(), kMsgCancelDownload, 0, 0);
    }
}

void TWindStatus::FormHide() {
    if (NotifyWindow != nullptr) {
        NotifyWindow->SetEnabled(true);
    }
}
