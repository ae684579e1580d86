#pragma once

#include <cstdint>
#include <istream>
#include <limits>
#include <string>
#include <vector>

#include "sim/TraceNotes.h"
#include "transport/DriverError.h"
#include "transport/SimulatedDevice.h"

namespace sim {

// A driver the recorded run tried when it attached the radio, and how that went.
struct RecordedDriver {
    std::string label;
    std::int64_t openMs = 0;
    bool opens = true;
    transport::DriverError openError;  // when it did not open
    bool configurationFails = false;   // opened, then refused a line setting:
    transport::DeviceFault failedSetting = transport::DeviceFault::BaudRate;
};

// What a replay needs to know before the run: how the radio was attached, how the run
// ended, where the recording ends.
struct RecordingSummary {
    static constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

    std::vector<RecordedDriver> drivers;  // in the order the run tried them
    std::size_t attached = kNone;         // the one the run went on with
    bool hasOutcome = false;              // a run that ended, not one cut off
    OutcomeNote outcome;                  // the last outcome note
    std::uint64_t lastLine = 0;
    bool cutShort = false;  // the file ends inside a line
};

// Reads the whole recording once, a line at a time. On a malformed line answers false with
// the reader's error.
bool scanRecording(std::istream& in, RecordingSummary& summary, std::string& error);

}  // namespace sim
