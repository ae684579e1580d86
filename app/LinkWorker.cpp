#include "app/LinkWorker.h"

#include "app/FixDialog.h"
#include "app/ProcessObjects.h"
#include "app/SpeedFix.h"
#include "app/TimeoutScope.h"

namespace app {

namespace {
constexpr int kPollMs = 500;
}  // namespace

LinkWorker::LinkWorker(FixDialog& owner, ProcessObjects& objects)
    : owner_(owner), objects_(objects), search_(objects, *this) {}

LinkWorker::~LinkWorker() { stopAndWait(); }

void LinkWorker::setTarget(std::int32_t target) {
    search_.setTarget(target);
    fixRequested_.store(false, std::memory_order_release);
    newTarget_.store(target > 0, std::memory_order_release);
}

void LinkWorker::requestFix() {
    // Until the search for a new target begins, found still speaks of the old one.
    if (found() && !newTarget_.load(std::memory_order_acquire)) {
        fixRequested_.store(true, std::memory_order_release);
    }
}

void LinkWorker::onStopRequested() { objects_.commandLink.requestStop(); }

void LinkWorker::run() {
    objects_.frameDispatcher.setNodeSink(&search_);
    while (running()) {
        if (takeSearchRequest()) runSearch();
        if (running() && takeFixRequest()) {
            SpeedFix(objects_, search_, owner_).run();
            continue;
        }
        idlePoll();
    }
    // Nothing may call back into a worker that has ended.
    objects_.frameDispatcher.setNodeSink(nullptr);
}

bool LinkWorker::takeSearchRequest() {
    if (!newTarget_.load(std::memory_order_acquire)) return false;
    // Found is cleared before the flag is taken: a Fix press before that sees a search due,
    // one after it sees nothing found, so no press is taken for the old target. Searching is
    // set first too, so searchDue never lapses while the search begins.
    search_.clearFound();
    searching_.store(true, std::memory_order_release);
    // The exchange reads the dialog's latest store of the flag, and so sees the target
    // stored before it; a Search accepted from here on sets the flag again.
    if (newTarget_.exchange(false, std::memory_order_acq_rel) && target() != 0) return true;
    searching_.store(false, std::memory_order_release);
    return false;
}

bool LinkWorker::takeFixRequest() {
    if (!found() || !fixRequested_.load(std::memory_order_acquire)) return false;
    fixRequested_.store(false, std::memory_order_release);
    return true;
}

void LinkWorker::runSearch() {
    // The count is of the nodes that answer this search, not of an earlier one cut short.
    owner_.resetOthersCount();
    search_.run();
    searching_.store(false, std::memory_order_release);
}

void LinkWorker::idlePoll() {
    TimeoutScope poll(objects_.commandLink, kPollMs);
    objects_.commandLink.waitForCompletion(0);
}

void LinkWorker::onNodeReport(const NodeReport& report, bool isTarget) {
    if (!report.turbine) return;
    if (!isTarget) {
        owner_.showOthersCount(owner_.countOther());
        return;
    }
    owner_.setTurbineIdText(std::string(report.name));
    owner_.enableFix(true);
}

}  // namespace app
