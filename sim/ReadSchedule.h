#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <istream>
#include <string>

#include "sim/TraceReader.h"
#include "sim/WriteMatcher.h"
#include "transport/SimulatedDevice.h"

namespace sim {

// Plays the recording's reads: each rx line goes on the device's line as one chunk, at its
// recorded time after the write it followed (after the open, before the first write), so
// the answers keep their delays whatever the clock, and reads take the chunks as recorded.
// A recorded failure of the device's reads, writes or time-outs is taken as the device
// pulled out at that moment. It reads the recording only as far as the time asked for.
class ReadSchedule {
public:
    using LossHandler = std::function<void(std::int64_t atMs)>;

    // label: the driver whose calls the recording shows failing; empty: any.
    ReadSchedule(std::istream& recording, std::string label, LossHandler onLoss);

    // The device opened: replay ms = recorded ms + offsetMs until the first write.
    void start(std::int64_t offsetMs);
    // Schedules what was read by untilMs, up to the first tx line not in written yet, and
    // takes the lines it passes from written. Answers false when the recording cannot be
    // read.
    bool serveUntil(std::int64_t untilMs, std::deque<WrittenLine>& written,
                    transport::DeviceLine& line);
    const std::string& error() const { return reader_.error(); }
    // Every line of the recording is served, and the last one's replay time.
    bool ended() const { return ended_; }
    std::int64_t endMs() const { return lastAtMs_; }

private:
    // Whether the line at hand is done with; false: it waits for time or a write.
    bool serve(std::int64_t untilMs, std::deque<WrittenLine>& written, transport::DeviceLine& line);

    TraceReader reader_;
    std::string label_;
    LossHandler onLoss_;
    TraceLine pending_;
    bool havePending_ = false;
    bool ended_ = false;
    bool lost_ = false;
    std::int64_t offsetMs_ = 0;
    std::int64_t lastAtMs_ = 0;
};

}  // namespace sim
