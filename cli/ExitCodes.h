#pragma once

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

}  // namespace cli
