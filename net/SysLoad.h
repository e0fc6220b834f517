// TSysLoad: the download manager. It fetches one URL into one local file at a time through its HTTP
// client, keeps the texts and counters that the progress displays read, writes the download log and
// deletes the partial file of a failed transfer, unless the transfer is resumable and there is something
// to resume with: then the partial file stays beside its ResumeRecord, and the next resumable transfer
// of the same file and address asks only for the rest (Range with If-Range) and appends it.
//
// It also notes which dial-up connections are up when it is made, and when it goes it hangs up those
// that came up meanwhile (asking first when AskBeforeHangUp is set).
//
// Download runs on the download worker thread; the progress displays read the texts and counters from
// the user-interface thread, which is also where Cancel comes from. The texts are guarded and read as
// copies; the counters are single 32-bit atomics.
//
// The download log is a file of its own in the trace log's line format, written with a lock of its own;
// the trace log's file and levels are never touched.
#pragma once

#include "library/DownloadJob.h"
#include "net/DialUp.h"
#include "net/SimpleHTTP.h"
#include "support/TraceLog.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class TSysLoad {
public:
    // Sets up HTTP and takes the dial-up snapshot: dialUp is the remote-access service, or none when the
    // system has none. The download log is the file that the LogPath setting names now.
    explicit TSysLoad(std::unique_ptr<DialUpConnections> dialUp);
    // Hangs up the dial-up connections that came up while this lived.
    ~TSysLoad();
    TSysLoad(const TSysLoad&) = delete;
    TSysLoad& operator=(const TSysLoad&) = delete;

    // Fetches the URL into the file: 0 when the whole body of a successful response is stored, 1 when
    // anything failed or the user cancelled; then the file is gone (unless kept to be resumed, below) and
    // FailReason says why. A body of more than largestBody bytes fails, at its announced length or at the
    // limit. Writes one line to the download log either way. Raises nothing.
    //
    // resumable: as DownloadJob::Start describes. A partial file is resumed from only when it is this
    // user's own (sys::OpenOwnFile) and its record names the same URL and a length it is shorter than.
    // The answer to the ranged request decides: 206 with the Content-Range "bytes N-(L-1)/L" of the
    // partial file's N bytes and the recorded length L appends; any other success starts the file over;
    // 416, and a 206 of another range, start over with a request for the whole file. While the answer's body
    // writes the partial file no record is beside it; the record is written, after the file's bytes are on
    // the disk, when the transfer stops.
    int Download(const std::string& url, const std::string& localFile, const std::string& displayName,
                 std::uint32_t largestBody = kLargestBody, bool resumable = false) noexcept;
    // From another thread than Download's: breaks the transfer off, and every later one of this manager.
    void Cancel();
    void SetAskBeforeHangUp(bool ask) { askBeforeHangUp_ = ask; }

    // One line of the download log at the level (tlInfo, tlError).
    void WriteDownloadLog(std::uint32_t level, const std::string& text);

    std::string CurrentItem() const;
    // The status text, the counters and the failure reason, the texts as they stood together.
    DownloadSnapshot Snapshot() const;
    void ResetProgress();
    bool CancelRequested() const { return cancelRequested_.load(); }
    bool RasAvailable() const { return dialUp_ != nullptr; }
    const std::vector<DialUpHandle>& ConnectionsAtStart() const { return connectionsAtStart_; }
    bool AskBeforeHangUp() const { return askBeforeHangUp_.load(); }

    TSimpleHTTP HTTP;

private:
    void HTTPConnected(TWinInetControl& sender);
    void HTTPTransferProgress(TSimpleHTTP& sender, const THTTPProgressInfo& progress);
    void HTTPStateChange(TWinInetControl& sender, TWinInetState state);
    // Raises when the response cannot be the file: a status other than success, or fewer bytes than
    // announced.
    void CheckResponse();
    // Raises when the status is not success (a 206 only answers a ranged request), before a byte of the
    // body is stored; for a resumable transfer decides whether the body continues the partial file.
    void TakeResponse();
    // The response's header of that name, or empty text when it has none.
    std::string Header(const char* name);
    void HangUpNewConnections() noexcept;
    void SetText(std::string& text, const std::string& value);

    std::unique_ptr<DialUpConnections> dialUp_;
    std::vector<DialUpHandle> connectionsAtStart_;
    bool snapshotTaken_ = false; // the connections at the start were listed
    std::atomic<bool> askBeforeHangUp_{false};
    std::atomic<bool> cancelRequested_{false};
    std::atomic<std::int32_t> bytesDone_{0};
    std::atomic<std::int32_t> bytesTotal_{0};
    // The response's status as it stood when the request had been sent: a cancel after the last block
    // closes the request, and its headers with it.
    std::uint32_t statusCode_ = 0;
    std::string statusLine_;

    // The resumable transfer under way, on the worker thread only. The sink writes the open file.
    bool resumable_ = false;
    DiskFileSink* sink_ = nullptr;
    std::uint32_t largestBody_ = 0;
    std::uint32_t rangeStart_ = 0;  // the partial file's bytes that the ranged request asked to go on after
    std::uint32_t kept_ = 0;        // the bytes of the file that the body continues: rangeStart_ once a 206 matched
    std::string validator_;         // the file's, as the server named it; empty when unknown
    std::uint32_t wholeLength_ = 0; // the file's whole length; 0 when unknown
    std::string recordPath_;        // where the partial file's ResumeRecord lies

    mutable std::mutex textLock_;
    std::string currentItem_;
    std::string statusText_;
    std::string failReason_;

    TraceFile downloadLog_;
};

constexpr const char* kCancelledReason = "User cancelled the operation.";
constexpr const char* kConnectingText = "Connecting to host...";
constexpr const char* kHangUpQuestion = "Would you like to disconnect from the Internet now?";
