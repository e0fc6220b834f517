#include "net/WinInetControl.h"

#include "gui/Application.h"
#include "support/WinHandles.h"

#include <commctrl.h>
#include <process.h>

#include <cstring>
#include <exception>

namespace {

std::string WithHost(const char* format, const std::string& host) {
    std::string text;
    for (const char* at = format; *at != '\0'; ++at) {
        if (at[0] == '%' && at[1] == 's') {
            text += host;
            ++at;
        } else {
            text += *at;
        }
    }
    return text;
}

// Waits for the thread to end while answering messages sent to this thread's windows from others.
void WaitForThread(HANDLE thread) {
    for (;;) {
        const DWORD woken = MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE);
        if (woken != WAIT_OBJECT_0 + 1) {
            return; // ended, or the wait itself failed
        }
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

} // namespace

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

TWinInetControl::TWinInetControl() : agent_(Application().Title()) {}

TWinInetControl::~TWinInetControl() {
    BeginDestruction();
    // Not virtual any more here: the derived part has closed its own handles already.
    TWinInetControl::Disconnect();
}

void TWinInetControl::SetNumberOption(DWORD option, std::uint32_t value) {
    if (HINTERNET handle = internet_.Get()) {
        DWORD number = value;
        InternetSetOptionA(handle, option, &number, sizeof number);
    }
}

std::uint32_t TWinInetControl::NumberOption(DWORD option, std::uint32_t stored, std::uint32_t fallback) const {
    HINTERNET handle = internet_.Get();
    if (handle == nullptr) {
        return stored;
    }
    DWORD number = 0;
    DWORD size = sizeof number;
    return InternetQueryOptionA(handle, option, &number, &size) ? number : fallback;
}

void TWinInetControl::SetConnectTimeout(std::uint32_t milliseconds) {
    connectTimeout_ = milliseconds != 0 ? milliseconds : kDefaultConnectTimeout;
    SetNumberOption(INTERNET_OPTION_CONNECT_TIMEOUT, connectTimeout_);
}

std::uint32_t TWinInetControl::GetConnectTimeOut() const {
    return NumberOption(INTERNET_OPTION_CONNECT_TIMEOUT, connectTimeout_, kDefaultConnectTimeout);
}

void TWinInetControl::SetConnectRetries(std::uint32_t count) {
    connectRetries_ = count;
    SetNumberOption(INTERNET_OPTION_CONNECT_RETRIES, connectRetries_);
}

std::uint32_t TWinInetControl::GetConnectRetries() const {
    return NumberOption(INTERNET_OPTION_CONNECT_RETRIES, connectRetries_, kDefaultConnectRetries);
}

void TWinInetControl::SetResolveNames(TResolveNames value) {
    resolveNames_ = value;
    switch (value) {
    case rnPreConfig:
        accessType_ = INTERNET_OPEN_TYPE_PRECONFIG;
        break;
    case rnProxy:
        accessType_ = INTERNET_OPEN_TYPE_PROXY;
        break;
    default:
        accessType_ = INTERNET_OPEN_TYPE_DIRECT;
        break;
    }
}

void TWinInetControl::SetEnableCache(bool enable) {
    enableCache_ = enable;
    SetRequestFlag(kNoCacheFlags, !enable);
}

void TWinInetControl::SetRequestFlag(DWORD flag, bool on) {
    if (on) {
        requestFlags_.fetch_or(flag);
    } else {
        requestFlags_.fetch_and(~flag);
    }
}

bool TWinInetControl::Connect() {
    if (RefuseWhenAborted()) {
        return false;
    }
    if (State() == fsConnected) {
        return true;
    }
    if (!internet_.IsOpen()) {
        const std::string bypass = JoinLines(proxyBypassList_);
        const bool viaProxy = resolveNames_ == rnProxy;
        internet_.Reset(InternetOpenA(agent_.c_str(), accessType_, viaProxy ? ProxyName.c_str() : nullptr,
                                      bypass.empty() ? nullptr : bypass.c_str(), 0));
    }
    RegisterStatusCallback();
    SetConnectRetries(connectRetries_);
    SetConnectTimeout(connectTimeout_);
    return false;
}

bool TWinInetControl::Disconnect() {
    SafeCloseHandle(internet_);
    if (!Destroying() && DoStateChange(fsNoconnection) && OnDisconnect) {
        OnDisconnect(*this);
    }
    return true;
}

bool TWinInetControl::DoStateChange(TWinInetState state) {
    if (Destroying() || state_.exchange(state) == state) {
        return false;
    }
    if (OnStateChange) {
        OnStateChange(*this, state);
    }
    ShowStateText(state);
    return true;
}

void TWinInetControl::ShowStateText(TWinInetState state) {
    if (!QuickProgress || QuickStatus == nullptr) {
        return;
    }
    const std::string text = TranslateStateText(state);
    const bool simple = SendMessageA(QuickStatus, SB_ISSIMPLE, 0, 0) != 0;
    SendMessageA(QuickStatus, SB_SETTEXTA, simple ? SB_SIMPLEID : 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string TWinInetControl::TranslateStateText(TWinInetState state) const {
    switch (state) {
    case fsDisconnecting:
        return WithHost("Disconnecting from %s", HostName);
    case fsNoconnection:
        return "No connection";
    case fsConnecting:
        return WithHost("Connecting to %s", HostName);
    case fsConnected:
        return WithHost("Connected to %s", HostName);
    case fsResolvingName:
        return WithHost("Resolving name %s", HostName);
    case fsNameResolved:
        return WithHost("Resolved name %s", HostName);
    }
    return "Unknown state!  Contact support ...";
}

std::string TWinInetControl::GetLastErrorString() {
    char buffer[2048] = "";
    DWORD error = 0;
    DWORD length = sizeof buffer;
    if (InternetGetLastResponseInfoA(&error, buffer, &length) && buffer[0] != '\0') {
        return std::string(buffer, strnlen(buffer, sizeof buffer));
    }
    return "No error description available";
}

std::string TWinInetControl::ConnectErrorText(DWORD code) const {
    switch (code) {
    case ERROR_INTERNET_TIMEOUT:
        return WithHost("Connection to %s timed out", HostName);
    case ERROR_INTERNET_INTERNAL_ERROR:
        return "Internal WININET error";
    case ERROR_INTERNET_NAME_NOT_RESOLVED:
        return WithHost("Unable to resolve host name '%s'", HostName);
    case ERROR_INTERNET_INCORRECT_USER_NAME:
        return "Bad user name: '" + UserName + "' connecting to " + HostName;
    case ERROR_INTERNET_INCORRECT_PASSWORD:
        return WithHost("Bad password connecting to %s", HostName);
    case ERROR_INTERNET_LOGIN_FAILURE:
    case ERROR_INTERNET_CANNOT_CONNECT:
        return WithHost("Unable to connect to %s", HostName);
    default:
        return WithHost("General Connection Error to %s", HostName);
    }
}

void TWinInetControl::HandleConnectError(DWORD code) {
    DoStateChange(fsNoconnection);
    if (!SilentExceptions) {
        throw EWinInetError(ConnectErrorText(code));
    }
}

bool TWinInetControl::RefuseWhenAborted() {
    if (!abortPending_.load()) {
        return false;
    }
    DoStateChange(fsNoconnection);
    if (!SilentExceptions) {
        throw EWinInetError(WithHost("Connection to %s cancelled", HostName));
    }
    return true;
}

void TWinInetControl::HandleStatusCallback(DWORD status, void* /*information*/, DWORD /*length*/) {
    switch (status) {
    case INTERNET_STATUS_RESOLVING_NAME:
        DoStateChange(fsResolvingName);
        break;
    case INTERNET_STATUS_NAME_RESOLVED:
        DoStateChange(fsNameResolved);
        break;
    case INTERNET_STATUS_CONNECTING_TO_SERVER:
        DoStateChange(fsConnecting);
        break;
    case INTERNET_STATUS_CONNECTED_TO_SERVER:
        DoStateChange(fsConnected);
        break;
    case INTERNET_STATUS_CLOSING_CONNECTION:
        DoStateChange(fsDisconnecting);
        break;
    case INTERNET_STATUS_CONNECTION_CLOSED:
        DoStateChange(fsNoconnection);
        break;
    default:
        break;
    }
}

void TWinInetControl::RegisterStatusCallback() {
    InternetSetStatusCallbackA(internet_.Get(), &TWinInetControl::RegisteredStatusCallback);
}

void CALLBACK TWinInetControl::RegisteredStatusCallback(HINTERNET /*handle*/, DWORD_PTR context, DWORD status,
                                                        void* information, DWORD length) {
    // The root handle carries no context; the connection and request handles carry their control.
    auto* control = reinterpret_cast<TWinInetControl*>(context);
    if (control == nullptr) {
        return;
    }
    try {
        control->HandleStatusCallback(status, information, length);
    } catch (...) {
        // Nothing may unwind through WinINet; a state that did not show is no loss.
    }
}

void TWinInetControl::Abort() {
    // Set before the handles close: a request that opens its handles after they were closed still sees it.
    abortPending_ = true;
    TInetAbortThread abortThread(*this);
    abortThread.Execute();
}

void TInetAbortThread::Execute() {
    const auto started = _beginthreadex(nullptr, 0, &TInetAbortThread::ThreadBody, this, CREATE_SUSPENDED, nullptr);
    UniqueHandle thread(reinterpret_cast<HANDLE>(started));
    if (!thread) {
        // No thread to be had: closing the handles from here still breaks the transfer off.
        ThreadBody(this);
        return;
    }
    ResumeThread(thread.Get());
    WaitForThread(thread.Get());
}

unsigned __stdcall TInetAbortThread::ThreadBody(void* self) {
    try {
        static_cast<TInetAbortThread*>(self)->control_.Disconnect();
    } catch (...) {
        // The handles are closed before anything can raise; an event that failed changes nothing.
    }
    return 0;
}
