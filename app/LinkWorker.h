#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "app/WorkerThread.h"
#include "engine/ServiceObserver.h"
#include "engine/TurbineMatch.h"

namespace engine {
class TurbineService;
}

namespace app {

class FixDialog;

// The dialog's worker thread: all radio traffic runs here. It runs the search for the
// turbine the operator named and the speed fix when asked, and shows what the search
// reports in the dialog. When the radio dongle fails it says so, and attaches it again once
// it is back.
//
// The dialog's thread talks to it only through the atomics below and the search request,
// which a mutex guards. Two orderings matter: the request is stored before the new-target
// flag and read after it (release/acquire), and fix requested is cleared before the fix
// starts, so a press during the fix is kept. The new-target flag is taken as a search
// begins, so a Search accepted while one runs gets a search of its own, and a Search
// accepted during a fix leaves the fix on its turbine to its end; an accepted Search drops
// a pending Fix, which was pressed for the turbine found before it.
class LinkWorker final : public WorkerThread, private engine::ServiceObserver {
public:
    LinkWorker(FixDialog& owner, engine::TurbineService& service);
    ~LinkWorker() override;

    // Dialog's thread: a new target, and the ID as typed (a radio named exactly so is that
    // radio alone); a search follows when the target is above 0. Any Fix still pending is
    // dropped.
    void setTarget(std::int32_t target, std::string typed = {});
    // Dialog's thread: the Fix button. Only heeded while the target is found and no search
    // for a newer one is waiting to begin.
    void requestFix();

    // The target last accepted, whether its search has begun or not.
    std::int32_t target() const { return requestedTarget_.load(std::memory_order_acquire); }
    bool found() const;
    // A search has been asked for and has not ended yet.
    bool searchDue() const {
        return newTarget_.load(std::memory_order_acquire) ||
               searching_.load(std::memory_order_acquire);
    }
    bool fixDue() const { return fixRequested_.load(std::memory_order_acquire); }

    // The service the worker drives, which it observes while it lives.
    engine::TurbineService& service() { return service_; }

protected:
    void run() override;
    void onStopRequested() override;

private:
    // Each answers whether its step is due, and takes the request when it is.
    bool takeSearchRequest();
    bool takeFixRequest();
    void runSearch();
    void runFix();
    // The dongle failed: say so, forget the turbine, close the port, then attach device 0
    // again about once a second, as start-up does, until that works or the worker is
    // stopped. Nothing is written to a remote radio before the operator's next Search.
    void recoverDongle();

    // Worker thread, inside a receive: the dialog shows the turbine's reports, and counts
    // the other nodes; a name too short to carry an identifier is neither.
    void onNode(const engine::NodeReport& report, engine::NodeRole role,
                std::size_t radios) override;
    // Worker thread: the turbine found, or the radios that all answer as it.
    void onSearchEnded(const engine::SearchResult& result) override;
    // Worker thread: the fix's steps go to the dialog.
    void onStatus(const std::string& text) override;
    void onFixComplete() override;

    FixDialog& owner_;
    engine::TurbineService& service_;
    std::atomic<bool> newTarget_{false};
    std::atomic<bool> fixRequested_{false};
    std::atomic<bool> searching_{false};
    std::atomic<std::int32_t> requestedTarget_{0};
    std::mutex requestMutex_;
    engine::SearchTarget request_;  // guarded by requestMutex_
    engine::SearchTarget target_;   // worker thread: the search taken
    bool dongleLossShown_ = false;  // worker thread: the fix has said the dongle is gone
};

}  // namespace app
