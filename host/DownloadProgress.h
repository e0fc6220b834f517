// How a download sequence shows its progress: the window that starts a sequence makes a progress
// display through the maker it was handed, fills it from a timer and drops it when the sequence is
// over. The program's display is the progress window of ui/; start-up hands its maker to the windows
// that need one, so that they need not know it.
#pragma once

#include "gui/Form.h"

#include <functional>
#include <memory>
#include <string>

// Posted to the window that shows the progress, both parameters 0, when the user confirms a cancel.
constexpr UINT kMsgCancelDownload = WM_USER + 0x300;

class DownloadProgress {
public:
    // Shows the display and paints it at once.
    virtual void ShowProgress() = 0;
    // False once the user has confirmed a cancel, which hides it.
    virtual bool IsShowing() const = 0;
    virtual void SetProcessText(const std::string& text) = 0;
    virtual void SetActivityText(const std::string& text) = 0;
    virtual void SetBarProgress(int minimum, int maximum, int position) = 0;
    // The owner is done with the display: it goes at once or, while its question about cancelling is
    // open (the last completion can arrive meanwhile), as soon as that has been answered.
    virtual void Release() = 0;

protected:
    // A display goes through Release.
    virtual ~DownloadProgress() = default;
};

struct ReleaseDownloadProgress {
    void operator()(DownloadProgress* display) const { display->Release(); }
};
using DownloadProgressPtr = std::unique_ptr<DownloadProgress, ReleaseDownloadProgress>;

// Makes a progress display that tells notifyWindow when the user cancels.
using DownloadProgressMaker = std::function<DownloadProgressPtr(TForm& notifyWindow)>;
