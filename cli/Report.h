#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/ExitCodes.h"
#include "cli/Options.h"
#include "engine/Outcome.h"
#include "engine/Results.h"
#include "radio/FrameCounts.h"
#include "transport/PortListing.h"

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

// One of doctor's checks, once it has run.
struct DoctorStep {
    enum class Check { Device, Access, Opens, Module, Remotes };
    Check check = Check::Device;
    bool passed = false;
    std::string finding;  // what the check found: the device, the holder, the line's counts...
    std::string advice;   // what to do; empty when it passed
    // Module: what reached the frame assembler while the check listened.
    std::optional<radio::FrameCounts> counts = {};
};

// --replay: how the run went against the recording it played.
struct ReplayCheck {
    enum class Verdict {
        Matched,     // every frame written as recorded, to the recording's end
        Diverged,    // a written frame differs from the recorded one, or one is missing
        EndedEarly,  // the recording stops while the run went on
        Unreadable,  // the recording could not be read to its end
    };
    Verdict verdict = Verdict::Matched;
    std::optional<std::uint64_t> line;  // of the recording, where it diverged or ended
    std::uint64_t framesMatched = 0;
    std::vector<std::uint8_t> expected;  // Diverged: the recorded frame; empty: none left
    std::vector<std::uint8_t> written;   // Diverged: the run's frame; empty: it wrote no more
    std::string error;                   // Unreadable: what is wrong, and where
    // How the recorded run ended, when the recording says.
    std::optional<std::string> recordedOutcome;
    std::optional<int> recordedExitCode;
    std::string text;  // for people: lines, each with its line end
};

// The verdict's name in the JSON report: "matched", "diverged", ...
const char* nameOf(ReplayCheck::Verdict verdict);

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
    std::vector<DoctorStep> steps;          // doctor: the checks run, in order
    transport::PortListing ports;           // ports: the devices there are
    bool simulatedPorts = false;            // ports --sim: the simulated field's device alone
    std::string error;                      // why the radio could not be attached
    std::optional<std::string> traceError;  // why the trace file is incomplete
    std::optional<ReplayCheck> replay;      // --replay
    std::int64_t durationMs = 0;
};

// The run's exit code: its outcome's, unless the trace asked for could not be written in
// full or a replay could not read its recording (usage errors), or a replay left the
// recording (9, 10).
int exitCodeOf(const RunReport& report);

}  // namespace cli
