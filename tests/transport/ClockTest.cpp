#include <gtest/gtest.h>

#include "transport/Clock.h"

using namespace transport;

namespace {

// Real time is only bounded from below here: a sleep never ends early, and the clock never
// goes back. The factor is large so the real sleeps stay far below a millisecond.
TEST(ScaledClockTest, ASleepMovesTheClockAtLeastThatFar) {
    ScaledClock clock(1000.0);
    const std::int64_t before = clock.nowMs();
    clock.sleepFor(200);
    const std::int64_t after = clock.nowMs();
    EXPECT_GE(after - before, 200);
    clock.sleepUntil(after + 100);
    EXPECT_GE(clock.nowMs(), after + 100);
}

}  // namespace
