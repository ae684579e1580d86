#include "cli/Report.h"

#include "app/Startup.h"

namespace cli {

int exitCodeOf(Outcome outcome) {
    switch (outcome) {
        case Outcome::SpeedCorrect:
        case Outcome::SpeedFixed:
        case Outcome::Listed:
            return 0;
        case Outcome::NoRadio:
        case Outcome::DongleGone:
            return app::kExitNoRadio;
        case Outcome::UsageError:
            return kExitUsage;
        case Outcome::NotFound:
            return 3;
        case Outcome::QueryFailed:
            return 4;
        case Outcome::LostLink:
            return 5;
        case Outcome::Unable:
            return 6;
        case Outcome::Ambiguous:
            return 7;
        case Outcome::Interrupted:
            return kExitInterrupted;
    }
    return kExitInterrupted;
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
        case Outcome::DongleGone:
            return "dongle-disconnected";
        case Outcome::Interrupted:
            return "interrupted";
    }
    return "interrupted";
}

}  // namespace cli
