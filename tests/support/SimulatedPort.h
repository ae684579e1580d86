#pragma once

#include <memory>

#include "transport/Port.h"
#include "transport/RawLog.h"
#include "transport/SimulatedDevice.h"

// The bottom of the receive chain as the program builds it, on a simulated device.
namespace testsupport {

// Links each stage to the next, bottom first; the links take effect at each stage's next sync.
template <typename Bottom, typename Next, typename... Rest>
void linkChain(Bottom& bottom, Next& next, Rest&... rest) {
    bottom.setPending(&next);
    if constexpr (sizeof...(rest) > 0) linkChain(next, rest...);
}

// A stage becomes current, and is reset, at the first hand-over of the stage below. Making the
// stages current up front, as the program's first exchange does, keeps that reset away from
// the first frame a test receives.
template <typename... Stages>
void makeCurrent(Stages&... stages) {
    (stages.sync(), ...);
}

// Opens the device's port (index 0, 115200 baud) as start-up does, through the port factory,
// with port -> rawLog -> top linked. Null, with nothing linked, when the port does not open.
inline std::unique_ptr<transport::PortPoller> openSimulatedPort(transport::SimulatedDevice& device,
                                                                transport::Clock& clock,
                                                                const transport::Settings& settings,
                                                                transport::RawLog& rawLog,
                                                                transport::ByteSink& top) {
    return transport::PortFactory(device, clock, settings).createLinked(0, 115200, rawLog, top);
}

}  // namespace testsupport
