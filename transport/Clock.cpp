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

// A sleep may end early by up to the timer's granularity: Windows rounds a sleep shorter
// than a millisecond down to none. So sleep again until the deadline has passed.
void sleepUntilNs(std::int64_t deadlineNs) {
    for (std::int64_t left = deadlineNs - steadyNs(); left > 0; left = deadlineNs - steadyNs())
        std::this_thread::sleep_for(std::chrono::nanoseconds(left));
}
}  // namespace

SteadyClock::SteadyClock() : epochNs_(steadyNs()) {}

std::int64_t SteadyClock::nowMs() const { return (steadyNs() - epochNs_) / 1'000'000; }

void SteadyClock::sleepFor(std::int64_t ms) {
    if (ms > 0) sleepUntilNs(steadyNs() + ms * 1'000'000);
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
    sleepUntilNs(steadyNs() + realNs);
}

}  // namespace transport
