#include "transport/PortPoller.h"

#include <algorithm>

namespace transport {

namespace {
constexpr int kShortWaitLimitMs = 200;
constexpr int kLongWaitReadTimeoutMs = 20;
// A long wait allows two empty reads fewer than fit in its time, so that a silent wait
// gives up 40 ms early: the slack is for reads that bring stray bytes, which take time
// without counting, and keeps a wait with a little traffic near its ms.
constexpr int kLongWaitSpareReads = 2;
// A short wait reads four times for a fifth of its time each: silent, it ends a fifth early.
constexpr int kShortWaitReadDivisor = 5;
constexpr int kShortWaitEmptyReads = 4;

// A long drain first reads for up to half a second, then once with its own time-out; a
// drain of 0 ms still makes one read, of the shortest time-out the driver takes.
constexpr int kLongDrainLimitMs = 50;
constexpr int kLongDrainReads = 10;
constexpr int kZeroDrainReadTimeoutMs = 1;
constexpr int kShortDrainReads = 3;
}  // namespace

Poller::~Poller() {
    // Through the sink's destructor, which destroys the whole port.
    if (reader_) delete static_cast<ByteSink*>(reader_);
}

bool PortPoller::mayRead(std::int64_t deadlineMs) const {
    return !failed_ && !stopRequested() && port_->clock().nowMs() <= deadlineMs;
}

bool PortPoller::write(ByteView frame) {
    if (failed_) return false;
    if (port_->write(frame) < 0) failed_ = true;
    return !failed_;
}

bool PortPoller::wait(int ms) {
    ms = std::max(ms, 0);
    int emptyReads = kShortWaitEmptyReads;
    if (ms > kShortWaitLimitMs) {
        port_->setReadTimeout(kLongWaitReadTimeoutMs);
        emptyReads = ms / kLongWaitReadTimeoutMs - kLongWaitSpareReads;
    } else {
        port_->setReadTimeout(ms / kShortWaitReadDivisor);
    }
    // Reads that bring data do not spend the budget, so the clock ends the wait too: a
    // node that chatters without ever completing an answer cannot stretch it.
    const std::int64_t deadline = port_->clock().nowMs() + ms;
    while (emptyReads != 0 && mayRead(deadline)) {
        const int pumped = port_->pump();
        if (pumped < 0) {
            failed_ = true;
        } else if (pumped != 0) {
            --emptyReads;
        } else if (reader_->isComplete()) {
            return true;
        }
    }
    return !failed_ && reader_->isComplete();
}

void PortPoller::pumpUntilData(int count, int readTimeoutMs, std::int64_t deadlineMs) {
    port_->setReadTimeout(readTimeoutMs);
    for (int i = 0; i < count && mayRead(deadlineMs); ++i) {
        const int pumped = port_->pump();
        if (pumped < 0) failed_ = true;
        if (pumped <= 0) return;
    }
}

bool PortPoller::drain(int ms) {
    // The deadline is the time the reads take when nothing comes, so a driver whose reads
    // overrun their time-out cannot stretch the drain either.
    const std::int64_t start = port_->clock().nowMs();
    if (ms > kLongDrainLimitMs) {
        const std::int64_t deadline = start + kLongDrainReads * kLongDrainLimitMs + ms;
        pumpUntilData(kLongDrainReads, kLongDrainLimitMs, deadline);
        pumpUntilData(1, ms, deadline);
    } else if (ms == 0) {
        pumpUntilData(1, kZeroDrainReadTimeoutMs, start + kZeroDrainReadTimeoutMs);
    } else if (ms > 0) {
        pumpUntilData(kShortDrainReads, ms, start + kShortDrainReads * ms);
    }
    ByteSink& sink = *reader_;
    return sink.reset();
}

}  // namespace transport
