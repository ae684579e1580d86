#pragma once

#include "transport/ByteSink.h"
#include "transport/DriverError.h"

namespace app {

class DialogHost;
class ProcessObjects;

inline constexpr int kRadioDeviceIndex = 0;
inline constexpr int kRadioBaud = 115200;
inline constexpr int kExitOk = 0;
inline constexpr int kExitNoRadio = 1;

// Links the receive stages above the port: assembler -> dispatcher -> reassembler ->
// parser, each link current at once.
void wireReceiveChain(ProcessObjects& objects);

// Opens the radio module and puts it at the bottom of the chain: port -> raw log -> top.
// The new poller becomes the current one. Answers false when the port could not be opened,
// and why in failure, when given. quiet: the open sequence prints nothing, for the tries
// made while a dongle that was pulled out is away.
bool attachRadio(ProcessObjects& objects, transport::ByteSink& top, int deviceIndex, int baud,
                 transport::DriverError* failure = nullptr, bool quiet = false);

// The whole program once its objects exist: attach the radio, or say it cannot be found and
// why (in the box, and as a line on the standard error stream), then run the Fix dialog
// until it is closed. Answers the exit code. The worker has ended when this returns.
int runFixApplication(ProcessObjects& objects, DialogHost& host);

}  // namespace app
