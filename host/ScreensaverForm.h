// The screensaver window: a borderless window over the whole screen that hides the pointer, ends on
// input, asks for the Windows 95/98 screensaver password before it lets itself close, will not be
// deactivated, sits inside the display control panel's preview window in preview mode, and can scroll
// an error message along the top of the screen.
//
// It knows nothing of skits: a derived window adds them through HandleMouseInput, HandleKeyInput and
// ErrorScrollFinished.
#pragma once

#include "gui/Canvas.h"
#include "gui/Form.h"
#include "host/RunMode.h"

#include <cstdint>
#include <optional>
#include <string>

// Where the scrolling message stands, in pixels from the left; kErrorScrollNotStarted until the first
// message of the process has been drawn.
constexpr int kErrorScrollNotStarted = 99999;
extern int ErrorScrollX;

class TScreensaverForm : public TForm {
public:
    TScreensaverForm();

    // Starts scrolling the message (or only the prefix, when there is no text). It goes on from where
    // the previous message stood.
    void ShowErrorText(const std::optional<std::string>& text);
    // Stops the scrolling; what has been drawn stays on the screen.
    void HideErrorText();

    // One step of the scrolling message, every 50 ms while it shows.
    void ErrorTimerTimer();

    static constexpr UINT_PTR kErrorTimerId = 1;
    // Movement allowed without ending the screensaver, in screen pixels each way.
    static constexpr std::int32_t kMouseThreshold = 8;

protected:
    void CreateParams(TCreateParams& params) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void FormShow() override;
    void FormClose(TCloseAction& action) override;

    // True when the input was used and must not end the screensaver.
    virtual bool HandleMouseInput(UINT message);
    virtual bool HandleKeyInput(UINT message, WPARAM virtualKey);
    // Called once each time the message has left the screen on the left.
    virtual void ErrorScrollFinished() {}
    // Asks the system's screensaver password provider; true when the screensaver may close.
    virtual bool AskForPassword();
    // True when the screensaver may be left: no password is in use, or it was given. After a refusal
    // the screensaver goes on, and the next movement beyond the threshold asks again.
    bool ConfirmPassword();

    TPaintBox ScreensaverPaintBox;
    TTimer ErrorTimer;

    TRunMode Mode;
    std::int32_t UsePassword = 0;
    std::int32_t Verifying = 0;
    std::int32_t MouseStartX = 0;
    std::int32_t MouseStartY = 0;
    std::int32_t MouseThreshold = kMouseThreshold;
    std::int32_t Closing = 0;
    std::int32_t ErrorShowing = 0;
    std::string ErrorPrefix;
    std::string ScrollText;

private:
    bool SaverInputIsLive() const;
    void RememberMousePosition();
    bool MovedBeyondThreshold() const;
};

// Whether the user asked for the screensaver password ("ScreenSaveUsePassword" under
// HKEY_CURRENT_USER\Control Panel\Desktop): a number of up to four bytes, or a text of decimal digits
// as some setups store it; 0 when it cannot be read.
std::int32_t ReadUsePassword();

// The system's password check for the screensaver ("VerifyScreenSavePwd" of "PASSWORD.CPL"). True when
// the screensaver may close: also when the system has no such check.
bool VerifyPassword(HWND window);

// Tells the system that a screensaver runs, or no longer does.
void SetScreensaverRunning(bool running);

// Puts the screensaver window into the start-up value ParentWindow, disabled and filling its client
// area. The application window, where there is one, goes along hidden; this program has none and passes
// no window.
void EmbedInPreview(HWND applicationWindow, HWND screensaverWindow);

// The program's file with ".ini" for its extension.
std::string IniFileName();
// Writes one value into the program's ini file; a null key deletes the section, a null value the key.
void WriteIniValue(const char* section, const char* key, const char* value);
