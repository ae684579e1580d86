#pragma once

#include <string>
#include <vector>

#include "cli/Options.h"

namespace cli {

// The comment lines that open a trace: the program and its version, the command as given
// and what stood for the radio. A trace goes to support, so the header holds nothing of the
// user's machine: the values of the options that name files are left out, and there is no
// clock time, only the run's own times on the lines below it.
std::string traceHeader(const std::vector<std::string>& args, const Options& options);

}  // namespace cli
