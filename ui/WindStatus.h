// The download progress window: a line for what runs, a line for what it is doing now, a progress bar
// and a Cancel button. The window that starts a download sequence makes it, fills it from a timer and
// lets it go when the sequence is over; the window itself only asks about cancelling.
//
// Cancel, Enter, Esc and the close box all ask "Are you sure you want to cancel downloading?"; Yes
// posts the cancel message to NotifyWindow and hides this window, which enables NotifyWindow again.
// The sequence can end while that question is open: the owner's Release then leaves the window until the
// question has been answered, and it goes by a message of its own afterwards.
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

    // The window is made at once, hidden. notifyWindow may be none.
    explicit TWindStatus(TForm* notifyWindow);
    ~TWindStatus() override = default;

    void ShowProgress() override;
    bool IsShowing() const override;
    void SetProcessText(const std::string& text) override;
    void SetActivityText(const std::string& text) override;
    void SetBarProgress(int minimum, int maximum, int position) override;
    // Deletes the window, which must have been made with new.
    void Release() override;

    std::string ProcessText() const;
    std::string ActivityText() const;
    // The question about cancelling is open.
    bool Asking() const { return asking_; }

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

    // Posted to this window when it was released while it asked: it deletes itself.
    static constexpr UINT kMsgReleased = WM_USER + 0x301;

    UniqueFont font_;
    HWND TxtProcess = nullptr;
    HWND TxtActivity = nullptr;
    HWND BarProgress = nullptr;
    HWND BtnCancel = nullptr;
    bool asking_ = false;
    bool released_ = false;
};

using WindStatusPtr = std::unique_ptr<TWindStatus, ReleaseDownloadProgress>;

// The program's progress display: a progress window owned by the notify window.
DownloadProgressPtr MakeWindStatus(TForm& notifyWindow);
