#include <gtest/gtest.h>

#include <set>

#include "StackRig.h"

namespace sim::test {
namespace {

TEST(StackTest, SearchReportsEveryReachableNode) {
    StackRig rig(defaultField());
    EXPECT_EQ(rig.search(), 5);
    std::set<std::string> names;
    for (const NodeReport& report : rig.nodes.reports) names.insert(report.name);
    EXPECT_EQ(names, (std::set<std::string>{"QOR123-7654318", "QOR123-7654321", "QOR123-7654325",
                                            "QOR123-7654330", "QOR123-7654337"}));
    for (const NodeReport& report : rig.nodes.reports) {
        if (report.name != kTarget) continue;
        EXPECT_EQ(report.node, 0x0013A20041C7F321u);
        EXPECT_EQ(report.network, 0x7A21);
    }
    // cb 2 at 0, 800 ms, then the first answer at 200 ms and the last 600 ms later, and
    // the 28 empty reads of 20 ms that end discovery.
    EXPECT_LT(rig.clock.nowMs(), 3000);
}

TEST(StackTest, SearchSurvivesNoiseBetweenFrames) {
    Scenario noisy = defaultField();
    noisy.noiseBytes = 7;
    StackRig rig(noisy);
    EXPECT_EQ(rig.search(), 5);
    rig.target(kTarget);
    std::uint32_t bd = 0;
    EXPECT_TRUE(rig.query("bd", bd));
    EXPECT_EQ(bd, 4u);
}

TEST(StackTest, RemoteBdReadsTheConfiguredValueInEitherWidth) {
    StackRig rig(defaultField());
    const struct {
        const char* node;
        std::uint32_t bd;
    } cases[] = {{"QOR123-7654321", 4}, {"QOR123-7654318", 6}, {"QOR123-7654325", 4}};
    for (const auto& c : cases) {
        rig.target(c.node);
        std::uint32_t value = 99;
        EXPECT_TRUE(rig.query("bd", value)) << c.node;
        EXPECT_EQ(value, c.bd) << c.node;
    }
    std::uint32_t signal = 0;
    rig.target("QOR123-7654337");
    EXPECT_TRUE(rig.query("db", signal));
    EXPECT_EQ(signal, 0x4Cu);
}

TEST(StackTest, RadioComesBackAfterSwitchAndAnswersDb) {
    StackRig rig(defaultField());
    rig.target(kTarget);
    rig.switchSpeed(6);
    const std::int64_t restartedAt = rig.clock.nowMs();
    EXPECT_TRUE(rig.waitForLink(6000)) << "the radio announces itself when back";
    EXPECT_LT(rig.clock.nowMs() - restartedAt, 3000);
    std::uint32_t signal = 0;
    EXPECT_TRUE(rig.query("db", signal));
    EXPECT_EQ(signal, 0x28u);
    std::uint32_t bd = 0;
    EXPECT_TRUE(rig.query("bd", bd));
    EXPECT_EQ(bd, 6u);
    EXPECT_EQ(rig.radio(kTarget).restarts(), 1u);
}

TEST(StackTest, QuietRestartStillComesBackWithinTheWait) {
    Scenario scenario = defaultField();
    scenario.nodes[0].announcesAfterRestart = false;
    StackRig rig(scenario);
    rig.target(kTarget);
    rig.switchSpeed(6);
    EXPECT_FALSE(rig.waitForLink(6000));
    std::uint32_t signal = 0;
    EXPECT_TRUE(rig.query("db", signal));
}

TEST(StackTest, RadioFaultsEndInTimeOuts) {
    const struct {
        const char* what;
        Fault fault;
    } cases[] = {
        {"a radio that never answers bd", {FaultKind::SilentBd, 0, Fault::kAlways}},
        {"a radio whose answers arrive corrupted", {FaultKind::BadChecksum, 0, Fault::kAlways}},
    };
    for (const auto& c : cases) {
        Scenario scenario = defaultField();
        scenario.nodes[0].faults = {c.fault};
        StackRig rig(scenario);
        rig.target(kTarget);
        std::uint32_t bd = 99;
        testing::internal::CaptureStderr();
        const std::int64_t start = rig.clock.nowMs();
        EXPECT_FALSE(rig.query("bd", bd)) << c.what;
        const std::string errors = testing::internal::GetCapturedStderr();
        EXPECT_EQ(bd, 99u);
        // The default 1800 ms: 88 empty reads of 20 ms, after the drain.
        EXPECT_GE(rig.clock.nowMs() - start, 1760) << c.what;
        EXPECT_LT(rig.clock.nowMs() - start, 1900) << c.what;
        EXPECT_EQ(errors, c.fault.kind == FaultKind::BadChecksum ? "zb checksum failed.\n" : "")
            << c.what;
    }
}

TEST(StackTest, RadioThatNeverReturnsLosesTheLink) {
    Scenario scenario = defaultField();
    scenario.nodes[0].faults = {{FaultKind::NoReturn, 0, Fault::kAlways}};
    StackRig rig(scenario);
    rig.target(kTarget);
    rig.switchSpeed(6);
    EXPECT_FALSE(rig.waitForLink(6000));
    std::uint32_t signal = 0;
    EXPECT_FALSE(rig.query("db", signal));
    EXPECT_FALSE(rig.query("db", signal));
}

TEST(StackTest, DeviceFaultsAtOpenLeaveNoPort) {
    const struct {
        DeviceFaults faults;
        const char* printed;
    } cases[] = {
        {{true, false, -1}, "unable to open communication device"},
        {{false, true, -1}, "baud rate err"},
    };
    for (const auto& c : cases) {
        Scenario scenario;
        scenario.device = c.faults;
        testing::internal::CaptureStdout();
        StackRig rig(scenario);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.printed);
        EXPECT_EQ(rig.poller, nullptr);
    }
}

TEST(StackTest, DeviceVanishingMidRunEndsAnswers) {
    Scenario scenario = defaultField();
    scenario.device.vanishesAtMs = 5000;
    StackRig rig(scenario);
    rig.target(kTarget);
    std::uint32_t bd = 0;
    EXPECT_TRUE(rig.query("bd", bd));
    rig.clock.sleepFor(5000);
    EXPECT_FALSE(rig.query("bd", bd));
    EXPECT_FALSE(rig.query("db", bd));
}

}  // namespace
}  // namespace sim::test
