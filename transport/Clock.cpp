#include "transport/Clock.h"

#include <chrono>
#include <thread>

namespace transport {

namespace {
std::int64_t steadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
}  // namespace

SteadyClock::SteadyClock() : epochNs_(steadyNs()) {}

std::int64_t SteadyClock::nowMs() const { return (steadyNs() - epochNs_) / 1'000'000; }

void SteadyClock::sleepFor(std::int64_t ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

ScaledClock::ScaledClock(double factor)
    : factor_(factor > 0 ? factor : 1.0), epochNs_(steadyNs()) {}

std::int64_t ScaledClock::nowMs() const {
    return static_cast<std::int64_t>(static_cast<double>(steadyNs() - epochNs_) * factor_ /
                                     1'000'000.0);
}

void ScaledClock::sleepFor(std::int64_t ms) {
    if (ms <= 0) return;
    const auto realNs = static_cast<std::int64_t>(static_cast<double>(ms) * 1'000'000.0 / factor_);
    std::this_thread::sleep_for(std::chrono::nanoseconds(realNs));
}

}  // namespace transport
