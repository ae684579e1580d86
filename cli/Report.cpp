#include "cli/Report.h"

namespace cli {

int exitCodeOf(Outcome outcome) {
    switch (outcome) {
        case Outcome::SpeedCorrect:
        case Outcome::SpeedFixed:
        case Outcome::Listed:
        case Outcome::Passed:
            return kExitOk;
        case Outcome::NoRadio:
        case Outcome::DongleGone:
            return kExitNoRadio;
        case Outcome::UsageError:
            return kExitUsage;
        case Outcome::NotFound:
            return kExitNotFound;
        case Outcome::QueryFailed:
            return kExitQueryFailed;
        case Outcome::LostLink:
            return kExitLostLink;
        case Outcome::Unable:
            return kExitUnable;
        case Outcome::Ambiguous:
            return kExitAmbiguous;
        case Outcome::NoModule:
            return kExitNoModule;
        case Outcome::Interrupted:
            return kExitInterrupted;
    }
    return kExitInterrupted;
}

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

const char* nameOf(Outcome outcome) {
    switch (outcome) {
        case Outcome::SpeedCorrect:
            return "speed-correct";
        case Outcome::SpeedFixed:
            return "speed-fixed";
        case Outcome::Listed:
            return "listed";
        case Outcome::NoRadio:
            return "no-radio";
        case Outcome::UsageError:
            return "usage-error";
        case Outcome::NotFound:
            return "not-found";
        case Outcome::QueryFailed:
            return "query-failed";
        case Outcome::LostLink:
            return "lost-link";
        case Outcome::Unable:
            return "unable-to-comm";
        case Outcome::Ambiguous:
            return "ambiguous";
        case Outcome::Passed:
            return "passed";
        case Outcome::NoModule:
            return "no-module";
        case Outcome::DongleGone:
            return "dongle-disconnected";
        case Outcome::Interrupted:
            return "interrupted";
    }
    return "interrupted";
}

}  // namespace cli
