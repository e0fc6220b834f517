#include "host/ScreensaverForm.h"

#include "gui/Application.h"
#include "host/Startup.h"
#include "support/FileNames.h"
#include "support/System.h"
#include "support/SystemLibraries.h"
#include "support/WinHandles.h"

int ErrorScrollX = kErrorScrollNotStarted;

TScreensaverForm::TScreensaverForm()
    : ScreensaverPaintBox(*this), ErrorTimer(*this, kErrorTimerId, 50, [this] { ErrorTimerTimer(); }),
      Mode(Startup().RunMode) {
    ScreensaverPaintBox.Color = RGB(0, 0, 0);
    ScreensaverPaintBox.Font.Color = RGB(255, 255, 255);
    if (Mode == rmSaver) {
        SetWindowState(wsMaximized);
    }
}

void TScreensaverForm::CreateParams(TCreateParams& params) {
    params.ClassName = "TScreensaverForm";
    params.Caption = Application().Title();
    params.Style = WS_POPUP | WS_CLIPCHILDREN;
    // In preview mode the window takes no input at all.
    if (Mode == rmPreview) {
        params.Style |= WS_DISABLED;
    }
    if (Mode == rmSaver) {
        params.ExStyle |= WS_EX_TOPMOST;
    }
    params.Background = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
}

void TScreensaverForm::FormShow() {
    if (Mode == rmSaver) {
        SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    if (Mode == rmPreview) {
        EmbedInPreview(nullptr, Handle());
    }
    UsePassword = ReadUsePassword();
    RememberMousePosition();
}

bool TScreensaverForm::SaverInputIsLive() const { return Closing == 0 && Mode == rmSaver && Verifying == 0; }

void TScreensaverForm::RememberMousePosition() {
    POINT position{0, 0};
    GetCursorPos(&position);
    MouseStartX = position.x;
    MouseStartY = position.y;
}

bool TScreensaverForm::MovedBeyondThreshold() const {
    POINT position{0, 0};
    GetCursorPos(&position);
    const std::int32_t dx = position.x > MouseStartX ? position.x - MouseStartX : MouseStartX - position.x;
    const std::int32_t dy = position.y > MouseStartY ? position.y - MouseStartY : MouseStartY - position.y;
    return dx > MouseThreshold || dy > MouseThreshold;
}

LRESULT TScreensaverForm::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETCURSOR:
        if (SaverInputIsLive()) {
            SetCursor(nullptr);
            return 0;
        }
        break;
    case WM_NCACTIVATE:
        // Keeps the active look: the screensaver stays the window that input goes to.
        if (wParam == 0 && Mode == rmSaver) {
            return 1;
        }
        break;
    case WM_SYSCOMMAND: {
        // Neither a second screensaver nor Close from the system menu: only input ends this one.
        const WPARAM command = wParam & 0xFFF0;
        if (Mode == rmSaver && (command == SC_SCREENSAVE || command == SC_CLOSE)) {
            return 0;
        }
        break;
    }
    case WM_MOUSEMOVE:
        if (SaverInputIsLive() && MovedBeyondThreshold()) {
            if (HandleMouseInput(message)) {
                RememberMousePosition();
                return 0;
            }
            Close();
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (SaverInputIsLive()) {
            if (HandleMouseInput(message)) {
                return 0;
            }
            Close();
        }
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (SaverInputIsLive()) {
            if (HandleKeyInput(message, wParam)) {
                return 0;
            }
            // With a password in use a key asks for it, as the mouse does, or any key would get past it.
            // Without one it ends the program at once.
            if (UsePassword != 0) {
                Close();
                return 0;
            }
            Application().Terminate();
        }
        break;
    default:
        break;
    }
    return TForm::WindowProc(message, wParam, lParam);
}

bool TScreensaverForm::HandleMouseInput(UINT /*message*/) { return false; }

bool TScreensaverForm::HandleKeyInput(UINT /*message*/, WPARAM /*virtualKey*/) { return false; }

bool TScreensaverForm::AskForPassword() { return VerifyPassword(Handle()); }

void TScreensaverForm::FormClose(TCloseAction& action) {
    if (Closing != 0) {
        return;
    }
    Closing = 1;
    if (!ConfirmPassword()) {
        action = caNone;
        Closing = 0;
        return;
    }
    SetWindowState(wsNormal);
}

bool TScreensaverForm::ConfirmPassword() {
    if (Mode != rmSaver || UsePassword == 0) {
        return true;
    }
    Verifying = 1;
    const bool accepted = AskForPassword();
    Verifying = 0;
    if (!accepted) {
        RememberMousePosition();
        SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    }
    return accepted;
}

void TScreensaverForm::ShowErrorText(const std::optional<std::string>& text) {
    ErrorShowing = 1;
    ErrorTimer.SetEnabled(true);
    if (!ErrorPrefix.empty()) {
        ScrollText = text ? ErrorPrefix + ": " + *text : ErrorPrefix;
    } else {
        ScrollText = text ? *text : std::string();
    }
}

void TScreensaverForm::HideErrorText() {
    ErrorShowing = 0;
    ErrorTimer.SetEnabled(false);
}

void TScreensaverForm::ErrorTimerTimer() {
    const RECT client = ScreensaverPaintBox.ClientRect();
    TWindowCanvas canvas = ScreensaverPaintBox.Canvas();
    if (ErrorScrollX == kErrorScrollNotStarted) {
        canvas->FillRect(client);
        ErrorScrollX = client.right;
    }
    canvas->WriteText(ErrorScrollX, 0, ScrollText);
    // The text moved 2 pixels left since the last step: wipe the column its end left behind.
    const SIZE extent = canvas->TextExtent(ScrollText);
    canvas->FillRect(RECT{ErrorScrollX + extent.cx, 0, ErrorScrollX + extent.cx + 2, extent.cy});
    ErrorScrollX -= 2;
    if (ErrorScrollX + extent.cx < 0) {
        ErrorScrollX = client.right;
        ErrorScrollFinished();
    }
}

std::int32_t ReadUsePassword() {
    char path[256] = "Control Panel\\Desktop";
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, 0x2001F, &opened) != ERROR_SUCCESS) {
        return 0;
    }
    const UniqueRegKey key(opened);
    // Room for a number's text; a value longer than that is not the flag.
    unsigned char data[16] = {};
    DWORD type = REG_NONE;
    DWORD size = sizeof data;
    if (RegQueryValueExA(key.Get(), "ScreenSaveUsePassword", nullptr, &type, data, &size) != ERROR_SUCCESS) {
        return 0;
    }
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        // "0" is no password, as a number 0 is; a text that is no number counts as unreadable.
        std::int32_t value = 0;
        std::size_t i = 0;
        for (; i < size && data[i] >= '0' && data[i] <= '9'; ++i) {
            value = value * 10 + (data[i] - '0');
            if (value > 1000000) {
                return 0;
            }
        }
        const bool ended = i == size || data[i] == '\0';
        return i > 0 && ended ? value : 0;
    }
    if (size > 4) {
        return 0;
    }
    std::uint32_t value = 0;
    for (DWORD i = 0; i < size; ++i) {
        value |= static_cast<std::uint32_t>(data[i]) << (8 * i);
    }
    return static_cast<std::int32_t>(value);
}

bool VerifyPassword(HWND window) {
    using VerifyFunction = BOOL(WINAPI*)(HWND window);
    const UniqueModule passwords = LoadSystemLibrary("PASSWORD.CPL");
    if (!passwords) {
        return true;
    }
    const auto verify = ModuleFunction<VerifyFunction>(passwords.Get(), "VerifyScreenSavePwd");
    if (verify == nullptr) {
        return true;
    }
    // The password dialog needs the pointer that the screensaver hides.
    ShowCursor(TRUE);
    const BOOL accepted = verify(window);
    ShowCursor(FALSE);
    return accepted != FALSE;
}

void SetScreensaverRunning(bool running) {
    BOOL previous = FALSE;
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, running ? TRUE : FALSE, &previous, 0);
}

void EmbedInPreview(HWND applicationWindow, HWND screensaverWindow) {
    const HWND foreground = Startup().StartForeground;
    const HWND parent = Startup().ParentWindow;
    if (foreground != nullptr && IsWindow(foreground)) {
        SetForegroundWindow(foreground);
    }
    if (applicationWindow != nullptr) {
        ShowWindow(applicationWindow, SW_HIDE);
        SetParent(applicationWindow, parent);
        SetWindowLongA(applicationWindow, GWL_STYLE, WS_CHILD | WS_DISABLED);
    }
    SetParent(screensaverWindow, parent);
    SetWindowLongA(screensaverWindow, GWL_STYLE, WS_CHILD | WS_DISABLED);
    if (parent != nullptr && IsWindow(parent)) {
        RECT client{0, 0, 0, 0};
        GetClientRect(parent, &client);
        MoveWindow(screensaverWindow, 0, 0, client.right, client.bottom, FALSE);
    }
}

std::string IniFileName() { return WithExtension(sys::ModuleFileName(), ".ini"); }

void WriteIniValue(const char* section, const char* key, const char* value) {
    WritePrivateProfileStringA(section, key, value, IniFileName().c_str());
}
