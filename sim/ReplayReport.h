#pragma once

#include <string>

#include "sim/ReplayResult.h"
#include "transport/ByteBuffer.h"

namespace sim {

// A frame as people read it, from what it holds, e.g.
//   remote command (17), frame id 3, to 0013A20041C7F321 7A21, "bd" 06
std::string describeFrame(transport::ByteView frame);

// How the replay went, for people: a line, and at a divergence the recorded and the written
// frame, each in hex and described. Ends with a line end.
std::string describeReplay(const ReplayResult& result);

}  // namespace sim
