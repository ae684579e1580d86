#include "app/TurbineSearch.h"

#include <algorithm>

#include "app/ProcessObjects.h"
#include "app/TimeoutScope.h"
#include "app/TurbineIds.h"
#include "radio/CommandSender.h"
#include "radio/NodeAddress.h"

namespace app {

namespace {
constexpr const char* kChannelCommand = "cb";
constexpr std::int32_t kChannelParameter = 2;
constexpr int kBeforeDiscoveryMs = 800;
constexpr int kDiscoveryUnitMs = 1100;
constexpr int kAfterDiscoveryMs = 100;
constexpr int kPollMs = 500;
constexpr int kSleepSliceMs = 20;
}  // namespace

TurbineSearch::TurbineSearch(ProcessObjects& objects, NodeListener& listener)
    : objects_(objects), listener_(listener) {}

void TurbineSearch::run(Listening listening) {
    clearFound();
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
            local.discoverNodes(kDiscoveryUnitMs, [this] { return !found(); });
            break;
        case Listening::WholeTime:
            local.discoverNodes(kDiscoveryUnitMs, [] { return true; });
            break;
    }
    pause(kAfterDiscoveryMs);
}

bool TurbineSearch::waitForLink(int ms) {
    int waits = ms / kPollMs;
    TimeoutScope poll(objects_.commandLink, kPollMs);
    clearFound();
    while (waits > 0 && !stopped()) {
        --waits;
        objects_.commandLink.waitForCompletion(0);
        if (found()) break;
    }
    return found();
}

void TurbineSearch::select(std::uint64_t address, std::uint16_t network) {
    objects_.frameEncoder.setNodeAddress(radio::makeNodeAddress(
        static_cast<std::uint32_t>(address >> 32), static_cast<std::uint32_t>(address), network));
}

void TurbineSearch::onNode(std::uint32_t high, std::uint32_t low, std::uint16_t network,
                           const char* name, std::int32_t) {
    const NodeReport report{(std::uint64_t{high} << 32) | low, network, name, nodeNameTarget(name)};
    const std::int32_t wanted = target();
    const bool isTarget = report.turbine && wanted != 0 && *report.turbine == wanted;
    listener_.onNodeReport(report, isTarget);
    if (!isTarget) return;
    select(report.address, network);
    found_.store(true, std::memory_order_release);
}

void TurbineSearch::pause(int ms) {
    while (ms > 0 && !stopped()) {
        const int slice = std::min(ms, kSleepSliceMs);
        objects_.clock.sleepFor(slice);
        ms -= slice;
    }
}

bool TurbineSearch::stopped() const { return objects_.commandLink.stopped(); }

}  // namespace app
