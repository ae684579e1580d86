#pragma once

#include <functional>
#include <istream>
#include <memory>
#include <string>
#include <vector>

#include "sim/RecordingScan.h"
#include "sim/ReplayPeer.h"
#include "sim/ReplayResult.h"
#include "transport/Clock.h"
#include "transport/Driver.h"
#include "transport/SimulatedDevice.h"

namespace sim {

// A driver to try, as the recorded run tried it, with the recording's name for it.
struct ReplayDriver {
    transport::Driver* driver;
    std::string label;
};

// A recording made ready to play on a clock: the drivers the run tries in turn, the ones
// that failed in the recording failing again as they did, and behind the one that opened,
// the recording in place of the radio. Reads wait on the clock as with the simulated field:
// virtual time in tests, real or scaled time in the programs. The recording is read as the
// run goes, a line at a time, so a long one costs no more memory than a short one.
class Replay {
public:
    // Opens the recording afresh, at its start; null when it cannot.
    using Source = std::function<std::unique_ptr<std::istream>()>;

    // Null when the recording cannot be opened or has a malformed line; error says why.
    static std::unique_ptr<Replay> open(const Source& source, transport::Clock& clock,
                                        std::string& error);
    ~Replay();
    Replay(const Replay&) = delete;
    Replay& operator=(const Replay&) = delete;

    const std::vector<ReplayDriver>& drivers() const { return drivers_; }
    // The device that plays the recording.
    transport::SimulatedDevice& device() { return *devices_[played_]; }
    const RecordingSummary& summary() const { return summary_; }

    // See ReplayPeer.
    void setOnStop(std::function<void()> onStop) { peer_->setOnStop(std::move(onStop)); }
    bool stopped() const { return peer_->stopped(); }
    // Once no thread uses the drivers any more: how the run went against the recording.
    ReplayResult finish() { return peer_->finish(); }

private:
    Replay() = default;

    RecordingSummary summary_;
    std::unique_ptr<std::istream> writes_;
    std::unique_ptr<std::istream> reads_;
    std::vector<std::unique_ptr<transport::SimulatedDevice>> devices_;
    std::size_t played_ = 0;
    std::vector<ReplayDriver> drivers_;
    std::unique_ptr<ReplayPeer> peer_;
};

// The recording in the file at path.
std::unique_ptr<Replay> openReplay(const std::string& path, transport::Clock& clock,
                                   std::string& error);

}  // namespace sim
