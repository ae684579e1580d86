#include "engine/ModuleCheck.h"

#include "engine/ProcessObjects.h"
#include "engine/TurbineIds.h"
#include "engine/TurbineSearch.h"
#include "radio/CommandSender.h"
#include "radio/LinkVerdict.h"

namespace engine {

ModuleCheck::ModuleCheck(ProcessObjects& objects, radio::NodeSink* after)
    : objects_(objects), after_(after) {}

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
    dispatcher.setNodeSink(after_);
    return result_;
}

void ModuleCheck::onNode(radio::NodeId address, std::uint16_t network, const char* name,
                         std::int32_t) {
    if (seen_.contains(address)) return;
    if (result_.radios.size() >= kMaxRadios) {
        ++result_.answersNotKept;
        return;
    }
    seen_.insert(address);
    result_.radios.push_back({address, network, name, nodeNameTarget(name)});
}

}  // namespace engine
