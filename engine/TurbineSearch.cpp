#include "engine/TurbineSearch.h"

#include <algorithm>

#include "engine/ProcessObjects.h"
#include "engine/TurbineIds.h"
#include "radio/ApiFrame.h"
#include "radio/CommandSender.h"
#include "radio/NodeAddress.h"

namespace engine {

namespace {
constexpr const char* kChannelCommand = "cb";
constexpr std::int32_t kChannelParameter = 2;
constexpr int kBeforeDiscoveryMs = 800;
constexpr int kAfterDiscoveryMs = 100;
constexpr std::int64_t kPollMs = 500;
// A shorter wait reads with a time-out under a millisecond; the last slice of the link's
// wait is rounded up to this instead.
constexpr std::int64_t kShortestPollMs = 25;
constexpr int kSleepSliceMs = 20;
}  // namespace

TurbineSearch::TurbineSearch(ProcessObjects& objects, NodeListener& listener)
    : objects_(objects), listener_(listener) {}

SearchResult TurbineSearch::run(Listening listening) {
    forget();
    phase_ = Phase::Searching;
    candidates_.clear();
    radio::LocalCommandSender local(objects_.commandLink);
    transport::ByteBuffer parameters;
    parameters.append(kChannelCommand);
    parameters.appendNumber(kChannelParameter, 1);
    local.sendWithParameters(parameters.view());
    pause(kBeforeDiscoveryMs);
    switch (listening) {
        case Listening::UntilQuiet:
            local.discoverNodes(kDiscoveryUnitMs);
            break;
        case Listening::UntilTargetOrEnd:
            // found is set only when the search ends: the target is heard once a radio of
            // the best rank the target allows has answered as it. A radio that only shares
            // the number does not end the wait while the one named as typed may still answer.
            local.discoverNodes(kDiscoveryUnitMs,
                                [this] { return !candidates_.has(bestMatchFor(target_)); });
            break;
        case Listening::WholeTime:
            local.discoverNodes(kDiscoveryUnitMs, [] { return true; });
            break;
    }
    pause(kAfterDiscoveryMs);
    const SearchResult result = judge();
    listener_.onSearchEnded(result);
    return result;
}

SearchResult TurbineSearch::judge() {
    SearchResult result;
    if (cut()) {
        phase_ = Phase::Closed;
        return result;
    }
    Candidates::Verdict verdict = candidates_.judge();
    result.radios = std::move(verdict.radios);
    result.outranked = verdict.outranked;
    if (result.radios.empty()) {
        phase_ = Phase::Open;
        result.verdict = SearchResult::Verdict::NoMatch;
    } else if (result.radios.size() > 1) {
        phase_ = Phase::Closed;
        result.verdict = SearchResult::Verdict::Ambiguous;
    } else {
        select(result.radios.front().address, result.radios.front().network);
        result.verdict = SearchResult::Verdict::Turbine;
    }
    return result;
}

bool TurbineSearch::waitForLink(int ms) {
    transport::Clock& clock = objects_.clock;
    const std::int64_t endMs = clock.nowMs() + std::max(ms, 0);
    clearFound();
    identified_ = false;
    // Every announcement ends the wait in progress; only the turbine's ends the whole wait.
    while (!identified_ && !cut()) {
        const std::int64_t leftMs = endMs - clock.nowMs();
        if (leftMs <= 0) break;
        objects_.commandLink.waitForCompletion(
            static_cast<int>(std::clamp(leftMs, kShortestPollMs, kPollMs)));
    }
    return found();
}

void TurbineSearch::select(radio::NodeId address, std::uint16_t network) {
    turbine_ = address;
    phase_ = Phase::Chosen;
    setDestination(address, network);
    found_.store(true, std::memory_order_release);
}

void TurbineSearch::forget() {
    clearFound();
    turbine_.reset();
    phase_ = Phase::Closed;
    // An address of zeros names no node: packet data from any radio is dropped.
    objects_.frameEncoder.setNodeAddress(radio::NodeAddress{});
}

void TurbineSearch::setDestination(radio::NodeId address, std::uint16_t network) {
    objects_.frameEncoder.setNodeAddress(radio::makeNodeAddress(address, network));
}

void TurbineSearch::onNode(radio::NodeId node, std::uint16_t network, const char* name,
                           std::int32_t) {
    const NodeReport report{node, network, name, nodeNameTarget(name)};
    NodeRole role = report.turbine ? NodeRole::Other : NodeRole::Unnamed;
    switch (phase_) {
        case Phase::Searching:
            if (const Match match = matchOf(target_, report); match != Match::None) {
                candidates_.add(report, match);
                role = NodeRole::Candidate;
            }
            break;
        case Phase::Open:
            if (matchOf(target_, report) != Match::None) {
                select(report.address, network);
                role = NodeRole::Turbine;
            }
            break;
        case Phase::Chosen:
            if (report.address == turbine_) {
                // A restart may give the radio another network address.
                select(report.address, network);
                if (objects_.frameDispatcher.frameType() == radio::kNodeIdentification)
                    identified_ = true;
                role = NodeRole::Turbine;
            }
            break;
        case Phase::Closed:
            break;
    }
    listener_.onNodeReport(report, role);
}

void TurbineSearch::pause(int ms) {
    while (ms > 0 && !cut()) {
        const int slice = std::min(ms, kSleepSliceMs);
        objects_.clock.sleepFor(slice);
        ms -= slice;
    }
}

bool TurbineSearch::cut() const {
    return objects_.commandLink.stopped() || objects_.commandLink.portFailed();
}

}  // namespace engine
