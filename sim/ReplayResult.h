#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/TraceNotes.h"

namespace sim {

// How a run went against a recording.
struct ReplayResult {
    enum class Kind {
        Matched,     // every frame written as recorded, to the recording's end
        Diverged,    // a written frame differs from the recorded one, or one is missing
        EndedEarly,  // the recording stops while the run goes on: it was cut off
        Unreadable,  // a line of the recording could not be read during the run
    };

    Kind kind = Kind::Matched;
    // Diverged: the line of the recorded frame, or the recording's last line when it has no
    // more frames; EndedEarly: the recording's last line.
    std::uint64_t line = 0;
    std::vector<std::uint8_t> expected;  // Diverged: the recorded frame; empty: none left
    std::vector<std::uint8_t> written;   // Diverged: the run's frame; empty: it wrote no more
    std::string error;                   // Unreadable
    std::uint64_t framesMatched = 0;
    // How the recorded run ended, for a front end to compare its own outcome with.
    bool hasRecordedOutcome = false;
    OutcomeNote recordedOutcome;
};

}  // namespace sim
