#include "cli/Report.h"

namespace cli {

int exitCodeOf(const RunReport& report) {
    if (report.traceError) return kExitUsage;
    if (report.replay) {
        switch (report.replay->verdict) {
            case ReplayCheck::Verdict::Diverged:
                return kExitReplayDiverged;
            case ReplayCheck::Verdict::EndedEarly:
                return kExitReplayEndedEarly;
            case ReplayCheck::Verdict::Unreadable:
                return kExitUsage;
            case ReplayCheck::Verdict::Matched:
                break;
        }
    }
    return exitCodeOf(report.outcome);
}

const char* nameOf(ReplayCheck::Verdict verdict) {
    switch (verdict) {
        case ReplayCheck::Verdict::Matched:
            return "matched";
        case ReplayCheck::Verdict::Diverged:
            return "diverged";
        case ReplayCheck::Verdict::EndedEarly:
            return "ended-early";
        case ReplayCheck::Verdict::Unreadable:
            return "unreadable";
    }
    return "unreadable";
}

}  // namespace cli
