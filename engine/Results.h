#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/Outcome.h"
#include "engine/TurbineMatch.h"
#include "radio/FrameCounts.h"
#include "radio/LinkVerdict.h"
#include "radio/NodeAddress.h"

namespace engine {

// Node discovery's unit: the first answer is awaited for eight of them, the module's
// discovery time.
inline constexpr int kDiscoveryUnitMs = 1100;

// What a node report is to the search.
enum class NodeRole {
    Other,      // any node but the turbine, or one heard while nothing may be taken
    Unnamed,    // as Other, and its name carries no turbine number (too short to)
    Candidate,  // answers as the turbine during a search; judged when the search ends
    Turbine,    // the turbine, by its address: found is set and commands go to it
};

// How long a search's node discovery listens.
enum class Listening {
    // Until 600 ms pass without an answer, as the dialog's search does.
    UntilQuiet,
    // As UntilQuiet once a radio of the best rank the target allows has answered; while none
    // has, to the end of the discovery time, so that a turbine whose radio answers late is
    // neither reported missing nor passed over for a radio that only shares its number.
    UntilTargetOrEnd,
    // To the end of the discovery time at least: for a survey of every node in reach.
    WholeTime,
};

// How a search ended.
struct SearchResult {
    enum class Verdict {
        NoMatch,    // no radio answered as the turbine; the first to report as it later is taken
        Turbine,    // exactly one radio did, and is the turbine now
        Ambiguous,  // several did: none is taken until the next search
        Cut,        // the link was stopped or the port failed before the search ended
    };
    Verdict verdict = Verdict::Cut;
    std::vector<Candidate> radios;  // Turbine: it; Ambiguous: each, in order of first report
    std::uint32_t outranked = 0;    // reports of radios outranked by one named as typed
};

// One radio node, however often it reported.
struct NodeRow {
    radio::NodeId address = 0;
    std::uint16_t network = 0;
    std::string name;                     // untrusted bytes, as the radio sent them
    std::optional<std::int32_t> turbine;  // the target its name carries, when above 0
    std::uint32_t reports = 0;
};

// The first steps of the fix, which write nothing: the "bd" read and the inverter tested.
struct CheckResult {
    Outcome outcome = Outcome::Stopped;   // SpeedCorrect, Unable, QueryFailed, DongleGone, Stopped
    std::optional<std::uint32_t> speed;   // the radio's "bd" value, once read
    std::optional<bool> inverterAnswers;  // none: not tested
};

// The whole fix.
struct FixResult {
    Outcome outcome = Outcome::Stopped;
    std::optional<std::uint32_t> speedRead;
    // The "bd" values sent to the radio, in order. A stop can cut short the "wr" and "fr"
    // that store and apply the last of them.
    std::vector<std::uint32_t> speedsWritten;
    // Whether the inverter answered at the fix's last test; none: the fix ended without one.
    std::optional<bool> inverterAnswers;
};

// One turbine of a survey, checked.
struct SurveyRow {
    NodeRow node;
    CheckResult check;
};

// A remote radio that answered the module check, once however often it answered.
struct RemoteRadio {
    radio::NodeId address = 0;
    std::uint16_t network = 0;
    std::string name;                     // untrusted bytes, as the radio sent them
    std::optional<std::int32_t> turbine;  // the turbine number its name carries
};

// What the module check found out.
struct ModuleCheckResult {
    bool sent = false;          // the request went out; false: the port could not take it
    bool cut = false;           // the link was stopped or the port failed before the check ended
    radio::FrameCounts counts;  // what came from the radio module during the check
    radio::LinkVerdict verdict = radio::LinkVerdict::Silent;
    std::vector<RemoteRadio> radios;   // in order of first answer, the first 1000
    std::uint32_t answersNotKept = 0;  // answers of radios beyond them, repeats included
};

}  // namespace engine
