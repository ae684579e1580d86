#include "engine/Outcome.h"

#include "engine/Messages.h"

namespace engine {

const char* statusOf(Outcome outcome) {
    switch (outcome) {
        case Outcome::SpeedCorrect:
            return kStatusSpeedCorrect;
        case Outcome::SpeedFixed:
            return kStatusSpeedFixed;
        case Outcome::QueryFailed:
            return kStatusQueryFailed;
        case Outcome::LostLink:
            return kStatusLostLink;
        case Outcome::Unable:
            return kStatusUnable;
        case Outcome::DongleGone:
            return kStatusDongleGone;
        case Outcome::Ambiguous:
            return kStatusAmbiguousPrefix;
        case Outcome::NoRadio:
            return kNoRadioText;
        case Outcome::NotFound:
        case Outcome::Listed:
        case Outcome::Passed:
        case Outcome::NoModule:
        case Outcome::Stopped:
            break;
    }
    return "";
}

}  // namespace engine
