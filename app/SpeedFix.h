#pragma once

#include <cstdint>

namespace app {

class LinkWorker;

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

// The two "bd" values tried, in order, for the value the turbine's radio reported: the
// other of 4 and 6 first, then back. Any other value is never written back.
struct SpeedValues {
    std::uint32_t first;
    std::uint32_t second;
};
SpeedValues speedValuesFor(std::uint32_t current);

// Checks that the turbine's inverter answers through the turbine's radio, and if not
// switches the radio's serial speed setting between the two values until it does. Runs
// on the worker thread against the node the worker found; every step is shown in the
// dialog's status line.
//
// A stop of the link ends it at once, with no further status: an exchange cut short says
// nothing about the radio or the inverter, and the link writes nothing more, so the radio
// keeps whatever the fix had written by then.
class SpeedFix {
public:
    explicit SpeedFix(LinkWorker& worker) : worker_(worker) {}
    void run();

private:
    enum class Outcome { Answers, NoAnswer, LostLink, Stopped };

    // Tries a "bd" value: write it, store it, restart the radio, let the link come back
    // and test the inverter again.
    Outcome tryValue(std::uint32_t value);
    bool query(const char* letters, std::uint32_t& value);
    void writeSpeed(std::uint32_t value);
    // Answers, NoAnswer, or Stopped when the stop cut the test short.
    Outcome testInverter();
    bool stopped() const;
    void status(const char* text);
    // Reports success: the status, then the "Fix Complete" box.
    void fixed(const char* text);

    LinkWorker& worker_;
};

}  // namespace app
