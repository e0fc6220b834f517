// One transfer at a time, on a thread of its own, as the skit catalogue sees it.
//
// Start fetches a URL into a local file of at most largestBody bytes; when the transfer has ended, the job posts the
// download-done message to the window it was given, with a last parameter of 0 (success) or 1 (failed or cancelled).
// The window's handler then calls SkitCatalog::OnDownloadDone. The download manager implements it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// The window that hears of finished transfers: a window handle as an opaque value.
using NotifyWindow = void*;

// The message posted when a transfer has ended (WM_USER + 0x200).
constexpr unsigned kDownloadDoneMessage = 1536;

// What a progress display shows of the transfer under way: copies, taken together, so that the
// user-interface thread never reads a text while the transfer's thread replaces it.
struct DownloadSnapshot {
    // What the transfer is doing: "Connecting to host..." until a request is out, then its display name.
    std::string statusText;
    // Body bytes received, and the bytes announced (0 when the server announced no length).
    std::int32_t bytesDone = 0;
    std::int32_t bytesTotal = 0;
    // Why the last transfer failed; empty after a success.
    std::string failReason;
};

class DownloadJob {
public:
    virtual ~DownloadJob() = default;
    // A body announced or found larger than largestBody fails the transfer before any byte of it is past
    // the limit, and leaves no file.
    //
    // A resumable transfer (a movie's) that fails once the server has named the file's validator and
    // length keeps what it fetched: the partial file stays, beside its ResumeRecord, and so it does when the
    // job goes while the transfer runs. The next resumable start for the same file and address asks the
    // server for the rest only and appends it, when the partial file is this user's own and the server
    // still has the same file; otherwise it starts over. largestBody then counts the partial file's bytes
    // as well, and the snapshot's counters show the whole file. A transfer that is not resumable, or that
    // fails before there is anything to resume with, leaves neither file nor record.
    virtual void Start(const std::string& url, const std::string& localFile, const std::string& displayName,
                       NotifyWindow window, std::uint32_t largestBody, bool resumable) = 0;
    // Asks the transfer under way to stop; its message still comes, as a failure.
    virtual void Cancel() = 0;
    // Sets the download manager's progress counters (bytes done, bytes in all) back to 0.
    virtual void ResetProgress() = 0;
    virtual DownloadSnapshot Snapshot() const = 0;
    // When the job goes, a dial-up connection that came up meanwhile is hung up: with ask, only after the
    // user said Yes to "Would you like to disconnect from the Internet now?".
    virtual void SetAskBeforeHangUp(bool ask) = 0;
};

using DownloadJobFactory = std::function<std::unique_ptr<DownloadJob>()>;

// Where a progress bar of 0 to downloadsPlanned x 100 stands: 100 for each finished download and the
// current file's share of 100 (a total of 0 counts as 1, and a file never counts for more than 100).
// Counted in 64 bits, so that files of more than 42 MB do not wrap the share.
inline std::int32_t SequenceProgress(int downloadsDone, std::int32_t bytesDone, std::int32_t bytesTotal) {
    const std::int64_t share = static_cast<std::int64_t>(bytesDone) * 100 / (bytesTotal > 0 ? bytesTotal : 1);
    return static_cast<std::int32_t>(static_cast<std::int64_t>(downloadsDone) * 100 + (share < 100 ? share : 100));
}
