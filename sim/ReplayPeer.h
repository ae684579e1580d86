#pragma once

#include <atomic>
#include <functional>
#include <istream>
#include <limits>
#include <string>

#include "sim/ReadSchedule.h"
#include "sim/RecordingScan.h"
#include "sim/ReplayResult.h"
#include "sim/WriteMatcher.h"
#include "transport/SimulatedDevice.h"

namespace sim {

// The far end of a simulated device that plays a recording instead of a field: it compares
// what the tool writes with the recorded writes and serves the recorded reads in answer.
// At the first difference, or where the recording ends before the run, the replay stops:
// nothing more is served, and the result keeps where and why. A recording whose run was
// interrupted stops the run where it ends, as its user did. It runs on the thread that
// uses the device; stopped() may be asked from any thread, finish() once the run is over.
class ReplayPeer final : public transport::DevicePeer {
public:
    // writes and reads: the recording, each from its start; device: the one this peer stands
    // behind, which it fails as the recording shows.
    ReplayPeer(const RecordingSummary& summary, std::istream& writes, std::istream& reads,
               transport::SimulatedDevice& device);

    void onOpen(std::int64_t nowMs, transport::DeviceLine& line) override;
    void onWrite(transport::ByteView bytes, std::int64_t nowMs,
                 transport::DeviceLine& line) override;
    void onLostWrite(transport::ByteView bytes, std::int64_t nowMs) override;
    void onTime(std::int64_t untilMs, transport::DeviceLine& line) override;

    // Runs once, on the device's thread, when the replay stops before the run does: a front
    // end ends the run there rather than let it wait out its time-outs.
    void setOnStop(std::function<void()> onStop) { onStop_ = std::move(onStop); }
    bool stopped() const { return stopped_.load(std::memory_order_acquire); }
    // After the run: how it went.
    ReplayResult finish();

private:
    void compare(transport::ByteView bytes, std::int64_t nowMs);
    void stop(ReplayResult::Kind kind);
    void unreadable(const std::string& error);

    const RecordingSummary& summary_;
    transport::SimulatedDevice& device_;
    WriteMatcher matcher_;
    ReadSchedule schedule_;
    bool opened_ = false;
    std::int64_t lostAtMs_ = std::numeric_limits<std::int64_t>::max();
    std::atomic<bool> stopped_{false};
    std::function<void()> onStop_;
    ReplayResult result_;
};

}  // namespace sim
