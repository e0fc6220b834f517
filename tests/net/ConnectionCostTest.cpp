// The system's connection cost, asked for real: Wine reports no metered connection, and a system that
// cannot say counts as unmetered too. Asking leaves the thread's COM as it found it.
#include "net/ConnectionCost.h"

#include <windows.h>

#include <objbase.h>

#include <gtest/gtest.h>

#include <thread>

namespace {

// Runs the steps on a new thread, which starts without COM.
template <class Steps>
void OnNewThread(Steps steps) {
    std::thread thread(steps);
    thread.join();
}

} // namespace

TEST(SystemConnectionCost, AnswersUnmeteredAndLeavesTheThreadsComAsItFoundIt) {
    const std::unique_ptr<ConnectionCost> cost = SystemConnectionCost();
    OnNewThread([&] {
        EXPECT_FALSE(cost->IsMetered());
        EXPECT_FALSE(cost->IsMetered());
        // The apartment the question made is gone: the thread may choose the other model.
        const HRESULT started = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        EXPECT_EQ(started, S_OK);
        if (SUCCEEDED(started)) {
            CoUninitialize();
        }
    });
    OnNewThread([&] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        EXPECT_FALSE(cost->IsMetered());
        // The thread's own COM is still there.
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
        CoUninitialize();
        CoUninitialize();
    });
}
