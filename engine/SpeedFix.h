#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/Results.h"

namespace engine {

class ProcessObjects;
class TurbineSearch;

// The two "bd" values tried, in order, for the value the turbine's radio reported: the
// other of 4 and 6 first, then back. Any other value is never written back.
struct SpeedValues {
    std::uint32_t first;
    std::uint32_t second;
};
SpeedValues speedValuesFor(std::uint32_t current);

// Where the speed fix shows its steps: the dialog's status line, or a terminal.
class FixObserver {
public:
    virtual ~FixObserver() = default;
    // Each status text replaces the one before.
    virtual void setStatus(const std::string& text) = 0;
    // The inverter answers: after the status that says so.
    virtual void fixComplete() = 0;
};

// Checks that the turbine's inverter answers through the turbine's radio, and if not
// switches the radio's serial speed setting between the two values until it does. Runs on
// the thread that drives the link, against the node the search selected, and shows every
// step to its observer.
//
// A stop of the link ends it at once, with no further status: an exchange cut short says
// nothing about the radio or the inverter, and the link writes nothing more, so the radio
// keeps whatever the fix had written by then. A failed port (the dongle pulled out) ends it
// at once too, with "Radio dongle disconnected.": the silence that follows says nothing of
// the turbine's radio, so it is never told as a lost link or a silent inverter.
class SpeedFix {
public:
    SpeedFix(ProcessObjects& objects, TurbineSearch& search, FixObserver& observer)
        : objects_(objects), search_(search), observer_(observer) {}

    // The fix's first steps alone: "Scanning", the radio's "bd" setting read, and the
    // inverter tested at it; "Failed query with remote radio." when the radio does not
    // answer. Nothing is written to the radio.
    CheckResult check();
    // The whole fix: the check, then the changes it calls for.
    FixResult run();

private:
    enum class Step { Answers, NoAnswer, LostLink, DongleGone, Stopped };

    // Tries a "bd" value: write it, store it, restart the radio, let the link come back
    // and test the inverter again.
    Step tryValue(std::uint32_t value, FixResult& result);
    bool query(const char* letters, std::uint32_t& value);
    void writeSpeed(std::uint32_t value);
    // Answers, NoAnswer, or what cut the test short.
    Step testInverter();
    // Stopped or DongleGone once the link can no longer be used; none while it can.
    std::optional<Step> cutShort() const;
    // How the fix ends at its last step: answered when the inverter answers there.
    static Outcome outcomeOf(Step step, Outcome answered);
    // Whether the inverter answered at the step; none when it was not tested to the end.
    static std::optional<bool> answersAt(Step step);
    void status(const char* text);
    // Reports how the fix ended: its status, then fix complete when the inverter answers.
    void ended(Outcome outcome);

    ProcessObjects& objects_;
    TurbineSearch& search_;
    FixObserver& observer_;
};

}  // namespace engine
