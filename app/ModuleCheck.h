#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "radio/FrameAssembler.h"
#include "radio/LinkVerdict.h"
#include "radio/NodeSink.h"

namespace app {

class ProcessObjects;

// A remote radio that answered the check's discovery, once however often it answered.
struct RemoteRadio {
    std::uint64_t address = 0;
    std::uint16_t network = 0;
    std::string name;                     // untrusted bytes, as the radio sent them
    std::optional<std::int32_t> turbine;  // the turbine number its name carries
};

// What the check found out.
struct ModuleCheckResult {
    bool sent = false;          // the request went out; false: the port could not take it
    bool cut = false;           // the link was stopped or the port failed before the check ended
    radio::FrameCounts counts;  // what reached the frame assembler during the check
    radio::LinkVerdict verdict = radio::LinkVerdict::Silent;
    std::vector<RemoteRadio> radios;   // in order of first answer, the first kMaxRadios
    std::uint32_t answersNotKept = 0;  // answers of radios beyond them, repeats included
};

// Checks the attached radio module and the radios it reaches, writing nothing but the
// module's own node discovery request ("ND"): no channel command, no remote command, no
// transmit request. It listens for the whole discovery time, judges the line by what the
// frame assembler saw meanwhile, and keeps each remote radio that answered. Runs on the
// thread that drives the link, with the objects' radio attached; the check is the
// dispatcher's node sink while it runs, and none is set after it.
class ModuleCheck final : public radio::NodeSink {
public:
    // However many radios a field holds, or a hostile one claims, the list stays this long.
    static constexpr std::size_t kMaxRadios = 1000;

    explicit ModuleCheck(ProcessObjects& objects);

    ModuleCheckResult run();

    void onNode(std::uint32_t high, std::uint32_t low, std::uint16_t network, const char* name,
                std::int32_t extra) override;

private:
    ProcessObjects& objects_;
    ModuleCheckResult result_;
    std::unordered_set<std::uint64_t> seen_;  // the addresses of the radios kept
};

}  // namespace app
