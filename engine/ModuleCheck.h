#pragma once

#include <cstdint>
#include <unordered_set>

#include "engine/Results.h"
#include "radio/NodeSink.h"

namespace engine {

class ProcessObjects;

// Checks the attached radio module and the radios it reaches, writing nothing but the
// module's own node discovery request ("ND"): no channel command, no remote command, no
// transmit request. It listens for the whole discovery time, judges the line by what the
// frame assembler saw meanwhile, and keeps each remote radio that answered. Runs on the
// thread that drives the link, with the objects' radio attached; the check is the
// dispatcher's node sink while it runs, and the one before it is set again after it.
class ModuleCheck final : public radio::NodeSink {
public:
    // However many radios a field holds, or a hostile one claims, the list stays this long.
    static constexpr std::size_t kMaxRadios = 1000;

    // after: the node sink to set again once the check has run.
    ModuleCheck(ProcessObjects& objects, radio::NodeSink* after);

    ModuleCheckResult run();

    void onNode(radio::NodeId node, std::uint16_t network, const char* name,
                std::int32_t extra) override;

private:
    ProcessObjects& objects_;
    radio::NodeSink* after_;
    ModuleCheckResult result_;
    std::unordered_set<radio::NodeId> seen_;  // the addresses of the radios kept
};

}  // namespace engine
