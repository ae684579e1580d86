#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

#include "app/TurbineMatch.h"
#include "radio/NodeSink.h"

namespace app {

class ProcessObjects;

// Node discovery's unit: the first answer is awaited for eight of them, the module's
// discovery time.
inline constexpr int kDiscoveryUnitMs = 1100;

// What a node report is to the search.
enum class NodeRole {
    Other,      // any node but the turbine, or one heard while nothing may be taken
    Candidate,  // answers as the turbine during a search; judged when the search ends
    Turbine,    // the turbine, by its address: found is set and commands go to it
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

// Told of every node report and of each search's end, on the thread that drives the link.
class NodeListener {
public:
    virtual ~NodeListener() = default;
    // Every node report, repeats included, from inside a receive. A Turbine report comes
    // once the node is the destination of remote commands and found is set.
    virtual void onNodeReport(const NodeReport& report, NodeRole role) = 0;
    // The end of a search; with the Turbine verdict, found is set and the radio is the
    // destination.
    virtual void onSearchEnded(const SearchResult& result) = 0;
};

// Finds the turbine among the radio nodes in reach: the search ("cb" with 2, a pause, node
// discovery), and the judging of each node report, during the search or at any later
// receive. The turbine is a 64-bit address from the moment it is taken: only that radio's
// reports set found again, end the wait for the link, or change its network address, and
// remote commands and inverter packets go to it alone. The radios that answer a search as
// the turbine are judged when it ends, so that two radios carrying the same number are never
// settled by which answered last.
//
// found may be read from any thread; everything else runs on the thread that drives the link.
// A stop of the link, or a failed port, ends the search and the waits at once.
class TurbineSearch final : public radio::NodeSink {
public:
    TurbineSearch(ProcessObjects& objects, NodeListener& listener);

    // Whom the next run looks for. Until a target is set nothing matches, or an unnamed node
    // could be taken and reconfigured.
    void setTarget(SearchTarget target) { target_ = std::move(target); }
    const SearchTarget& target() const { return target_; }
    bool found() const { return found_.load(std::memory_order_acquire); }
    void clearFound() { found_.store(false, std::memory_order_release); }
    // The turbine's 64-bit address, once taken.
    std::optional<std::uint64_t> turbine() const { return turbine_; }

    // How long the search's node discovery listens.
    enum class Listening {
        // Until 600 ms pass without an answer, as the dialog's search does.
        UntilQuiet,
        // As UntilQuiet once a radio has answered as the target; while none has, to the end
        // of the discovery time, so that a turbine whose radio answers late is not reported
        // missing.
        UntilTargetOrEnd,
        // To the end of the discovery time at least: for a survey of every node in reach.
        WholeTime,
    };

    // Lets go of the turbine, then "cb" with 2, 800 ms, node discovery, 100 ms, and judges
    // the radios that answered as the turbine: exactly one is taken. The listener hears the
    // reports as they arrive and then the result, which is also answered.
    SearchResult run(Listening listening = Listening::UntilQuiet);

    // Waits for the turbine's radio to come back after a restart: until it identifies itself
    // (a node identification from its address) or ms have passed on the clock. Other radios'
    // frames, and late answers to an earlier discovery, do not end or shorten it. Clears
    // found first and answers it.
    bool waitForLink(int ms);

    // Takes this radio as the turbine, by its address: the destination of remote commands and
    // inverter packets, and found.
    void select(std::uint64_t address, std::uint16_t network);
    // No turbine and found clear; nothing is taken until the next run.
    void forget();

    void onNode(std::uint32_t high, std::uint32_t low, std::uint16_t network, const char* name,
                std::int32_t extra) override;

private:
    enum class Phase {
        Closed,     // nothing may be taken: no search yet, or an ambiguous one, or forgotten
        Searching,  // matching reports are candidates
        Open,       // the search heard no match: the first radio to report as the turbine is it
        Chosen,     // the turbine is taken
    };

    // What the candidates come to once the search has run.
    SearchResult judge();
    void setDestination(std::uint64_t address, std::uint16_t network);
    // Sleeps ms through the clock in short slices, ending early on a stop or a failed port.
    void pause(int ms);
    bool cut() const;

    ProcessObjects& objects_;
    NodeListener& listener_;
    SearchTarget target_;
    std::atomic<bool> found_{false};
    Phase phase_ = Phase::Closed;
    Candidates candidates_;
    std::optional<std::uint64_t> turbine_;
    bool identified_ = false;  // the turbine sent a node identification during waitForLink
};

}  // namespace app
