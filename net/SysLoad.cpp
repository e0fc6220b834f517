#include "net/SysLoad.h"

#include "gui/Application.h"
#include "host/Settings.h"
#include "library/ResumeRecord.h"
#include "support/MessageBoxes.h"
#include "support/System.h"
#include "support/TraceLog.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <memory>
#include <optional>
#include <typeinfo>

namespace {

constexpr std::uint32_t kConnectRetries = 1;
constexpr std::uint32_t kConnectTimeout = 1200000; // 20 minutes

// The exception's type as the source spells it ("std::bad_alloc").
std::string TypeName(const std::exception& error) {
    const char* mangled = typeid(error).name();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> readable(abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
    return status == 0 && readable ? std::string(readable.get()) : std::string(mangled);
}

[[noreturn]] void RaiseCancelled() { throw EZolvaneError(kCancelledReason); }

// The answer to a ranged request that does not continue the partial file: the server's file changed or
// the partial file is longer than it. Not an error the user sees: the whole file is fetched instead.
class EStartOver {};

} // namespace

TSysLoad::TSysLoad(std::unique_ptr<DialUpConnections> dialUp)
    : dialUp_(std::move(dialUp)), downloadLog_(Settings.LogPath) {
    HTTP.SetConnectRetries(kConnectRetries);
    HTTP.SetEnableCache(false);
    HTTP.Port = 80;
    HTTP.QuickProgress = false;
    HTTP.SetConnectTimeout(kConnectTimeout);
    HTTP.SilentExceptions = false;
    HTTP.OnConnected = [this](TWinInetControl& sender) { HTTPConnected(sender); };
    HTTP.OnStateChange = [this](TWinInetControl& sender, TWinInetState state) { HTTPStateChange(sender, state); };
    HTTP.SetBlockSize(kDefaultBlockSize);
    HTTP.SetEnableSSL(false);
    HTTP.OnTransferProgress = [this](TSimpleHTTP& sender, const THTTPProgressInfo& progress) {
        HTTPTransferProgress(sender, progress);
    };
    statusText_ = kConnectingText;
    if (dialUp_) {
        try {
            connectionsAtStart_ = dialUp_->ListActive();
            snapshotTaken_ = true;
        } catch (...) {
            // Without a snapshot no connection can be told to be ours: none is hung up.
        }
    }
}

TSysLoad::~TSysLoad() { HangUpNewConnections(); }

void TSysLoad::HangUpNewConnections() noexcept {
    if (!dialUp_ || !snapshotTaken_) {
        return;
    }
    try {
        std::vector<DialUpHandle> current;
        try {
            current = dialUp_->ListActive();
        } catch (...) {
            return;
        }
        for (const DialUpHandle connection : current) {
            if (std::find(connectionsAtStart_.begin(), connectionsAtStart_.end(), connection) !=
                connectionsAtStart_.end()) {
                continue; // it was up before the downloads began: not ours to end
            }
            if (askBeforeHangUp_ &&
                ShowMessageBox(nullptr, kHangUpQuestion, Application().Title(), MB_YESNO | MB_ICONQUESTION) != IDYES) {
                continue;
            }
            dialUp_->HangUp(connection);
        }
    } catch (...) {
        // A failed hang-up leaves the line up; the user can still end it from the system.
    }
}

int TSysLoad::Download(const std::string& url, const std::string& localFile, const std::string& displayName,
                       std::uint32_t largestBody, bool resumable) noexcept {
    try {
        bool failed = true;
        std::string reason;
        SetText(currentItem_, displayName);
        SetText(failReason_, "");
        statusCode_ = 0;
        statusLine_.clear();
        resumable_ = resumable;
        largestBody_ = std::min<std::uint32_t>(largestBody, kLargestBody);
        rangeStart_ = 0;
        kept_ = 0;
        validator_.clear();
        wholeLength_ = 0;
        const std::string recordPath = ResumeRecordPath(localFile);
        recordPath_ = recordPath;
        DiskFile file;
        DiskFileSink sink(file);
        sink_ = &sink;
        try {
            HTTP.SetOptionalHeaders({});
            if (resumable) {
                const std::optional<ResumeRecord> record = ReadResumeRecord(recordPath);
                if (record && record->url == url && record->length <= largestBody_ && file.OpenOwn(localFile)) {
                    const std::uint64_t size = file.Size();
                    if (size > 0 && size < record->length) {
                        rangeStart_ = static_cast<std::uint32_t>(size);
                        validator_ = record->validator;
                        wholeLength_ = record->length;
                        HTTP.SetOptionalHeaders(
                            {"Range: bytes=" + std::to_string(rangeStart_) + "-", "If-Range: " + validator_});
                    }
                }
            }
            if (rangeStart_ == 0) {
                // The download folder is shared: a name that another user made a link is not written through.
                file.CreateFresh(localFile, FILE_ATTRIBUTE_NORMAL, 0);
                if (resumable) {
                    sys::RemoveFile(recordPath);
                }
            }
            HTTP.SetResolveNames(rnPreConfig);
            HTTP.SetLargestBody(static_cast<std::int32_t>(largestBody_));
            // A cancel that came before the transfer had a handle to close must still hold.
            if (cancelRequested_) {
                RaiseCancelled();
            }
            try {
                HTTP.Get(url, sink);
            } catch (const EStartOver&) {
                // The partial file is not the server's file any more: the whole file is asked for anew.
                rangeStart_ = 0;
                validator_.clear();
                wholeLength_ = 0;
                sink.Rewind();
                HTTP.SetOptionalHeaders({});
                HTTP.Get(url, sink);
            }
            CheckResponse();
            failed = false;
            WriteDownloadLog(tlInfo, "Download success: " + displayName);
        } catch (const EZolvaneError& error) {
            failed = true;
            reason = error.what();
        } catch (const std::exception& error) {
            failed = true;
            reason = TypeName(error);
        } catch (...) {
            failed = true;
            reason = "Unknown exception.";
        }
        sink_ = nullptr;
        if (cancelRequested_) {
            reason = kCancelledReason;
        }
        SetText(failReason_, reason);
        // Only a file this transfer made or took up is deleted: one that could not be replaced stays as it
        // was.
        const bool opened = file.IsOpen();
        std::uint64_t size = 0;
        try {
            // The bytes are on the disk before a record says that the next transfer may build on them.
            if (opened && failed && resumable) {
                file.Flush();
            }
            size = opened ? file.Size() : 0;
        } catch (const EZolvaneError&) {
            // A file whose size cannot be told, or whose bytes may not be on the disk, is not resumed from.
            size = 0;
        }
        file.Close();
        if (failed) {
            WriteDownloadLog(tlError, "Download failed: " + displayName + ". " + reason);
            const bool kept = opened && resumable && !validator_.empty() && size > 0 && size < wholeLength_ &&
                              WriteResumeRecord(recordPath, {url, validator_, wholeLength_});
            if (opened && !kept) {
                sys::RemoveFile(localFile);
                if (resumable) {
                    sys::RemoveFile(recordPath);
                }
            }
        } else if (resumable) {
            sys::RemoveFile(recordPath);
        }
        return failed ? 1 : 0;
    } catch (...) {
        sink_ = nullptr;
        return 1;
    }
}

void TSysLoad::CheckResponse() {
    if (statusCode_ < 200 || statusCode_ > 299) {
        throw EZolvaneError("HTTP status " + std::to_string(statusCode_) +
                            (statusLine_.empty() ? "" : " " + statusLine_) + ".");
    }
    const THTTPProgressInfo& progress = HTTP.Progress();
    if (progress.BytesTotal > 0 && progress.BytesDone < progress.BytesTotal) {
        throw EZolvaneError("Connection closed after " + std::to_string(kept_ + progress.BytesDone) + " of " +
                            std::to_string(kept_ + progress.BytesTotal) + " bytes.");
    }
    // The rest of a partial file ends where its Content-Range said, whatever length the body announced.
    const std::uint64_t whole = static_cast<std::uint64_t>(kept_) + static_cast<std::uint32_t>(progress.BytesDone);
    if (kept_ > 0 && whole < wholeLength_) {
        throw EZolvaneError("Connection closed after " + std::to_string(whole) + " of " + std::to_string(wholeLength_) +
                            " bytes.");
    }
    if (kept_ > 0 && whole > wholeLength_) {
        throw EZolvaneError("The server sent " + std::to_string(whole) + " bytes of a file of " +
                            std::to_string(wholeLength_) + " bytes.");
    }
}

std::string TSysLoad::Header(const char* name) {
    try {
        return HTTP.HeaderInfo().GetCustomHeader(name);
    } catch (const EZolvaneError&) {
        return std::string();
    }
}

void TSysLoad::TakeResponse() {
    const bool ranged = rangeStart_ > 0;
    if (ranged && statusCode_ == 206) {
        const std::string expected = "bytes " + std::to_string(rangeStart_) + "-" + std::to_string(wholeLength_ - 1) +
                                     "/" + std::to_string(wholeLength_);
        if (Header("Content-Range") != expected) {
            throw EStartOver();
        }
        // The rest of the file: the limit counts the bytes already there.
        kept_ = rangeStart_;
        sink_->KeepFirst(kept_);
        HTTP.SetLargestBody(static_cast<std::int32_t>(largestBody_ - kept_));
        bytesDone_ = static_cast<std::int32_t>(kept_);
        bytesTotal_ = static_cast<std::int32_t>(wholeLength_);
        // While the partial file grows no record is beside it: the one for what it holds is written when the
        // transfer stops.
        sys::RemoveFile(recordPath_);
        return;
    }
    if (ranged && statusCode_ == 416) {
        throw EStartOver();
    }
    // An error page is never stored, nor put after the bytes of a partial file.
    if (statusCode_ < 200 || statusCode_ > 299 || statusCode_ == 206) {
        throw EZolvaneError("HTTP status " + std::to_string(statusCode_) +
                            (statusLine_.empty() ? "" : " " + statusLine_) + ".");
    }
    // The whole file from its first byte: what it is to be resumed with, should it break off.
    rangeStart_ = 0;
    if (resumable_) {
        // A record of the bytes the body now writes over would outlive a crash meanwhile.
        sys::RemoveFile(recordPath_);
        std::string validator = Header("ETag");
        if (!IsUsableValidator(validator)) {
            validator = Header("Last-Modified");
        }
        validator_ = IsUsableValidator(validator) ? validator : std::string();
        const std::optional<std::uint64_t> length = DecimalHeader(Header("Content-Length"), 10);
        wholeLength_ = length && *length <= largestBody_ ? static_cast<std::uint32_t>(*length) : 0;
    }
}

void TSysLoad::Cancel() {
    cancelRequested_ = true;
    HTTP.Abort();
}

void TSysLoad::WriteDownloadLog(std::uint32_t level, const std::string& text) { downloadLog_.Write(level, "%s", text); }

std::string TSysLoad::CurrentItem() const {
    std::lock_guard<std::mutex> guard(textLock_);
    return currentItem_;
}

DownloadSnapshot TSysLoad::Snapshot() const {
    DownloadSnapshot snapshot;
    {
        std::lock_guard<std::mutex> guard(textLock_);
        snapshot.statusText = statusText_;
        snapshot.failReason = failReason_;
    }
    snapshot.bytesDone = bytesDone_.load();
    snapshot.bytesTotal = bytesTotal_.load();
    return snapshot;
}

void TSysLoad::SetText(std::string& text, const std::string& value) {
    std::lock_guard<std::mutex> guard(textLock_);
    text = value;
}

void TSysLoad::ResetProgress() {
    bytesDone_ = 0;
    bytesTotal_ = 0;
}

void TSysLoad::HTTPConnected(TWinInetControl& /*sender*/) {
    SetText(statusText_, CurrentItem());
    statusCode_ = HTTP.HeaderInfo().GetStatusCode();
    statusLine_ = HTTP.HeaderInfo().GetStatusText();
    if (cancelRequested_) {
        RaiseCancelled();
    }
    if (sink_ != nullptr) {
        TakeResponse();
    }
}

void TSysLoad::HTTPTransferProgress(TSimpleHTTP& /*sender*/, const THTTPProgressInfo& progress) {
    // The counters show the whole file, the bytes the body continues included.
    const std::int32_t done = static_cast<std::int32_t>(kept_) + progress.BytesDone;
    const std::int32_t before = bytesDone_.exchange(done);
    bytesTotal_ = progress.BytesTotal > 0 ? static_cast<std::int32_t>(kept_) + progress.BytesTotal : 0;
    // A cancel that found no handle to close: bytes still coming end the transfer here. The last pass
    // brings no new bytes, so a cancel after the last block leaves the download whole.
    if (cancelRequested_ && done != before) {
        RaiseCancelled();
    }
}

void TSysLoad::HTTPStateChange(TWinInetControl& /*sender*/, TWinInetState /*state*/) {}
