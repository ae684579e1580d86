#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "app/DialogCalls.h"

using namespace app;

namespace {

// The dialog's side of the calls, driven by hand: wake-ups are counted and waited for,
// so each test decides exactly when the dialog's thread runs the queue.
class DialogThreadDouble {
public:
    explicit DialogThreadDouble(DialogCalls& calls) : calls_(calls) {
        calls_.bindToCurrentThread();
        calls_.setWake([this] {
            std::lock_guard lock(mutex_);
            ++wakes_;
            woken_.notify_all();
        });
    }
    // Blocks until n wake-ups in all have come.
    void awaitWakes(int n) {
        std::unique_lock lock(mutex_);
        woken_.wait(lock, [&] { return wakes_ >= n; });
    }

private:
    DialogCalls& calls_;
    std::mutex mutex_;
    std::condition_variable woken_;
    int wakes_ = 0;
};

TEST(DialogCallsTest, CallRunsOnDialogThreadAndReturnsAfterIt) {
    DialogCalls calls;
    DialogThreadDouble dialog(calls);
    const std::thread::id dialogId = std::this_thread::get_id();
    std::thread::id ranOn;
    std::atomic<bool> returned{false};
    bool answer = false;
    std::thread worker([&] {
        answer = calls.call([&] { ranOn = std::this_thread::get_id(); });
        returned.store(true, std::memory_order_release);
    });
    dialog.awaitWakes(1);
    EXPECT_FALSE(returned.load(std::memory_order_acquire));
    calls.runPending();
    worker.join();
    EXPECT_TRUE(answer);
    EXPECT_EQ(ranOn, dialogId);
}

TEST(DialogCallsTest, CallFromDialogThreadRunsAtOnce) {
    DialogCalls calls;
    DialogThreadDouble dialog(calls);
    int ran = 0;
    EXPECT_TRUE(calls.call([&] { ++ran; }));
    EXPECT_EQ(ran, 1);
}

// The dialog's thread may close and then wait for a worker that is stuck in a call.
TEST(DialogCallsTest, CloseCancelsQueuedCallAndFreesItsCaller) {
    DialogCalls calls;
    DialogThreadDouble dialog(calls);
    int ran = 0;
    bool answer = true;
    std::thread worker([&] { answer = calls.call([&] { ++ran; }); });
    dialog.awaitWakes(1);
    calls.close();
    worker.join();
    EXPECT_FALSE(answer);
    calls.runPending();
    EXPECT_EQ(ran, 0);
}

TEST(DialogCallsTest, CallsAfterCloseAreRefusedOnEveryThread) {
    DialogCalls calls;
    DialogThreadDouble dialog(calls);
    calls.close();
    calls.close();
    int ran = 0;
    EXPECT_FALSE(calls.call([&] { ++ran; }));
    bool answer = true;
    std::thread worker([&] { answer = calls.call([&] { ++ran; }); });
    worker.join();
    EXPECT_FALSE(answer);
    EXPECT_EQ(ran, 0);
    EXPECT_TRUE(calls.closed());
}

// A close from inside a running call (a message box's loop) leaves that call to finish;
// its caller is released only then, as done, and later calls are refused.
TEST(DialogCallsTest, CloseDuringARunningCallLetsItFinish) {
    DialogCalls calls;
    DialogThreadDouble dialog(calls);
    std::vector<int> order;
    bool first = false;
    bool second = true;
    std::thread worker([&] {
        first = calls.call([&] {
            order.push_back(1);
            calls.close();
            order.push_back(2);
        });
        second = calls.call([&] { order.push_back(3); });
    });
    dialog.awaitWakes(1);
    calls.runPending();
    worker.join();
    EXPECT_TRUE(first);
    EXPECT_FALSE(second);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

}  // namespace
