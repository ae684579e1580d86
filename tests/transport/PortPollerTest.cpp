#include <gtest/gtest.h>

#include <thread>

#include "tests/support/ChunkDriver.h"
#include "tests/transport/PortTestSupport.h"

using namespace transport;
using transport::testing::PortRig;

namespace {

struct WaitBudget {
    int ms;
    std::uint32_t readTimeoutMs;
    std::size_t emptyReads;
};

void PrintTo(const WaitBudget& b, std::ostream* os) { *os << "wait(" << b.ms << ")"; }

class WaitBudgetTest : public ::testing::TestWithParam<WaitBudget> {};

TEST_P(WaitBudgetTest, ReadsWithItsTimeoutUntilTheEmptyReadsAreSpent) {
    const WaitBudget budget = GetParam();
    PortRig rig;
    EXPECT_FALSE(rig.poller->wait(budget.ms));
    const auto reads = rig.device.reads();
    ASSERT_EQ(reads.size(), budget.emptyReads);
    for (const ReadRecord& read : reads) {
        EXPECT_EQ(read.timeoutMs, budget.readTimeoutMs);
        EXPECT_EQ(read.wanted, 512u);
    }
    EXPECT_EQ(rig.clock.nowMs(),
              static_cast<std::int64_t>(budget.emptyReads * budget.readTimeoutMs));
}

INSTANTIATE_TEST_SUITE_P(Budgets, WaitBudgetTest,
                         ::testing::Values(WaitBudget{0, 0, 4}, WaitBudget{1, 0, 4},
                                           WaitBudget{4, 0, 4}, WaitBudget{5, 1, 4},
                                           WaitBudget{100, 20, 4}, WaitBudget{200, 40, 4},
                                           WaitBudget{201, 20, 8}, WaitBudget{1800, 20, 88}),
                         [](const auto& p) { return "Ms" + std::to_string(p.param.ms); });

TEST(PortPollerTest, CompletesAtTheEndOfTheReadThatDeliveredTheAnswer) {
    PortRig rig;
    rig.send(30, {0x01, 0x02, 0xAA});
    EXPECT_TRUE(rig.poller->wait(1800));
    EXPECT_EQ(rig.clock.nowMs(), 40);
    EXPECT_EQ(rig.device.reads().size(), 2u);
    EXPECT_EQ(rig.rawLog.log().length(), 3u);
}

// A node that never stops talking: a byte every 10 ms for the next 100 s.
void chatter(PortRig& rig) {
    for (int t = 10; t <= 100000; t += 10) rig.send(t, {0x55});
}

TEST(PortPollerTest, ChatterCannotStretchAWaitPastItsTime) {
    // No read starts after ms, so the wait ends with the read that began at ms.
    const struct {
        int ms;
        std::int64_t endMs;
    } cases[] = {{100, 120}, {250, 260}, {1800, 1820}, {8800, 8820}};
    for (const auto& c : cases) {
        PortRig rig;
        chatter(rig);
        EXPECT_FALSE(rig.poller->wait(c.ms)) << c.ms;
        EXPECT_EQ(rig.clock.nowMs(), c.endMs) << c.ms;
        for (const ReadRecord& read : rig.device.reads()) EXPECT_GT(read.got, 0u) << c.ms;
    }
}

TEST(PortPollerTest, AnAnswerAmidChatterStillEndsTheWaitAtOnce) {
    PortRig rig;
    chatter(rig);
    rig.send(555, {0xAA});
    EXPECT_TRUE(rig.poller->wait(1800));
    EXPECT_EQ(rig.clock.nowMs(), 560);
}

TEST(PortPollerTest, AFlagAlreadySetIsAnsweredAtTheFirstDataRead) {
    PortRig rig;
    rig.poller->port().notify(1);
    rig.send(30, {0x55});
    EXPECT_TRUE(rig.poller->wait(1800));
    EXPECT_EQ(rig.device.reads().size(), 2u);
}

TEST(PortPollerTest, AFlagAlreadySetIsAnsweredWhenTheBudgetIsSpent) {
    PortRig rig;
    rig.poller->port().notify(1);
    EXPECT_TRUE(rig.poller->wait(100));
    EXPECT_EQ(rig.device.reads().size(), 4u);
}

struct DrainCase {
    const char* name;
    int ms;
    std::int64_t dataAtMs;  // -1: none
    std::vector<std::uint32_t> readTimeouts;
};

void PrintTo(const DrainCase& c, std::ostream* os) { *os << c.name; }

class DrainTest : public ::testing::TestWithParam<DrainCase> {};

TEST_P(DrainTest, ReadsAsBudgetedAndClearsTheFlag) {
    const DrainCase& c = GetParam();
    PortRig rig;
    rig.poller->port().notify(1);
    if (c.dataAtMs >= 0) rig.send(c.dataAtMs, {0xAA});
    EXPECT_TRUE(rig.poller->drain(c.ms));
    EXPECT_FALSE(rig.complete());
    std::vector<std::uint32_t> timeouts;
    for (const ReadRecord& read : rig.device.reads()) timeouts.push_back(read.timeoutMs);
    EXPECT_EQ(timeouts, c.readTimeouts);
}

INSTANTIATE_TEST_SUITE_P(
    Budgets, DrainTest,
    ::testing::Values(DrainCase{"Zero", 0, -1, {1}}, DrainCase{"ZeroWithData", 0, 0, {1}},
                      DrainCase{"Ten", 10, -1, {10, 10, 10}},
                      DrainCase{"TenDataInSecond", 10, 15, {10, 10}},
                      DrainCase{"Fifty", 50, -1, {50, 50, 50}},
                      DrainCase{"Sixty", 60, -1, {50, 50, 50, 50, 50, 50, 50, 50, 50, 50, 60}},
                      DrainCase{"SixtyDataInThird", 60, 120, {50, 50, 50, 60}}),
    [](const auto& p) { return std::string(p.param.name); });

// A read that fails says the device is gone, not silent: the wait ends with it, after its
// time-out, and nothing is read or written through the poller any more.
TEST(PortPollerTest, AFailingReadEndsTheWaitAndEveryLaterOne) {
    PortRig rig;
    rig.device.setFault(DeviceFault::Read);
    EXPECT_FALSE(rig.poller->wait(1800));
    EXPECT_TRUE(rig.poller->failed());
    EXPECT_EQ(rig.device.reads().size(), 1u);
    EXPECT_EQ(rig.clock.nowMs(), 20);
    rig.device.setFault(DeviceFault::Read, false);
    rig.send(30, {0xAA});
    EXPECT_FALSE(rig.poller->wait(1800));
    EXPECT_TRUE(rig.poller->drain(10));
    EXPECT_FALSE(rig.poller->write(testsupport::viewOf({0x7E})));
    EXPECT_EQ(rig.device.reads().size(), 1u);
    EXPECT_TRUE(rig.device.writes().empty());
    EXPECT_EQ(rig.clock.nowMs(), 20);
}

TEST(PortPollerTest, AFailingWriteEndsTheUseOfThePort) {
    PortRig rig;
    rig.device.setFault(DeviceFault::Write);
    EXPECT_FALSE(rig.poller->write(testsupport::viewOf({0x7E})));
    EXPECT_TRUE(rig.poller->failed());
    EXPECT_FALSE(rig.poller->wait(1800));
    EXPECT_TRUE(rig.device.reads().empty());
}

TEST(PortPollerTest, AVanishedDeviceEndsTheWaitAtTheFailingRead) {
    PortRig rig;
    rig.send(10, {0x55});
    rig.device.vanishAt(30);
    EXPECT_FALSE(rig.poller->wait(1800));
    EXPECT_EQ(rig.top.chunks, 1);
    // The read begun at 20 fails at 30 and still takes its time-out.
    EXPECT_EQ(rig.clock.nowMs(), 40);
    EXPECT_TRUE(rig.poller->drain(10));
    EXPECT_EQ(rig.clock.nowMs(), 40);
}

TEST(PortPollerTest, ReadsThatOverrunTheirTimeoutCannotStretchAWaitOrADrain) {
    // A device that never sends, whose reads take three times their time-out.
    VirtualClock clock;
    testsupport::ChunkDriver driver(clock);
    driver.stretchEmptyReads(3);
    Settings settings;
    RawLog rawLog;
    transport::testing::CompleteOn top(0xAA);
    auto poller = PortFactory(driver, clock, settings).createLinked(0, 115200, rawLog, top);
    ASSERT_NE(poller, nullptr);

    // 60 ms a read: the 31 reads that start by 1800 ms, not the 88 of the budget.
    EXPECT_FALSE(poller->wait(1800));
    EXPECT_EQ(driver.reads(), 31u);
    EXPECT_EQ(clock.nowMs(), 31 * 60);

    // 150 ms a read of 50: those that start within the 10 x 50 + 60 ms of the drain.
    const std::uint64_t readsBefore = driver.reads();
    const std::int64_t drainStart = clock.nowMs();
    EXPECT_TRUE(poller->drain(60));
    EXPECT_EQ(driver.reads() - readsBefore, 4u);
    EXPECT_EQ(clock.nowMs() - drainStart, 4 * 150);
}

// A device that never stops talking: each chunk it delivers brings the next 5 ms later.
class Chatter final : public ReceiveStage {
public:
    Chatter(PortRig& rig, int stopAfter) : rig_(rig), stopAfter_(stopAfter) {}
    void receive(ByteView) override {
        if (++chunks == stopAfter_) rig_.poller->requestStop();
        rig_.send(rig_.clock.nowMs() + 5, {0x55});
    }
    bool ownedBySource() override { return false; }
    int chunks = 0;

private:
    PortRig& rig_;
    int stopAfter_;
};

TEST(PortPollerTest, StopEndsAWaitAfterTheReadInProgress) {
    PortRig rig;
    Chatter chatter(rig, 5);
    rig.rawLog.setPending(&chatter);
    rig.send(0, {0x55});
    EXPECT_FALSE(rig.poller->wait(1800));
    EXPECT_EQ(chatter.chunks, 5);
    // Later waits and drains read nothing.
    EXPECT_FALSE(rig.poller->wait(1800));
    EXPECT_TRUE(rig.poller->drain(60));
    EXPECT_EQ(rig.device.reads().size(), 5u);
}

TEST(PortPollerTest, StopFromAnotherThreadEndsAWait) {
    PortRig rig;
    Chatter chatter(rig, -1);
    rig.rawLog.setPending(&chatter);
    rig.send(0, {0x55});
    std::thread stopper([&] {
        while (rig.device.reads().size() < 3) std::this_thread::yield();
        rig.poller->requestStop();
    });
    EXPECT_FALSE(rig.poller->wait(1800));
    stopper.join();
    EXPECT_GE(chatter.chunks, 3);
}

}  // namespace
