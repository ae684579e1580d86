#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "app/WorkerThread.h"

using namespace app;

namespace {

// Runs until asked to stop; its wait ends when a stop is requested, as the port's does.
class BlockingWorker final : public WorkerThread {
public:
    ~BlockingWorker() override { stopAndWait(); }

    void awaitStarted() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return started_; });
    }
    int passes() const { return passes_; }

protected:
    void run() override {
        std::unique_lock lock(mutex_);
        started_ = true;
        changed_.notify_all();
        while (running()) {
            ++passes_;
            changed_.wait(lock, [&] { return stop_; });
        }
    }
    void onStopRequested() override {
        std::lock_guard lock(mutex_);
        stop_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool started_ = false;
    bool stop_ = false;
    int passes_ = 0;
};

TEST(WorkerThreadTest, StopAndWaitEndsABlockedRun) {
    BlockingWorker worker;
    ASSERT_TRUE(worker.start());
    worker.awaitStarted();
    EXPECT_TRUE(worker.running());
    worker.stopAndWait();
    EXPECT_FALSE(worker.running());
    EXPECT_TRUE(worker.ended());
    EXPECT_EQ(worker.passes(), 1);
}

// A stop requested before the new thread gets going is not undone when it does.
TEST(WorkerThreadTest, StopRightAfterStartIsKept) {
    BlockingWorker worker;
    ASSERT_TRUE(worker.start());
    worker.stopAndWait();
    EXPECT_TRUE(worker.ended());
    EXPECT_FALSE(worker.running());
}

TEST(WorkerThreadTest, SecondStartWhileRunningIsRefused) {
    BlockingWorker worker;
    ASSERT_TRUE(worker.start());
    EXPECT_FALSE(worker.start());
    worker.stopAndWait();
    worker.stopAndWait();
    EXPECT_TRUE(worker.ended());
}

TEST(WorkerThreadTest, NeverStartedStopsAtOnce) {
    BlockingWorker worker;
    worker.stopAndWait();
    EXPECT_FALSE(worker.ended());
}

}  // namespace
