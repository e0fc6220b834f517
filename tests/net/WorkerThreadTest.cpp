// The worker thread's hand-over to the window: each run posts what its own Start was given.
#include "net/WorkerThread.h"
#include "tests/net/NetTesting.h"

#include <gtest/gtest.h>

#include <functional>

using namespace net_testing;

namespace {

// Fails its first run and succeeds after that; runs a step of the test just before its first notice
// goes out.
class ScriptedWorker : public WorkerThread {
public:
    ~ScriptedWorker() override { WaitUntilFinished(); }

    void Run() override { SetResult(runs_++ == 0 ? 1 : 0); }
    void Notify(const Notice& notice) override {
        if (notices_++ == 0 && beforeFirstNotice) {
            beforeFirstNotice();
        }
        WorkerThread::Notify(notice);
    }

    std::function<void()> beforeFirstNotice;

private:
    int runs_ = 0;
    int notices_ = 0;
};

} // namespace

TEST(WorkerThread, ARunStartedJustBeforeTheLastOneNotifiesLeavesThatNoticeAlone) {
    DoneListener first;
    DoneListener second;
    ScriptedWorker worker;
    // The window that hears the first run starts the next one at once; here it comes at the worst
    // moment, when the first run has released its thread but not yet posted.
    worker.beforeFirstNotice = [&] { EXPECT_NE(worker.Start(second.Window(), kDownloadDoneMessage, 7), -1); };
    ASSERT_NE(worker.Start(first.Window(), kDownloadDoneMessage, 5), -1);

    // The two notices may come in either order.
    EXPECT_TRUE(testing_windows::PumpUntil([&] { return first.done.size() + second.done.size() == 2; }));
    ASSERT_EQ(first.done.size(), 1u);
    ASSERT_EQ(second.done.size(), 1u);
    EXPECT_EQ(first.done[0].first, 5u);
    EXPECT_EQ(first.done[0].last, 1);
    EXPECT_EQ(second.done[0].first, 7u);
    EXPECT_EQ(second.done[0].last, 0);
}
