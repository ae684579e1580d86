#include "app/LinkWorker.h"

#include "app/FixDialog.h"
#include "engine/Messages.h"
#include "engine/TurbineService.h"

namespace app {

using engine::NodeRole;
using engine::SearchResult;

LinkWorker::LinkWorker(FixDialog& owner, engine::TurbineService& service)
    : owner_(owner), service_(service) {
    service_.setObserver(this);
}

LinkWorker::~LinkWorker() {
    stopAndWait();
    // Nothing may call back into a worker that has gone.
    service_.setObserver(nullptr);
}

bool LinkWorker::found() const { return service_.found(); }

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

void LinkWorker::onStopRequested() { service_.stop(); }

void LinkWorker::run() {
    while (running()) {
        if (service_.dongleLost()) {
            recoverDongle();
            continue;
        }
        if (takeSearchRequest()) runSearch();
        if (!running() || service_.dongleLost()) continue;
        if (takeFixRequest()) {
            runFix();
            continue;
        }
        service_.idlePoll();
    }
}

bool LinkWorker::takeSearchRequest() {
    if (!newTarget_.load(std::memory_order_acquire)) return false;
    // Found is cleared before the flag is taken: a Fix press before that sees a search due,
    // one after it sees nothing found, so no press is taken for the old target. Searching is
    // set first too, so searchDue never lapses while the search begins.
    service_.clearFound();
    searching_.store(true, std::memory_order_release);
    // The exchange reads the dialog's latest store of the flag, and so sees the request
    // stored before it; a Search accepted from here on sets the flag again.
    if (newTarget_.exchange(false, std::memory_order_acq_rel)) {
        {
            std::lock_guard lock(requestMutex_);
            target_ = request_;
        }
        if (target_.number != 0) return true;
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
    service_.search(target_);
    searching_.store(false, std::memory_order_release);
}

void LinkWorker::runFix() {
    dongleLossShown_ = service_.fix().outcome == engine::Outcome::DongleGone;
}

void LinkWorker::recoverDongle() {
    fixRequested_.store(false, std::memory_order_release);
    service_.forget();
    if (!dongleLossShown_) owner_.setStatus(engine::kStatusDongleGone);
    dongleLossShown_ = false;
    if (service_.reattachWhile([this] { return running(); }))
        owner_.setStatus(engine::kStatusDongleBack);
}

void LinkWorker::onNode(const engine::NodeReport& report, NodeRole role, std::size_t) {
    // The dialog counts every report of another node, repeats included; a name too short to
    // carry an identifier is not counted.
    if (!report.turbine) return;
    switch (role) {
        case NodeRole::Other:
        case NodeRole::Unnamed:
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
            std::string text = engine::statusOf(engine::Outcome::Ambiguous);
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

void LinkWorker::onStatus(const std::string& text) { owner_.setStatus(text); }

void LinkWorker::onFixComplete() { owner_.fixComplete(); }

}  // namespace app
