#pragma once

#include "transport/ByteSink.h"
#include "transport/DriverError.h"

namespace engine {

class ProcessObjects;

// The radio module: the first device of the drivers tried in order, at the module's speed.
inline constexpr int kRadioDeviceIndex = 0;
inline constexpr int kRadioBaud = 115200;

// Links the receive stages above the port: assembler -> dispatcher -> reassembler ->
// parser, each link current at once.
void wireReceiveChain(ProcessObjects& objects);

// Opens the radio module and puts it at the bottom of the chain: port -> raw log -> top.
// The new poller becomes the current one. Answers false when the port could not be opened,
// and why in failure, when given. quiet: the open sequence prints nothing, for the tries
// made while a dongle that was pulled out is away.
bool attachRadio(ProcessObjects& objects, transport::ByteSink& top, int deviceIndex, int baud,
                 transport::DriverError* failure = nullptr, bool quiet = false);

}  // namespace engine
