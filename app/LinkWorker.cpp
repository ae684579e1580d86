#include "app/LinkWorker.h"

#include <algorithm>

#include "app/FixDialog.h"
#include "app/ProcessObjects.h"
#include "app/SpeedFix.h"
#include "app/Startup.h"
#include "app/TimeoutScope.h"

namespace app {

namespace {
constexpr int kPollMs = 500;
// Between the tries to attach a dongle that has gone; each try may enumerate the ports.
constexpr int kReattachEveryMs = 1000;
// Short enough that closing the window ends the wait at once.
constexpr int kSleepSliceMs = 20;
constexpr const char* kAmbiguousPrefix = "More than one radio answers: ";
}  // namespace

LinkWorker::LinkWorker(FixDialog& owner, ProcessObjects& objects)
    : owner_(owner), objects_(objects), search_(objects, *this) {}

LinkWorker::~LinkWorker() { stopAndWait(); }

void LinkWorker::setTarget(std::int32_t target, std::string typed) {
    {
        std::lock_guard lock(requestMutex_);
        request_.number = target;
        request_.text = std::move(typed);
    }
    requestedTarget_.store(target, std::memory_order_release);
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
        if (objects_.commandLink.portFailed()) {
            recoverDongle();
            continue;
        }
        if (takeSearchRequest()) runSearch();
        if (!running() || objects_.commandLink.portFailed()) continue;
        if (takeFixRequest()) {
            runFix();
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
    // The exchange reads the dialog's latest store of the flag, and so sees the request
    // stored before it; a Search accepted from here on sets the flag again.
    if (newTarget_.exchange(false, std::memory_order_acq_rel)) {
        SearchTarget target;
        {
            std::lock_guard lock(requestMutex_);
            target = request_;
        }
        if (target.number != 0) {
            search_.setTarget(std::move(target));
            return true;
        }
    }
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

void LinkWorker::runFix() {
    const FixResult result = SpeedFix(objects_, search_, owner_).run();
    dongleLossShown_ = result.outcome == FixOutcome::DongleGone;
}

void LinkWorker::idlePoll() {
    TimeoutScope poll(objects_.commandLink, kPollMs);
    objects_.commandLink.waitForCompletion(0);
}

void LinkWorker::recoverDongle() {
    fixRequested_.store(false, std::memory_order_release);
    search_.forget();
    if (!dongleLossShown_) owner_.setStatus(kStatusDongleGone);
    dongleLossShown_ = false;
    // Closed at once: the system keeps a device that is held open, and would give the
    // dongle another name when it is plugged in again.
    objects_.releasePort();
    while (pause(kReattachEveryMs)) {
        if (attachRadio(objects_, objects_.frameAssembler, kRadioDeviceIndex, kRadioBaud, nullptr,
                        true)) {
            owner_.setStatus(kStatusDongleBack);
            return;
        }
    }
}

bool LinkWorker::pause(int ms) {
    while (ms > 0 && running()) {
        const int slice = std::min(ms, kSleepSliceMs);
        objects_.clock.sleepFor(slice);
        ms -= slice;
    }
    return running();
}

void LinkWorker::onNodeReport(const NodeReport& report, NodeRole role) {
    if (!report.turbine) return;
    switch (role) {
        case NodeRole::Other:
            owner_.showOthersCount(owner_.countOther());
            break;
        case NodeRole::Turbine:
            // Found is already set, so Fix works from the moment it is enabled.
            owner_.enableFix(true);
            owner_.setTurbineIdText(std::string(report.name));
            break;
        case NodeRole::Candidate:  // judged when the search ends
            break;
    }
}

void LinkWorker::onSearchEnded(const SearchResult& result) {
    // Radios outranked by one named exactly as typed are other nodes after all.
    if (result.outranked > 0)
        owner_.showOthersCount(owner_.countOther(static_cast<std::int32_t>(result.outranked)));
    switch (result.verdict) {
        case SearchResult::Verdict::Turbine:
            owner_.enableFix(true);
            owner_.setTurbineIdText(result.radios.front().name);
            break;
        case SearchResult::Verdict::Ambiguous: {
            std::string text = kAmbiguousPrefix;
            for (std::size_t i = 0; i < result.radios.size(); ++i) {
                if (i > 0) text += ", ";
                text += result.radios[i].name;
            }
            owner_.setStatus(text);
            break;
        }
        case SearchResult::Verdict::NoMatch:
        case SearchResult::Verdict::Cut:
            break;
    }
}

}  // namespace app
