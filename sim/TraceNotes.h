#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "transport/DriverError.h"

namespace sim {

// What the notes of a trace say that a replay needs: the driver's calls with their
// answers, and how the run ended.

enum class DriverCall {
    Open,
    Close,
    BaudRate,
    DataCharacteristics,
    FlowControl,
    Timeouts,
    Read,
    Write
};

// "<label> <call>: ok" or "<label> <call>: failed: <why>", e.g. "driver 2 open 0: ok".
struct DriverCallNote {
    std::string label;  // the driver's, as the trace names it: "simulated device", "driver 1"
    DriverCall call = DriverCall::Open;
    bool ok = false;
    std::string failure;  // the operator's text of the failure
};

// "outcome <name>, exit code <n>", the last note of a run.
struct OutcomeNote {
    std::string name;
    int exitCode = 0;
};
// The outcome of a run stopped by its user.
inline constexpr std::string_view kStoppedOutcome = "interrupted";

// Each answers whether the note is one of its kind, filling in what it says.
bool readDriverCallNote(std::string_view note, DriverCallNote& call);
bool readOutcomeNote(std::string_view note, OutcomeNote& outcome);

// The failure whose text for the operator this is, as near as the text tells: the cause
// and the system's error number where it is one without a port or library name in it,
// else an input/output error.
transport::DriverError errorFromDescription(std::string_view text);

}  // namespace sim
