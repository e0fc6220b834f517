// Owners for WinINet handles.
//
// UniqueInternet is the one UniqueResource template for a handle from InternetOpenA, InternetConnectA or
// HttpOpenRequestA. SharedInternetHandle holds such a handle where a second thread may close it while
// the first is blocked in a call on it (the abort of a transfer): its value is atomic, so the thread
// that reads it always sees either the open handle or the null that a close stored.
#pragma once

#include "support/UniqueResource.h"

#include <windows.h>

#include <wininet.h>

#include <atomic>

struct InternetHandleTraits {
    using Value = HINTERNET;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value handle) noexcept { InternetCloseHandle(handle); }
};
using UniqueInternet = UniqueResource<InternetHandleTraits>;

class SharedInternetHandle {
public:
    SharedInternetHandle() = default;
    ~SharedInternetHandle() { Close(); }
    SharedInternetHandle(const SharedInternetHandle&) = delete;
    SharedInternetHandle& operator=(const SharedInternetHandle&) = delete;

    HINTERNET Get() const noexcept { return value_.load(); }
    bool IsOpen() const noexcept { return Get() != nullptr; }

    // Takes ownership of the handle (a null one included); one held before is closed.
    void Reset(HINTERNET handle) noexcept { UniqueInternet previous(value_.exchange(handle)); }

    // The null is stored before the close, so it is there even when the close fails; of two threads
    // that close at once, only one gets the handle to close.
    void Close() noexcept { UniqueInternet previous(value_.exchange(nullptr)); }

private:
    std::atomic<HINTERNET> value_{nullptr};
};
