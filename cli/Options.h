#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "transport/DeviceChoice.h"

namespace cli {

enum class Command { None, Scan, Fix, Check, Ports, Doctor };

// The command line, as the program was given it.
struct Options {
    Command command = Command::None;
    std::string id;                        // fix and check: the turbine ID, as typed
    std::optional<std::uint64_t> address;  // fix and check: the radio's 64-bit address
    bool all = false;                      // check --all
    bool json = false;
    std::string traceFile;  // empty: no trace
    bool sim = false;
    std::string scenario;            // with sim; empty: the built-in field
    double timeScale = 1.0;          // with sim or replay
    std::string replayFile;          // empty: the radio, or the simulated field
    transport::DeviceChoice device;  // --device; device 0 unless given
};

// What the command line asks for: a run with the options, or a text and the end.
struct CommandLine {
    enum class Action { Run, Print, UsageError };
    Action action = Action::UsageError;
    // Print: the help or the version, for the output stream; UsageError: what is wrong,
    // naming the offending word.
    std::string text;
};

// Reads the arguments that follow the program's name into options.
CommandLine parseCommandLine(const std::vector<std::string>& args, Options& options);

}  // namespace cli
