// The download progress window: a line for what runs, a line for what it is doing now, a progress bar
// and a Cancel button. The window that starts a download sequence makes it, fills it from a timer and
// destroys it when the sequence is over; the window itself only asks about cancelling.
// At most one exists at a time, and gWindStatus points at it while it lives.
//
// Cancel, Enter, Esc and the close box all ask "Are you sure you want to cancel downloading?"; Yes
// posts the cancel message to NotifyWindow and hides this window, which enables NotifyWindow again.
#pragma once

#include "gui/Form.h"
#include "host/DownloadProgress.h"
#include "support/WinHandles.h"

#include <cstdint>
#include <string>

class TWindStatus : public TForm, public DownloadProgress {
public:
    static constexpr int kClientWidth = 377;
    static constexpr int kClientHeight = 130;

    // The window is made at once, hidden, and is gWindStatus until it goes. notifyWindow may be none.
    explicit TWindStatus(TForm* notifyWindow);
    ~TWindStatus() override;

    void ShowProgress() override;
    bool IsShowing() const override;
    void SetProcessText(const std::string& text) override;
    void SetActivityText(const std::string& text) override;
    void SetBarProgress(int minimum, int maximum, int position) override;

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

// The one progress window while a download is shown, or none.
extern TWindStatus* gWindStatus;

// The program's progress display: a progress window owned by the notify window.
std::unique_ptr<DownloadProgress> MakeWindStatus(TForm& notifyWindow);
