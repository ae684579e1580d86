#pragma once

#include <string>

#include "cli/Report.h"

namespace cli {

struct Context;
struct Options;

// ports: every device the radio may be on, one row each in the order --device counts them,
// and what the chip maker's driver library sees; or, with --json, the report with them.
// Opens no device and writes nothing to any. Answers the exit code, 0.
int runPorts(const Options& options, Context& context);

// The table for people, from the report's listing.
std::string portsText(const RunReport& report);

}  // namespace cli
