#pragma once

#include <iterator>

#include "engine/Outcome.h"

namespace cli {

// The program's exit codes, each told once: the outcomes map onto them, and the help lists
// them from the table below.
inline constexpr int kExitOk = 0;
inline constexpr int kExitNoRadio = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNotFound = 3;
inline constexpr int kExitQueryFailed = 4;
inline constexpr int kExitLostLink = 5;
inline constexpr int kExitUnable = 6;
inline constexpr int kExitAmbiguous = 7;
inline constexpr int kExitNoModule = 8;
inline constexpr int kExitReplayDiverged = 9;
inline constexpr int kExitReplayEndedEarly = 10;
inline constexpr int kExitInterrupted = 130;

struct ExitCodeMeaning {
    int code;
    const char* meaning;
};

inline constexpr ExitCodeMeaning kExitCodes[] = {
    {kExitOk, "fixed, or already correct"},
    {kExitNoRadio, "no radio, or the radio dongle disconnected"},
    {kExitUsage, "usage error, or a trace not written in full"},
    {kExitNotFound, "turbine not found (doctor: no remote radio answers)"},
    {kExitQueryFailed, "query failed"},
    {kExitLostLink, "lost link"},
    {kExitUnable, "unable to communicate"},
    {kExitAmbiguous, "more than one radio answers as the turbine"},
    {kExitNoModule, "doctor: the radio module does not answer in frame mode"},
    {kExitReplayDiverged, "--replay: the run wrote other frames than the recording"},
    {kExitReplayEndedEarly, "--replay: the recording ended while the run went on"},
    {kExitInterrupted, "interrupted"},
};

// Each ending of the engine with its exit code and its name in the JSON report.
struct OutcomeCode {
    engine::Outcome outcome;
    int exitCode;
    const char* name;
};

inline constexpr OutcomeCode kOutcomeCodes[] = {
    {engine::Outcome::SpeedCorrect, kExitOk, "speed-correct"},
    {engine::Outcome::SpeedFixed, kExitOk, "speed-fixed"},
    {engine::Outcome::Listed, kExitOk, "listed"},
    {engine::Outcome::NoRadio, kExitNoRadio, "no-radio"},
    {engine::Outcome::NotFound, kExitNotFound, "not-found"},
    {engine::Outcome::QueryFailed, kExitQueryFailed, "query-failed"},
    {engine::Outcome::LostLink, kExitLostLink, "lost-link"},
    {engine::Outcome::Unable, kExitUnable, "unable-to-comm"},
    {engine::Outcome::Ambiguous, kExitAmbiguous, "ambiguous"},
    {engine::Outcome::Passed, kExitOk, "passed"},
    {engine::Outcome::NoModule, kExitNoModule, "no-module"},
    {engine::Outcome::DongleGone, kExitNoRadio, "dongle-disconnected"},
    {engine::Outcome::Stopped, kExitInterrupted, "interrupted"},
};

constexpr const OutcomeCode& codeOf(engine::Outcome outcome) {
    for (const OutcomeCode& entry : kOutcomeCodes) {
        if (entry.outcome == outcome) return entry;
    }
    return kOutcomeCodes[std::size(kOutcomeCodes) - 1];
}
constexpr int exitCodeOf(engine::Outcome outcome) { return codeOf(outcome).exitCode; }
// The outcome's name in the JSON report: "speed-fixed", "not-found", ...
constexpr const char* nameOf(engine::Outcome outcome) { return codeOf(outcome).name; }

}  // namespace cli
