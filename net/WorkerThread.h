// WorkerThread: runs the virtual Run on a thread of its own, then posts a message to a window.
//
// One run at a time: Start refuses (-1) while the thread of the previous run exists. The thread releases
// its own handle when Run has returned, before it posts, so that the window that hears the message can
// start the next run at once. Whatever Run raises is caught at the thread's edge.
#pragma once

#include "support/WinHandles.h"

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

class WorkerThread {
public:
    WorkerThread() = default;
    // Waits for a thread that is still running; a derived class stops its Run first.
    virtual ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Returns the new thread's handle, or -1 while the previous run is not finished. Raises when no
    // thread can be made.
    std::intptr_t Start(HWND window, UINT message, WPARAM firstParameter);

    // What a finished run posts: the window, message and first parameter its Start was given, and its
    // result.
    struct Notice {
        HWND window;
        UINT message;
        WPARAM firstParameter;
        LPARAM result;
    };

    // Posts the notice when it names a window. The thread body takes the notice under the lock that
    // Start holds, before the next run can be started: read any later, the fields could already belong
    // to that next run.
    virtual void Notify(const Notice& notice);
    virtual void Cancel() { cancelled_ = 1; }
    virtual void Reset() { cancelled_ = 0; }
    virtual void Run() = 0;

    bool Running() const { return running_.load() != 0; }
    bool CancelFlag() const { return cancelled_.load() != 0; }
    std::int32_t Result() const { return result_.load(); }

protected:
    void SetResult(std::int32_t result) { result_ = result; }
    // Returns once no thread of this object runs any more.
    void WaitUntilFinished();

private:
    static unsigned __stdcall ThreadBody(void* self);

    std::atomic<std::int32_t> result_{0};
    UniqueHandle thread_;
    std::atomic<std::uint32_t> running_{0};
    std::atomic<std::uint32_t> cancelled_{0};
    HWND window_ = nullptr;
    UINT message_ = WM_USER;
    WPARAM firstParameter_ = 0;

    // Guards thread_ and counts the thread bodies that have not yet returned.
    std::mutex lock_;
    std::condition_variable finished_;
    int bodies_ = 0;
};
