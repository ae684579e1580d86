#pragma once

namespace engine {

// Every text the operator reads, in one place: both front ends show these and no copy.

// The status texts of the speed fix, in the order a full run shows them.
inline constexpr const char* kStatusScanning = "Scanning";
inline constexpr const char* kStatusQueryFailed = "Failed query with remote radio.";
inline constexpr const char* kStatusSpeedCorrect = "Communication speed is correct.";
inline constexpr const char* kStatusConfiguring = "Configuring alt speed";
inline constexpr const char* kStatusWaiting = "Waiting";
inline constexpr const char* kStatusLinking = "Linking";
inline constexpr const char* kStatusLostLink = "Lost link.";
inline constexpr const char* kStatusSpeedFixed = "Communication speed fixed.";
inline constexpr const char* kStatusRetesting = "Retesting speed";
inline constexpr const char* kStatusUnable = "unable to comm.";
// The radio dongle itself failed a read or a write, and when it is attached again.
inline constexpr const char* kStatusDongleGone = "Radio dongle disconnected.";
inline constexpr const char* kStatusDongleBack = "Radio dongle connected.";
// Two or more radios answer one search as the turbine; their names follow.
inline constexpr const char* kStatusAmbiguousPrefix = "More than one radio answers: ";

// The box at start-up when the radio module cannot be opened; the cause goes below it.
inline constexpr const char* kNoRadioTitle = "Communications fault";
inline constexpr const char* kNoRadioText = "Could not find downtower tallis radio";
// The box when the typed ID has no digits.
inline constexpr const char* kNoTurbineTitle = "No turbine specified";
inline constexpr const char* kNoTurbineText = "No identifier digits found.";
// The box once the inverter answers.
inline constexpr const char* kFixCompleteTitle = "Fix Complete";
inline constexpr const char* kFixCompleteText = "Communication has been established with turbine.";

}  // namespace engine
