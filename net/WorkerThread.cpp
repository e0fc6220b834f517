#include "net/WorkerThread.h"

#include "support/Error.h"
#include "support/ErrorCodes.h"

#include <process.h>

WorkerThread::~WorkerThread() { WaitUntilFinished(); }

std::intptr_t WorkerThread::Start(HWND window, UINT message, WPARAM firstParameter) {
    std::lock_guard<std::mutex> guard(lock_);
    if (thread_) {
        return -1;
    }
    result_ = 0;
    Reset();
    window_ = window;
    message_ = message;
    firstParameter_ = firstParameter;
    running_ = 1;
    ++bodies_;
    // The lock is held until the handle is stored, so the body, which releases the handle under the
    // same lock, can only release it after it has been stored: it is released exactly once.
    const auto started = _beginthreadex(nullptr, 0, &WorkerThread::ThreadBody, this, 0, nullptr);
    if (started == 0) {
        const std::string reason = LastErrorText();
        running_ = 0;
        --bodies_;
        throw EZolvaneError(reason);
    }
    thread_.Reset(reinterpret_cast<HANDLE>(started));
    return static_cast<std::intptr_t>(started);
}

void WorkerThread::Notify(const Notice& notice) {
    if (notice.window != nullptr) {
        PostMessageA(notice.window, notice.message, notice.firstParameter, notice.result);
    }
}

void WorkerThread::WaitUntilFinished() {
    std::unique_lock<std::mutex> guard(lock_);
    finished_.wait(guard, [this] { return bodies_ == 0; });
}

unsigned __stdcall WorkerThread::ThreadBody(void* self) {
    auto& worker = *static_cast<WorkerThread*>(self);
    try {
        worker.Run();
    } catch (...) {
        // Run reports through its result; nothing may leave the thread.
    }
    Notice notice{};
    {
        std::lock_guard<std::mutex> guard(worker.lock_);
        worker.running_ = 0;
        worker.thread_.Reset();
        // Once the handle is released a Start may come at any moment and store its own run's fields.
        notice =
            Notice{worker.window_, worker.message_, worker.firstParameter_, static_cast<LPARAM>(worker.result_.load())};
    }
    try {
        worker.Notify(notice);
    } catch (...) {
        // A window that is gone hears nothing.
    }
    // The last touch of the object: once the count is 0 its owner may destroy it.
    std::lock_guard<std::mutex> guard(worker.lock_);
    --worker.bodies_;
    worker.finished_.notify_all();
    return 0;
}
