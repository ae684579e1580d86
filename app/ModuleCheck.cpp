#include "app/ModuleCheck.h"

#include "app/ProcessObjects.h"
#include "app/TurbineIds.h"
#include "app/TurbineSearch.h"
#include "radio/CommandSender.h"

namespace app {

ModuleCheck::ModuleCheck(ProcessObjects& objects) : objects_(objects) {}

ModuleCheckResult ModuleCheck::run() {
    result_ = ModuleCheckResult{};
    radio::FrameDispatcher& dispatcher = objects_.frameDispatcher;
    seen_.clear();
    dispatcher.setNodeSink(this);
    const radio::FrameCounts before = objects_.frameAssembler.counts();
    radio::LocalCommandSender local(objects_.commandLink);
    // To the end of the discovery time: radios spread their answers over all of it.
    result_.sent = local.discoverNodes(kDiscoveryUnitMs, [] { return true; }) >= 0;
    result_.counts = objects_.frameAssembler.counts().since(before);
    result_.verdict = radio::classifyLink(result_.counts);
    result_.cut = objects_.commandLink.stopped() || objects_.commandLink.portFailed();
    dispatcher.setNodeSink(nullptr);
    return result_;
}

void ModuleCheck::onNode(std::uint32_t high, std::uint32_t low, std::uint16_t network,
                         const char* name, std::int32_t) {
    const std::uint64_t address = (std::uint64_t{high} << 32) | low;
    if (seen_.contains(address)) return;
    if (result_.radios.size() >= kMaxRadios) {
        ++result_.answersNotKept;
        return;
    }
    seen_.insert(address);
    result_.radios.push_back({address, network, name, nodeNameTarget(name)});
}

}  // namespace app
