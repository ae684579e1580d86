#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cli {

enum class Command { None, Scan, Fix, Check };

// The command line, as the program was given it.
struct Options {
    Command command = Command::None;
    std::string id;  // fix and check: the turbine ID, as typed
    // fix and check: --address, the turbine's radio by its 64-bit address instead of an ID
    std::optional<std::uint64_t> address;
    bool all = false;  // check --all
    bool json = false;
    std::string traceFile;  // empty: no trace
    bool sim = false;
    std::string scenario;  // with sim; empty: the built-in field
    bool timeScaleGiven = false;
    double timeScale = 1.0;
    bool help = false;
    bool version = false;
};

// Reads the arguments that follow the program's name. On a usage error answers false and
// says what is wrong in error.
bool parseOptions(const std::vector<std::string>& args, Options& options, std::string& error);

extern const char* const kUsage;

}  // namespace cli
