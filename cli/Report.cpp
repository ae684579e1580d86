#include "cli/Report.h"

namespace cli {

int exitCodeOf(const RunReport& report) {
    return report.traceError ? kExitUsage : exitCodeOf(report.outcome);
}

}  // namespace cli
