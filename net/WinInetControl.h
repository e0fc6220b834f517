// TWinInetControl: the WinINet session beneath the HTTP client.
//
// It owns the internet handle (the root handle from InternetOpenA) and the settings that apply to all
// that is opened under it: timeout, retries, proxy use, cache use, user name and password, host and
// port. It keeps the connection state with its change event and display texts, turns WinINet connect
// errors into messages, and aborts a blocked transfer from another thread (Abort). It transfers nothing
// itself: TSimpleHTTP builds on it.
//
// WinINet runs in its blocking form, so status callbacks, OnStateChange and the status display run on
// the thread that made the WinINet call. Abort is the one operation meant for another thread.
#pragma once

#include "net/InternetHandles.h"
#include "support/Error.h"

#include <windows.h>

#include <wininet.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum TWinInetState : int {
    fsDisconnecting = 0,
    fsNoconnection = 1,
    fsConnecting = 2,
    fsConnected = 3,
    fsResolvingName = 4,
    fsNameResolved = 5,
};

// How the program reaches the network; each value opens the internet handle with its access type.
enum TResolveNames : int {
    rnLocal = 0,     // INTERNET_OPEN_TYPE_DIRECT
    rnPreConfig = 1, // INTERNET_OPEN_TYPE_PRECONFIG: the system's own internet settings
    rnProxy = 2,     // INTERNET_OPEN_TYPE_PROXY, through ProxyName
};

class EWinInetError : public EZolvaneError {
public:
    using EZolvaneError::EZolvaneError;
};

// The lines, each followed by a carriage return and a line feed, as WinINet takes a list in one text.
std::string JoinLines(const std::vector<std::string>& lines);

class TWinInetControl;
using TNotifyEvent = std::function<void(TWinInetControl& sender)>;
using TStateChangeEvent = std::function<void(TWinInetControl& sender, TWinInetState state)>;

constexpr std::uint32_t kDefaultConnectTimeout = 300000;
constexpr std::uint32_t kDefaultConnectRetries = 3;
// The request flags of a component whose cache is off.
constexpr DWORD kNoCacheFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;

class TWinInetControl {
public:
    TWinInetControl();
    // Closes the internet handle without a state change or an event.
    virtual ~TWinInetControl();
    TWinInetControl(const TWinInetControl&) = delete;
    TWinInetControl& operator=(const TWinInetControl&) = delete;

    // ---- Properties without rules of their own ------------------------------------------------------
    std::string HostName; // also the %s of the state and error texts
    std::string UserName;
    std::string Password;
    std::int32_t Port = 0; // only the low 16 bits reach WinINet
    std::string ProxyName; // used with rnProxy only
    bool QuickProgress = false;
    // A progress bar (common controls) that TSimpleHTTP moves during a transfer, or none.
    HWND QuickProgressMinor = nullptr;
    // A status bar that shows the state text, or none.
    HWND QuickStatus = nullptr;
    // When true, failures change the state but raise nothing.
    bool SilentExceptions = true;
    TNotifyEvent OnConnected;
    TStateChangeEvent OnStateChange;
    // Raised by Disconnect when the state changed.
    TNotifyEvent OnDisconnect;

    // ---- Properties with setters ----------------------------------------------------------------------
    // 0 stores the default. With an open internet handle, the option is set on it at once.
    void SetConnectTimeout(std::uint32_t milliseconds);
    // With an open internet handle, asks WinINet (the default when that fails); otherwise the stored value.
    std::uint32_t GetConnectTimeOut() const;
    void SetConnectRetries(std::uint32_t count);
    std::uint32_t GetConnectRetries() const;
    // Takes effect when the next internet handle is opened.
    void SetResolveNames(TResolveNames value);
    TResolveNames ResolveNames() const { return resolveNames_; }
    void SetProxyBypassList(const std::vector<std::string>& hosts) { proxyBypassList_ = hosts; }
    const std::vector<std::string>& ProxyBypassList() const { return proxyBypassList_; }
    // False puts INTERNET_FLAG_RELOAD and INTERNET_FLAG_NO_CACHE_WRITE into the request flags: every
    // request goes to the server, and no body is copied into the system's cache on the way.
    void SetEnableCache(bool enable);
    bool EnableCache() const { return enableCache_; }

    TWinInetState State() const { return state_.load(); }
    // The WinINet access type that ResolveNames chose.
    DWORD AccessType() const { return accessType_; }
    // The flags every request of TSimpleHTTP carries.
    DWORD RequestFlags() const { return requestFlags_.load(); }
    HINTERNET InternetHandle() const { return internet_.Get(); }

    // ---- Operations -----------------------------------------------------------------------------------
    // Opens the internet handle when there is none, registers the status callback and applies retries and
    // timeout. True only when the state already was fsConnected.
    virtual bool Connect();
    // Closes the internet handle; then, unless the component is being destroyed, moves to fsNoconnection
    // and raises OnDisconnect when that was a change. Returns true.
    virtual bool Disconnect();
    // Stores the state and raises OnStateChange; false, and nothing raised, when it is the state already.
    bool DoStateChange(TWinInetState state);
    // The state's text, with HostName for %s.
    std::string TranslateStateText(TWinInetState state) const;
    // WinINet's text for the last failed call of this thread, or "No error description available".
    static std::string GetLastErrorString();
    // Moves to fsNoconnection, then raises EWinInetError with the code's message unless silent.
    virtual void HandleConnectError(DWORD code);
    // Maps the WinINet status codes of name resolution and connection to states.
    virtual void HandleStatusCallback(DWORD status, void* information, DWORD length);
    void RegisterStatusCallback();
    static void CALLBACK RegisteredStatusCallback(HINTERNET handle, DWORD_PTR context, DWORD status, void* information,
                                                  DWORD length);
    // Sets the progress bar QuickProgressMinor from the current transfer.
    virtual void DoQuickProgress() = 0;
    // Cancels a transfer that another thread is blocked in: an abort thread runs Disconnect, which closes
    // the handles, and the blocked call returns with an error. Returns once the abort thread has ended.
    // A request that has no handle to close yet is refused before it opens one and before it is sent
    // (RefuseWhenAborted), so that no connect has to time out first; the abort holds until the request
    // that it met, or the next one, has ended (AbortHandled).
    void Abort();

    // The message of HandleConnectError for a WinINet error code.
    std::string ConnectErrorText(DWORD code) const;

protected:
    // The null is stored even when the close fails.
    static void SafeCloseHandle(SharedInternetHandle& handle) noexcept { handle.Close(); }
    // The derived destructor calls this before it closes its own handles, so that nothing raises events
    // into an object half destroyed.
    void BeginDestruction() noexcept { destroying_ = true; }
    bool Destroying() const noexcept { return destroying_.load(); }
    void SetRequestFlag(DWORD flag, bool on);
    // After an Abort: moves to fsNoconnection and raises EWinInetError unless silent; true when the
    // caller must go no further.
    bool RefuseWhenAborted();
    // The request that an Abort was meant for has ended: the next one runs.
    void AbortHandled() noexcept { abortPending_ = false; }
    // A 32-bit option of the internet handle: set when the handle is open; read from it when open (the
    // fallback when WinINet cannot tell), otherwise the stored value.
    void SetNumberOption(DWORD option, std::uint32_t value);
    std::uint32_t NumberOption(DWORD option, std::uint32_t stored, std::uint32_t fallback) const;

    SharedInternetHandle internet_;

private:
    void ShowStateText(TWinInetState state);

    // The application's title, taken on the thread that made the component: the agent WinINet names.
    std::string agent_;
    std::uint32_t connectRetries_ = kDefaultConnectRetries;
    std::uint32_t connectTimeout_ = kDefaultConnectTimeout;
    TResolveNames resolveNames_ = rnLocal;
    bool enableCache_ = false;
    std::vector<std::string> proxyBypassList_;
    DWORD accessType_ = INTERNET_OPEN_TYPE_DIRECT;
    std::atomic<DWORD> requestFlags_{kNoCacheFlags};
    // Written by the transferring thread and, during Abort, by the abort thread.
    std::atomic<TWinInetState> state_{fsNoconnection};
    std::atomic<bool> destroying_{false};
    // Set by Abort, on the thread that cancels.
    std::atomic<bool> abortPending_{false};
};

// The thread that runs a control's Disconnect for Abort.
class TInetAbortThread {
public:
    explicit TInetAbortThread(TWinInetControl& control) : control_(control) {}
    TInetAbortThread(const TInetAbortThread&) = delete;
    TInetAbortThread& operator=(const TInetAbortThread&) = delete;

    // Runs Disconnect on a thread of its own and returns when that thread has ended. While it waits it
    // still answers messages that other threads send to this thread's windows, so that a status display
    // updated from the abort thread cannot wait on it for ever.
    void Execute();

private:
    static unsigned __stdcall ThreadBody(void* self);

    TWinInetControl& control_;
};
