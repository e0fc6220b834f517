// WinInetDownloadJob: the skit catalogue's DownloadJob, one transfer at a time through TSysLoad on a
// WorkerThread. The job owns its download manager; destroying the job destroys it, which hangs up the
// dial-up connections that came up meanwhile. The windows see the manager only through the job's
// snapshot, so none reads it while it goes.
#pragma once

#include "library/DownloadJob.h"
#include "net/DialUp.h"
#include "net/SysLoad.h"
#include "net/WorkerThread.h"

#include <cstdint>
#include <memory>
#include <string>

class WinInetDownloadJob : public WorkerThread, public DownloadJob {
public:
    explicit WinInetDownloadJob(const DialUpProvider& dialUp = OpenSystemDialUp);
    // A transfer still under way is cancelled and waited for first.
    ~WinInetDownloadJob() override;

    // Fetches the URL into the file on the worker thread, then posts the message to the window with the
    // first parameter and 0 (success) or 1. Returns the thread's handle, or -1 while the previous
    // transfer is not finished.
    std::intptr_t StartDownload(const std::string& url, const std::string& localFile, WPARAM firstParameter,
                                UINT message, HWND window, const std::string& displayName,
                                std::uint32_t largestBody = kLargestBody, bool resumable = false);

    // DownloadJob: message kDownloadDoneMessage, first parameter 0. A start refused because the previous
    // transfer is not finished raises, since its message would never come.
    void Start(const std::string& url, const std::string& localFile, const std::string& displayName,
               NotifyWindow window, std::uint32_t largestBody, bool resumable) override;
    void Cancel() override;
    void ResetProgress() override;
    DownloadSnapshot Snapshot() const override;
    void SetAskBeforeHangUp(bool ask) override;

    void Run() override;

    TSysLoad& Manager() { return *sysLoad_; }

private:
    std::unique_ptr<TSysLoad> sysLoad_;
    std::string url_;
    std::string localFile_;
    std::string displayName_;
    std::uint32_t largestBody_ = kLargestBody;
    bool resumable_ = false;
};

// Makes the jobs that the skit catalogue runs its download sequences with.
DownloadJobFactory InternetDownloadJobs(DialUpProvider dialUp = OpenSystemDialUp);
