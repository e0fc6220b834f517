#include "net/WinInetDownloadJob.h"

#include "support/Error.h"

WinInetDownloadJob::WinInetDownloadJob(const DialUpProvider& dialUp)
    : sysLoad_(std::make_unique<TSysLoad>(dialUp ? dialUp() : nullptr)) {}

WinInetDownloadJob::~WinInetDownloadJob() {
    if (Running()) {
        Cancel();
    }
    WaitUntilFinished();
    sysLoad_.reset();
}

std::intptr_t WinInetDownloadJob::StartDownload(const std::string& url, const std::string& localFile,
                                                WPARAM firstParameter, UINT message, HWND window,
                                                const std::string& displayName, std::uint32_t largestBody,
                                                bool resumable) {
    if (Running()) {
        return -1;
    }
    url_ = url;
    localFile_ = localFile;
    displayName_ = displayName;
    largestBody_ = largestBody;
    resumable_ = resumable;
    return WorkerThread::Start(window, message, firstParameter);
}

void WinInetDownloadJob::Start(const std::string& url, const std::string& localFile, const std::string& displayName,
                               NotifyWindow window, std::uint32_t largestBody, bool resumable) {
    if (StartDownload(url, localFile, 0, kDownloadDoneMessage, static_cast<HWND>(window), displayName, largestBody,
                      resumable) == -1) {
        throw EZolvaneError("A download is still under way.");
    }
}

void WinInetDownloadJob::Cancel() {
    sysLoad_->Cancel();
    WorkerThread::Cancel();
}

void WinInetDownloadJob::ResetProgress() { sysLoad_->ResetProgress(); }

DownloadSnapshot WinInetDownloadJob::Snapshot() const { return sysLoad_->Snapshot(); }

void WinInetDownloadJob::SetAskBeforeHangUp(bool ask) { sysLoad_->SetAskBeforeHangUp(ask); }

void WinInetDownloadJob::Run() {
    try {
        if (sysLoad_->Download(url_, localFile_, displayName_, largestBody_, resumable_) == 1) {
            SetResult(1);
        }
    } catch (...) {
        SetResult(1);
    }
}

DownloadJobFactory InternetDownloadJobs(DialUpProvider dialUp) {
    return [dialUp = std::move(dialUp)]() -> std::unique_ptr<DownloadJob> {
        return std::make_unique<WinInetDownloadJob>(dialUp);
    };
}
