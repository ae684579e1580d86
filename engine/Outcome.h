#pragma once

namespace engine {

// Every way an operation of the engine can end.
enum class Outcome {
    SpeedCorrect,  // the inverter answers at the radio's setting
    SpeedFixed,    // the fix changed the setting and the inverter answers
    QueryFailed,   // the turbine's radio did not answer the "bd" query
    LostLink,      // the turbine's radio did not come back after a change
    Unable,        // the inverter does not answer (a fix: at either setting)
    NotFound,      // no radio answered as the turbine (a survey: none carries a number)
    Ambiguous,     // more than one radio answers as the turbine: none is chosen
    DongleGone,    // the radio dongle failed a read or a write
    NoRadio,       // the radio dongle could not be opened
    Listed,        // a search for every node: nodes answered
    Passed,        // the module check: the module answers in frame mode, and radios answer
    NoModule,      // the module check: the radio module does not answer in frame mode
    Stopped,       // stopped from outside (the window closed, Ctrl-C)
};

// The text that tells an operation ended this way (the ambiguous one is followed by the
// radios' names); empty for the endings that have none.
const char* statusOf(Outcome outcome);

}  // namespace engine
