// TSimpleHTTP: a small blocking HTTP client on top of the WinINet session of TWinInetControl.
//
// It adds the connection and request handles, URL splitting, sending a request with optional headers
// and post data, and reading the response body into a ByteSink in blocks with a progress event. The
// request handle of the last request stays open until the next request or Disconnect, so that its
// headers can still be read through HeaderInfo().
//
// Get stores whatever body the server sends, an error page included; the caller judges the status.
#pragma once

#include "net/ByteSink.h"
#include "net/HTTPHeaderInfo.h"
#include "net/WinInetControl.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class ESimpleHTTPError : public EZolvaneError {
public:
    using EZolvaneError::EZolvaneError;
};

struct THTTPProgressInfo {
    std::int32_t BytesDone = 0;  // body bytes received so far in the current transfer
    std::int32_t BytesTotal = 0; // the response's Content-Length, 0 when it has none
};

class TSimpleHTTP;
using THTTPTransferProgressEvent = std::function<void(TSimpleHTTP& sender, const THTTPProgressInfo& progress)>;

constexpr std::int32_t kDefaultBlockSize = 8192;
// The read buffer holds one block and one byte more.
constexpr std::int32_t kLargestBlockSize = 16384;
// What the signed 32-bit byte counters can hold.
constexpr std::int32_t kLargestBody = 2147483647;

class TSimpleHTTP : public TWinInetControl {
public:
    // Not silent, port 80, blocks of 8192 bytes.
    TSimpleHTTP();
    ~TSimpleHTTP() override;

    // ---- Properties -----------------------------------------------------------------------------------
    THTTPTransferProgressEvent OnTransferProgress;
    // Handed to HttpOpenRequestA; none when empty.
    std::string Referrer;

    // Bytes asked for in one read. A size above 16384 does not fit the read buffer and is stored as
    // 16384; one below 1 is stored as 1, since a read of 0 bytes would end every body at once.
    void SetBlockSize(std::int32_t size);
    std::int32_t BlockSize() const { return blockSize_; }
    // Puts INTERNET_FLAG_SECURE into the request flags. CrackURL sets it from the URL's scheme.
    void SetEnableSSL(bool enable);
    bool EnableSSL() const { return enableSSL_; }
    void SetOptionalHeaders(const std::vector<std::string>& lines) { optionalHeaders_ = lines; }
    const std::vector<std::string>& OptionalHeaders() const { return optionalHeaders_; }
    void SetPostData(const std::vector<std::string>& lines) { postData_ = lines; }
    const std::vector<std::string>& PostData() const { return postData_; }
    // A body that would pass this many bytes ends the transfer with an error before the bytes are written.
    void SetLargestBody(std::int32_t bytes) { largestBody_ = bytes; }
    std::int32_t LargestBody() const { return largestBody_; }

    // ---- Requests -------------------------------------------------------------------------------------
    // Each ends in fsNoconnection, also when it fails.
    void Get(const std::string& url, ByteSink& out);
    void Head(const std::string& url);
    void Post(const std::string& url, ByteSink& out);

    // Closes the previous request, splits the URL, connects, opens and sends the request.
    bool MakeRequest(std::string url, const std::string& verb);
    bool SendRequest(const std::string& verb);
    // Takes scheme, host, port, user name and password from an absolute URL and leaves the URL as the
    // object to request (path and query). A URL without "://" is left alone and false returned: it is then
    // an object on the current host and port.
    bool CrackURL(std::string& url);
    // Reads the whole body into the sink, from its beginning.
    bool FillResponseStream(ByteSink& out);

    bool Connect() override;
    // Errors of the program's own kind inside it are swallowed; the result is then false.
    bool Disconnect() override;
    void DoQuickProgress() override;

    THTTPHeaderInfo& HeaderInfo() { return *headerInfo_; }
    const THTTPProgressInfo& Progress() const { return progress_; }
    HINTERNET RequestHandle() const { return request_.Get(); }
    HINTERNET ConnectionHandle() const { return connection_.Get(); }

private:
    // Runs the request and, however it ends, leaves the state at fsNoconnection and the control ready
    // for the next request.
    template <class Action>
    void EndingUnconnected(Action action);
    // Waits for body bytes; false with the reason in the last error when there are none to wait for.
    bool QueryDataAvailable(DWORD& available);
    // Whether a call that failed after waiting since callStart only ran out of its slice of a wait that
    // began at waitStart, so that the wait may go on.
    bool SliceRanOut(DWORD error, ULONGLONG callStart, ULONGLONG waitStart) const;
    // The context value WinINet hands back to the status callback.
    DWORD_PTR Context() { return reinterpret_cast<DWORD_PTR>(static_cast<TWinInetControl*>(this)); }

    SharedInternetHandle connection_;
    SharedInternetHandle request_;
    std::unique_ptr<THTTPHeaderInfo> headerInfo_;
    THTTPProgressInfo progress_;
    // The URL as given to Get or Post, for the read error's text.
    std::string url_;
    std::int32_t blockSize_ = kDefaultBlockSize;
    bool enableSSL_ = false;
    std::int32_t largestBody_ = kLargestBody;
    // Where waits are cut into slices, the length of one, in milliseconds.
    DWORD waitSlice_ = 0;
    std::vector<std::string> optionalHeaders_;
    std::vector<std::string> postData_;
};
