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

}  // namespace transport
