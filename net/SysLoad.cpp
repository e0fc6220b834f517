#include "net/SysLoad.h"

#include "gui/Application.h"
#include "host/Settings.h"
#include "support/MessageBoxes.h"
#include "support/System.h"
#include "support/TraceLog.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <memory>
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
                       std::uint32_t largestBody) noexcept {
    try {
        bool failed = true;
        std::string reason;
        SetText(currentItem_, displayName);
        SetText(failReason_, "");
        statusCode_ = 0;
        statusLine_.clear();
        DiskFile file;
        try {
            // The download folder is shared: a name that another user made a link is not written through.
            file.CreateFresh(localFile, FILE_ATTRIBUTE_NORMAL, 0);
            HTTP.SetResolveNames(rnPreConfig);
            HTTP.SetLargestBody(static_cast<std::int32_t>(std::min<std::uint32_t>(largestBody, kLargestBody)));
            DiskFileSink sink(file);
            // A cancel that came before the transfer had a handle to close must still hold.
            if (cancelRequested_) {
                RaiseCancelled();
            }
            HTTP.Get(url, sink);
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
        if (cancelRequested_) {
            reason = kCancelledReason;
        }
        SetText(failReason_, reason);
        // Only a file this transfer made is deleted: one that could not be replaced stays as it was.
        const bool created = file.IsOpen();
        file.Close();
        if (failed) {
            WriteDownloadLog(tlError, "Download failed: " + displayName + ". " + reason);
            if (created) {
                sys::RemoveFile(localFile);
            }
        }
        return failed ? 1 : 0;
    } catch (...) {
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
        throw EZolvaneError("Connection closed after " + std::to_string(progress.BytesDone) + " of " +
                            std::to_string(progress.BytesTotal) + " bytes.");
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
}

void TSysLoad::HTTPTransferProgress(TSimpleHTTP& /*sender*/, const THTTPProgressInfo& progress) {
    const std::int32_t before = bytesDone_.exchange(progress.BytesDone);
    bytesTotal_ = progress.BytesTotal;
    // A cancel that found no handle to close: bytes still coming end the transfer here. The last pass
    // brings no new bytes, so a cancel after the last block leaves the download whole.
    if (cancelRequested_ && progress.BytesDone != before) {
        RaiseCancelled();
    }
}

void TSysLoad::HTTPStateChange(TWinInetControl& /*sender*/, TWinInetState /*state*/) {}
