#include "transport/PortPoller.h"

#include <algorithm>

namespace transport {

namespace {
constexpr int kShortWaitLimitMs = 200;
constexpr int kLongWaitReadTimeoutMs = 20;
constexpr int kLongWaitSpareReads = 2;
constexpr int kShortWaitReadDivisor = 5;
constexpr int kShortWaitEmptyReads = 4;

constexpr int kLongDrainLimitMs = 50;
constexpr int kLongDrainReads = 10;
constexpr int kZeroDrainReadTimeoutMs = 1;
constexpr int kShortDrainReads = 3;
}  // namespace

Poller::~Poller() {
    // Through the sink's destructor, which destroys the whole port.
    if (reader_) delete static_cast<ByteSink*>(reader_);
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
    while (emptyReads != 0 && !stopRequested()) {
        if (port_->pump() != 0) {
            --emptyReads;
        } else if (reader_->isComplete()) {
            return true;
        }
    }
    return reader_->isComplete();
}

void PortPoller::pumpUntilData(int count) {
    for (int i = 0; i < count && !stopRequested(); ++i) {
        if (port_->pump() == 0) return;
    }
}

bool PortPoller::drain(int ms) {
    if (ms > kLongDrainLimitMs) {
        port_->setReadTimeout(kLongDrainLimitMs);
        pumpUntilData(kLongDrainReads);
        port_->setReadTimeout(ms);
        pumpUntilData(1);
    } else if (ms == 0) {
        port_->setReadTimeout(kZeroDrainReadTimeoutMs);
        pumpUntilData(1);
    } else if (ms > 0) {
        port_->setReadTimeout(ms);
        pumpUntilData(kShortDrainReads);
    }
    ByteSink& sink = *reader_;
    return sink.reset();
}

}  // namespace transport
