#pragma once

#include <atomic>
#include <cstdint>

#include "app/WorkerThread.h"
#include "radio/NodeSink.h"

namespace radio {
class LocalCommandSender;
}

namespace app {

class FixDialog;
class ProcessObjects;

// The worker thread: all radio traffic runs here. It finds the turbine the operator named
// among the nodes that report, and runs the speed fix when asked.
//
// The dialog's thread talks to it only through the atomics below. Two orderings matter:
// the target is stored before the new-target flag and read after it (release/acquire),
// and fix requested is cleared before the fix starts, so a press during the fix is kept.
// The new-target flag is taken as a search begins, so a Search accepted while one runs
// gets a search of its own; an accepted Search drops a pending Fix, which was pressed for
// the turbine found before it.
class LinkWorker final : public WorkerThread, public radio::NodeSink {
public:
    LinkWorker(FixDialog& owner, ProcessObjects& objects);
    ~LinkWorker() override;

    // Dialog's thread: a new target; a search follows when it is above 0. Any Fix still
    // pending is dropped.
    void setTarget(std::int32_t target);
    // Dialog's thread: the Fix button. Only heeded while the target is found and no search
    // for a newer one is waiting to begin.
    void requestFix();

    std::int32_t target() const { return target_.load(std::memory_order_acquire); }
    bool found() const { return found_.load(std::memory_order_acquire); }
    // A search has been asked for and has not ended yet.
    bool searchDue() const {
        return newTarget_.load(std::memory_order_acquire) ||
               searching_.load(std::memory_order_acquire);
    }
    bool fixDue() const { return fixRequested_.load(std::memory_order_acquire); }

    // Worker thread, inside a receive: one node report.
    void onNode(std::uint32_t high, std::uint32_t low, std::uint16_t network, const char* name,
                std::int32_t extra) override;

    // Worker thread: waits up to ms for the target to report again, in 500 ms waits that
    // each end early on a node announcement; answers found.
    bool waitForLink(int ms);
    // Worker thread: sleeps ms through the clock in short slices, ending early once a
    // stop is requested; answers whether the worker is still running.
    bool pause(int ms);

    FixDialog& owner() const { return owner_; }
    ProcessObjects& objects() const { return objects_; }

protected:
    void run() override;
    void onStopRequested() override;

private:
    // Each answers whether its step is due, and takes the request when it is.
    bool takeSearchRequest();
    bool takeFixRequest();
    void search(radio::LocalCommandSender& local);
    void idlePoll();

    FixDialog& owner_;
    ProcessObjects& objects_;
    std::atomic<std::int32_t> target_{0};
    std::atomic<bool> found_{false};
    std::atomic<bool> newTarget_{false};
    std::atomic<bool> fixRequested_{false};
    std::atomic<bool> searching_{false};
};

}  // namespace app
