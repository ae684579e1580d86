#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/ExitCodes.h"
#include "cli/Options.h"
#include "engine/Outcome.h"
#include "engine/Results.h"

namespace cli {

using engine::NodeRow;
using engine::Outcome;

// A status text as the dialog's status line would show it, with its time since the start.
struct StatusEntry {
    std::int64_t atMs = 0;
    std::string text;
};

// One turbine checked.
struct CheckRow {
    NodeRow node;
    std::optional<std::uint32_t> speed;   // the "bd" value; none: the query failed
    std::optional<bool> inverterAnswers;  // none: not tested
    Outcome outcome = Outcome::Stopped;   // SpeedCorrect, Unable or QueryFailed
    std::int64_t durationMs = 0;
    std::vector<StatusEntry> statuses;
};

// Everything a run found out, for the summary and the JSON object at the end.
struct RunReport {
    Command command = Command::None;
    bool all = false;
    Outcome outcome = Outcome::Stopped;
    std::optional<std::int32_t> target;
    std::optional<std::uint64_t> targetAddress;  // --address
    std::optional<NodeRow> node;                 // the turbine found
    std::vector<NodeRow> candidates;             // Ambiguous: the radios answering as it
    std::optional<std::uint32_t> speedRead;
    std::vector<std::uint32_t> speedsWritten;
    std::optional<bool> inverterAnswers;  // at the end of a fix or a check; none: not tested
    std::vector<StatusEntry> statuses;
    std::vector<NodeRow> nodes;  // every node that reported, in order of first report
    std::uint32_t nodesNotListed = 0;
    std::vector<CheckRow> checks;           // check --all
    std::string error;                      // why the radio could not be attached
    std::optional<std::string> traceError;  // why the trace file is incomplete
    std::int64_t durationMs = 0;
};

// The run's exit code: its outcome's, unless the trace asked for could not be written in
// full, which is a usage error.
int exitCodeOf(const RunReport& report);

}  // namespace cli
