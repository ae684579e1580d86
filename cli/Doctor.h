#pragma once

#include <cstdint>

#include "transport/Clock.h"

namespace sim {
struct Scenario;
}

namespace cli {

struct Context;
struct Options;
class LiveLine;
class ReplayRun;
class RunView;
class TraceFile;

// doctor: checks the way from the computer to the radios in reach, link by link: a device,
// this user's access to it, its opening with the radio's line settings, the radio module's
// answer in frames, the remote radios' answers. Stops at the first check that fails. Each
// check's line goes to the output as it ends (not with --json) and to the trace; the views
// hear of the end, with the steps in the report. Nothing is written to the radio but the
// module's own discovery request.
void runDoctor(const Options& options, const sim::Scenario& scenario, Context& context,
               transport::Clock& clock, std::int64_t startMs, TraceFile* trace, RunView& views,
               LiveLine* live, ReplayRun* replay);

}  // namespace cli
