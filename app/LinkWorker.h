#pragma once

#include <atomic>
#include <cstdint>

#include "app/TurbineSearch.h"
#include "app/WorkerThread.h"

namespace app {

class FixDialog;
class ProcessObjects;

// The dialog's worker thread: all radio traffic runs here. It runs the search for the
// turbine the operator named and the speed fix when asked, and shows what the search
// reports in the dialog.
//
// The dialog's thread talks to it only through the atomics below. Two orderings matter:
// the target is stored before the new-target flag and read after it (release/acquire),
// and fix requested is cleared before the fix starts, so a press during the fix is kept.
// The new-target flag is taken as a search begins, so a Search accepted while one runs
// gets a search of its own; an accepted Search drops a pending Fix, which was pressed for
// the turbine found before it.
class LinkWorker final : public WorkerThread, private NodeListener {
public:
    LinkWorker(FixDialog& owner, ProcessObjects& objects);
    ~LinkWorker() override;

    // Dialog's thread: a new target; a search follows when it is above 0. Any Fix still
    // pending is dropped.
    void setTarget(std::int32_t target);
    // Dialog's thread: the Fix button. Only heeded while the target is found and no search
    // for a newer one is waiting to begin.
    void requestFix();

    std::int32_t target() const { return search_.target(); }
    bool found() const { return search_.found(); }
    // A search has been asked for and has not ended yet.
    bool searchDue() const {
        return newTarget_.load(std::memory_order_acquire) ||
               searching_.load(std::memory_order_acquire);
    }
    bool fixDue() const { return fixRequested_.load(std::memory_order_acquire); }

    // The node sink the worker registers while it runs.
    TurbineSearch& search() { return search_; }

protected:
    void run() override;
    void onStopRequested() override;

private:
    // Each answers whether its step is due, and takes the request when it is.
    bool takeSearchRequest();
    bool takeFixRequest();
    void runSearch();
    void idlePoll();
    // Worker thread, inside a receive: the dialog shows the target found, or counts the
    // node; a name too short to carry an identifier is neither.
    void onNodeReport(const NodeReport& report, bool isTarget) override;

    FixDialog& owner_;
    ProcessObjects& objects_;
    TurbineSearch search_;
    std::atomic<bool> newTarget_{false};
    std::atomic<bool> fixRequested_{false};
    std::atomic<bool> searching_{false};
};

}  // namespace app
