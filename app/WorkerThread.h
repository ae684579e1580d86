#pragma once

#include <atomic>
#include <thread>

namespace app {

// Runs one operation, run(), on a thread of its own. Stopping is cooperative: run() looks
// at running() between its steps, and onStopRequested() lets a subclass cut short a
// wait that is in progress.
class WorkerThread {
public:
    WorkerThread() = default;
    // Stops and joins a thread that is still running.
    virtual ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Answers whether the thread was created.
    bool start();
    // Asks run() to end; any thread, returns at once.
    void requestStop();
    // Asks run() to end and waits until the thread has ended.
    void stopAndWait();

    bool running() const { return running_.load(std::memory_order_acquire); }
    // True once a started thread has left run().
    bool ended() const { return ended_.load(std::memory_order_acquire); }

protected:
    virtual void run() = 0;
    // Called by requestStop on the requesting thread, after running has been cleared.
    virtual void onStopRequested() {}

private:
    void entry();

    std::atomic<bool> running_{false};
    std::atomic<bool> ended_{false};
    std::thread thread_;
};

}  // namespace app
