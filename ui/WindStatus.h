// The download progress window: a line for what runs, a line for what it is doing now, a progress bar
// and a Cancel button. The window that starts a download sequence makes it, fills it from a timer and
// destroys it when the sequence is over; the window itself only asks about cancelling.
//
// Cancel, Enter, Esc and the close box all ask "Are you sure you want to cancel downloading?"; Yes
// posts the cancel message to NotifyWindow and hides this window, which enables NotifyWindow again.
#pragma once

#include "gui/Form.h"
#include "support/WinHandles.h"

#include <cstdint>
#include <string>

class TWindStatus : public TForm {
public:
    static constexpr int kClientWidth = 377;
    static constexpr int kClientHeight = 130;
    // Posted to NotifyWindow, both parameters 0, when the user confirms a cancel.
    static constexpr UINT kMsgCancelDownload = WM_USER + 0x300;

    // The window is made at once, hidden. notifyWindow may be none.
    explicit TWindStatus(TForm* notifyWindow);

    void SetProcessText(const std::string& text);
    void SetActivityText(const std::string& text);
    void SetBarProgress(int minimum, int maximum, int position);

    std::string ProcessText() const;
    std::string ActivityText() const;

    void BtnCancelClick();

    TForm* const NotifyWindow;
    // 1 once the user pressed Cancel, whatever the answer to the question; never reset.
    std::int32_t Cancelled = 0;

protected:
    void CreateParams(TCreateParams& params) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void FormClose(TCloseAction& action) override;
    void FormHide() override;

private:
    void CreateControls();

    UniqueFont font_;
    HWND TxtProcess = nullptr;
    HWND TxtActivity = nullptr;
    HWND BarProgress = nullptr;
    HWND BtnCancel = nullptr;
};

// The one progress window while a download is shown, or none. The window that made it sets and clears
// it.
extern TWindStatus* gWindStatus;
