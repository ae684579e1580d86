#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string_view>

#include "radio/NodeSink.h"

namespace app {

class ProcessObjects;

// One node report as the search hands it on.
struct NodeReport {
    std::uint64_t address;  // the 64-bit node address
    std::uint16_t network;
    std::string_view name;  // untrusted bytes; valid only during the call
    // The target the name carries, as the search matches it; none for a name too short.
    std::optional<std::int32_t> turbine;
};

// Told of every node report, repeats included, on the thread that drives the link, from
// inside a receive.
class NodeListener {
public:
    virtual ~NodeListener() = default;
    // isTarget: the name carries the target. The node becomes the destination of remote
    // commands and inverter packets, and found is set, once this returns.
    virtual void onNodeReport(const NodeReport& report, bool isTarget) = 0;
};

// Finds the turbine named by its target among the radio nodes in reach: the search ("cb"
// with 2, a pause, node discovery), and the judging of each node report, during the search
// or at any later receive. The node whose name carries the target becomes the destination
// of remote commands and inverter packets. Until a target above 0 is set nothing matches,
// or an unnamed node could be selected and reconfigured.
//
// The target and found may be read from any thread; everything else runs on the thread
// that drives the link. A stop of the link ends the search and the waits at once.
class TurbineSearch final : public radio::NodeSink {
public:
    TurbineSearch(ProcessObjects& objects, NodeListener& listener);

    void setTarget(std::int32_t target) { target_.store(target, std::memory_order_release); }
    std::int32_t target() const { return target_.load(std::memory_order_acquire); }
    bool found() const { return found_.load(std::memory_order_acquire); }
    void clearFound() { found_.store(false, std::memory_order_release); }

    // How long the search's node discovery listens.
    enum class Listening {
        // Until 600 ms pass without an answer, as the dialog's search does.
        UntilQuiet,
        // As UntilQuiet once the target has answered; while it has not, to the end of the
        // discovery time, so that a turbine whose radio answers late is not reported missing.
        UntilTargetOrEnd,
        // To the end of the discovery time at least: for a survey of every node in reach.
        WholeTime,
    };

    // Clears found, then "cb" with 2, 800 ms, node discovery, 100 ms. The reports reach the
    // listener as they arrive. Its results are not looked at: the reports are what counts.
    void run(Listening listening = Listening::UntilQuiet);

    // Waits up to ms for the target to report again, in 500 ms waits that each end early on
    // a node announcement; clears found first and answers it.
    bool waitForLink(int ms);

    // Makes this node the destination of remote commands and inverter packets.
    void select(std::uint64_t address, std::uint16_t network);

    void onNode(std::uint32_t high, std::uint32_t low, std::uint16_t network, const char* name,
                std::int32_t extra) override;

private:
    // Sleeps ms through the clock in short slices, ending early on a stop.
    void pause(int ms);
    bool stopped() const;

    ProcessObjects& objects_;
    NodeListener& listener_;
    std::atomic<std::int32_t> target_{0};
    std::atomic<bool> found_{false};
};

}  // namespace app
