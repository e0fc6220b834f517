#include "net/SimpleHTTP.h"

#include "support/ErrorCodes.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr std::size_t kUrlPartSize = 512;

std::string Decimal(DWORD code) { return IntToDecimal(static_cast<std::int32_t>(code)); }

// Wine's WinINet does not let a close from another thread break a call that waits for the server, as
// Windows' does: Abort would only take effect when the server next sent something. There the waits are
// cut into slices by a short receive timeout, and between two slices the waiting thread sees whether
// the request is still there. Windows cancels a request whose receive timeout passes, so it keeps its
// own waits whole.
bool WaitsInSlices() {
    static const bool underWine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    return underWine;
}
constexpr DWORD kWaitSlice = 100; // milliseconds
// A request sent again because its answer was slow waits twice as long each time, up to this: a slow
// server gets a few requests, not ten a second.
constexpr DWORD kLongestWaitSlice = 3200;

void SetWaitSlice(HINTERNET request, DWORD milliseconds) {
    InternetSetOptionA(request, INTERNET_OPTION_RECEIVE_TIMEOUT, &milliseconds, sizeof milliseconds);
}

} // namespace

template <class Action>
void TSimpleHTTP::EndingUnconnected(Action action) {
    try {
        action();
    } catch (...) {
        DoStateChange(fsNoconnection);
        AbortHandled();
        throw;
    }
    DoStateChange(fsNoconnection);
    AbortHandled();
}

TSimpleHTTP::TSimpleHTTP() : headerInfo_(std::make_unique<THTTPHeaderInfo>(*this)) {
    SilentExceptions = false;
    Port = 80;
}

TSimpleHTTP::~TSimpleHTTP() {
    BeginDestruction();
    TSimpleHTTP::Disconnect();
}

void TSimpleHTTP::SetBlockSize(std::int32_t size) {
    blockSize_ = std::clamp(size, 1, kLargestBlockSize);
    DWORD value = static_cast<DWORD>(blockSize_);
    // The handle may still be null; WinINet then refuses, which changes nothing.
    InternetSetOptionA(internet_.Get(), INTERNET_OPTION_READ_BUFFER_SIZE, &value, sizeof value);
}

void TSimpleHTTP::SetEnableSSL(bool enable) {
    enableSSL_ = enable;
    // A server whose certificate does not verify is refused: HttpSendRequestA fails and the transfer
    // with it. No INTERNET_FLAG_IGNORE_CERT_* flag and no SECURITY_FLAG_IGNORE_* option is ever set,
    // since either would let anyone between us and the server hand us a skit of their own.
    SetRequestFlag(INTERNET_FLAG_SECURE, enable);
}

void TSimpleHTTP::Get(const std::string& url, ByteSink& out) {
    EndingUnconnected([&] {
        url_ = url;
        MakeRequest(url, "");
        FillResponseStream(out);
    });
}

void TSimpleHTTP::Head(const std::string& url) {
    EndingUnconnected([&] {
        url_ = url;
        MakeRequest(url, "HEAD");
    });
}

void TSimpleHTTP::Post(const std::string& url, ByteSink& out) {
    EndingUnconnected([&] {
        url_ = url;
        MakeRequest(url, "POST");
        FillResponseStream(out);
    });
}

bool TSimpleHTTP::CrackURL(std::string& url) {
    if (url.find("://") == std::string::npos) {
        return false;
    }
    URL_COMPONENTSA parts{};
    // The record's size as this build's header declares it: 60 bytes in 32-bit builds, more in 64-bit ones.
    parts.dwStructSize = sizeof parts;
    std::vector<char> scheme, host, user, password, path, extra;
    const struct {
        std::vector<char>& buffer;
        LPSTR& text;
        DWORD& length;
    } fields[] = {
        {scheme, parts.lpszScheme, parts.dwSchemeLength},   {host, parts.lpszHostName, parts.dwHostNameLength},
        {user, parts.lpszUserName, parts.dwUserNameLength}, {password, parts.lpszPassword, parts.dwPasswordLength},
        {path, parts.lpszUrlPath, parts.dwUrlPathLength},   {extra, parts.lpszExtraInfo, parts.dwExtraInfoLength}};
    for (const auto& field : fields) {
        field.buffer.assign(kUrlPartSize, '\0');
        field.text = field.buffer.data();
        field.length = kUrlPartSize;
    }
    if (!InternetCrackUrlA(url.c_str(), 0, 0, &parts)) {
        const DWORD code = GetLastError();
        if (!SilentExceptions) {
            throw ESimpleHTTPError("Error " + Decimal(code) + " (" + GetLastErrorString() + ") cracking URL " + url);
        }
        return false;
    }
    Port = parts.nPort;
    if (parts.nScheme == INTERNET_SCHEME_HTTP) {
        SetEnableSSL(false);
    } else if (parts.nScheme == INTERNET_SCHEME_HTTPS) {
        SetEnableSSL(true);
    }
    const auto text = [](const std::vector<char>& part) { return std::string(part.data()); };
    if (!text(host).empty()) {
        HostName = text(host);
    }
    if (!text(user).empty()) {
        UserName = text(user);
    }
    if (!text(password).empty()) {
        Password = text(password);
    }
    if (!text(path).empty()) {
        url = text(path) + text(extra);
    }
    return true;
}

bool TSimpleHTTP::Connect() {
    if (RefuseWhenAborted()) {
        return false;
    }
    const bool result = TWinInetControl::Connect();
    SafeCloseHandle(connection_);
    HINTERNET connection = nullptr;
    if (HINTERNET internet = internet_.Get()) {
        connection = InternetConnectA(internet, HostName.c_str(), static_cast<INTERNET_PORT>(Port & 0xFFFF),
                                      UserName.c_str(), Password.c_str(), INTERNET_SERVICE_HTTP, 0, Context());
    }
    const DWORD code = GetLastError();
    connection_.Reset(connection);
    if (connection != nullptr) {
        return true;
    }
    SafeCloseHandle(internet_);
    HandleConnectError(code);
    return result;
}

bool TSimpleHTTP::Disconnect() {
    try {
        SafeCloseHandle(request_);
        SafeCloseHandle(connection_);
        return TWinInetControl::Disconnect();
    } catch (const EZolvaneError&) {
        return false;
    }
}

bool TSimpleHTTP::MakeRequest(std::string url, const std::string& verb) {
    SafeCloseHandle(request_);
    CrackURL(url);
    Connect();
    // Without a verb WinINet sends GET.
    request_.Reset(HttpOpenRequestA(connection_.Get(), verb.empty() ? nullptr : verb.c_str(), url.c_str(), nullptr,
                                    Referrer.empty() ? nullptr : Referrer.c_str(), nullptr, RequestFlags(), Context()));
    waitSlice_ = kWaitSlice;
    if (WaitsInSlices()) {
        SetWaitSlice(request_.Get(), waitSlice_);
    }
    const std::string headers = JoinLines(optionalHeaders_);
    if (!headers.empty() && !HttpAddRequestHeadersA(request_.Get(), headers.c_str(), 0xFFFFFFFFu, 0)) {
        const DWORD code = GetLastError();
        if (!SilentExceptions) {
            throw ESimpleHTTPError("Error " + Decimal(code) + " (" + GetLastErrorString() + ") adding post headers");
        }
    }
    return SendRequest(verb);
}

bool TSimpleHTTP::SendRequest(const std::string& verb) {
    // An Abort that came while the handles were being opened found none to close.
    if (RefuseWhenAborted()) {
        return false;
    }
    std::string data;
    if ((verb == "POST" || verb == "PUT") && !postData_.empty()) {
        data = JoinLines(postData_);
        data.resize(data.size() - 2); // without the last line end
    }
    // A request that only asks may go again when a slice of the wait for its answer ends.
    const bool repeatable = verb.empty() || verb == "GET" || verb == "HEAD";
    const ULONGLONG waitStart = GetTickCount64();
    bool sent = false;
    for (;;) {
        const ULONGLONG callStart = GetTickCount64();
        sent = HttpSendRequestA(request_.Get(), nullptr, 0, data.empty() ? nullptr : data.data(),
                                static_cast<DWORD>(data.size())) != FALSE;
        if (sent || !repeatable || !SliceRanOut(GetLastError(), callStart, waitStart)) {
            break;
        }
        waitSlice_ = std::min(2 * waitSlice_, kLongestWaitSlice);
        SetWaitSlice(request_.Get(), waitSlice_);
    }
    if (sent && OnConnected) {
        OnConnected(*this);
    }
    DoStateChange(fsConnected);
    if (!sent && !SilentExceptions) {
        throw ESimpleHTTPError("Unable to send request to " + HostName + " (" + GetLastErrorString() + ")");
    }
    return sent;
}

bool TSimpleHTTP::FillResponseStream(ByteSink& out) {
    std::vector<char> buffer(kLargestBlockSize + 1);
    progress_ = THTTPProgressInfo{};
    std::string announced;
    try {
        announced = HeaderInfo().RetrieveAString(HTTP_QUERY_CONTENT_LENGTH);
    } catch (const EZolvaneError&) {
        // No Content-Length: the total stays 0.
    }
    // Read as text, since a number of 4 GB or more does not fit the query's 32 bits: a body announced
    // larger than we take ends the transfer before the first byte of it.
    if (const std::optional<std::uint64_t> length = DecimalHeader(announced, 19)) {
        if (*length > static_cast<std::uint64_t>(largestBody_)) {
            throw ESimpleHTTPError("The server announces " + announced + " bytes, more than the " +
                                   IntToDecimal(largestBody_) + " bytes a download may have.");
        }
        progress_.BytesTotal = static_cast<std::int32_t>(*length);
    } else if (!announced.empty()) {
        throw ESimpleHTTPError("The server announces a length of " + announced.substr(0, 40) +
                               ", which is no number of bytes this download takes.");
    }
    out.Rewind();
    for (;;) {
        DWORD available = 0;
        if (!QueryDataAvailable(available)) {
            // A broken or closed connection: the read below reports it, where a count of 0 would end
            // the body as if it were complete.
            available = static_cast<DWORD>(blockSize_);
        }
        const DWORD wanted = std::min(static_cast<DWORD>(blockSize_), available);
        DWORD read = 0;
        if (!InternetReadFile(request_.Get(), buffer.data(), wanted, &read)) {
            const DWORD code = GetLastError();
            throw EWinInetError("Error " + Decimal(code) + " (" + GetLastErrorString() + ") reading URL " + url_);
        }
        if (static_cast<std::int64_t>(progress_.BytesDone) + read > largestBody_) {
            throw ESimpleHTTPError("The download is larger than " + IntToDecimal(largestBody_) + " bytes.");
        }
        out.Write(buffer.data(), read);
        progress_.BytesDone += static_cast<std::int32_t>(read);
        if (OnTransferProgress) {
            OnTransferProgress(*this, progress_);
        }
        if (QuickProgress) {
            DoQuickProgress();
        }
        if (read == 0) {
            return true;
        }
    }
}

bool TSimpleHTTP::SliceRanOut(DWORD error, ULONGLONG callStart, ULONGLONG waitStart) const {
    const ULONGLONG now = GetTickCount64();
    // Wine reports a slice that ran out as a timeout, or, while the answer's headers are awaited, as an
    // aborted connection; a connection that really broke off does so before the slice is over.
    const bool timedOut =
        error == ERROR_INTERNET_TIMEOUT || error == WSAETIMEDOUT || error == ERROR_INTERNET_CONNECTION_ABORTED;
    if (!timedOut || !WaitsInSlices() || request_.Get() == nullptr || now - callStart < waitSlice_ * 3 / 4 ||
        now - waitStart >= GetConnectTimeOut()) {
        SetLastError(error);
        return false;
    }
    return true;
}

bool TSimpleHTTP::QueryDataAvailable(DWORD& available) {
    const ULONGLONG waitStart = GetTickCount64();
    for (;;) {
        const ULONGLONG callStart = GetTickCount64();
        if (InternetQueryDataAvailable(request_.Get(), &available, 0, 0)) {
            return true;
        }
        if (!SliceRanOut(GetLastError(), callStart, waitStart)) {
            return false;
        }
    }
}

void TSimpleHTTP::DoQuickProgress() {
    if (QuickProgressMinor == nullptr) {
        return;
    }
    SendMessageA(QuickProgressMinor, PBM_SETRANGE32, 0, 100);
    const int percent = progress_.BytesTotal <= 0
                            ? 0
                            : static_cast<int>(std::lround(100.0 * progress_.BytesDone / progress_.BytesTotal));
    SendMessageA(QuickProgressMinor, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}
