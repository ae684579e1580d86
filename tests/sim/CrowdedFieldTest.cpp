#include <gtest/gtest.h>

#include "StackRig.h"

// The tool's stack in a crowded field: other radios' traffic never passes for the turbine's.
namespace sim::test {
namespace {

const std::string kNeighbour = "QOR123-7654318";

Scenario withFault(Scenario scenario, const std::string& node, Fault fault, int replyDelayMs = -1) {
    for (NodeConfig& config : scenario.nodes) {
        if (config.name != node) continue;
        config.faults.push_back(fault);
        if (replyDelayMs >= 0) config.replyDelayMs = replyDelayMs;
    }
    return scenario;
}

Scenario atSpeed(std::uint32_t bd, Scenario scenario = defaultField()) {
    scenario.nodes[0].bd = bd;
    return scenario;
}

TEST(CrowdedFieldTest, ANeighboursInverterNeverAnswersForTheTurbine) {
    const Scenario crosstalk = withFault(defaultField(), kNeighbour, {FaultKind::Crosstalk, 150});
    QueryRig wrongSpeed(crosstalk);
    EXPECT_EQ(wrongSpeed.probe(), 0) << "only the neighbour's replies came";
    EXPECT_EQ(wrongSpeed.transmissions().size(), 4u);

    QueryRig rightSpeed(atSpeed(6, crosstalk));
    EXPECT_EQ(rightSpeed.probe(), 0x0321) << "the turbine's word, not the neighbour's 0x0318";
    EXPECT_EQ(rightSpeed.transmissions().size(), 1u);
}

TEST(CrowdedFieldTest, ANeighboursChatterDoesNotProlongDiscovery) {
    StackRig rig(withFault(defaultField(), kNeighbour, {FaultKind::Crosstalk, 150}));
    EXPECT_EQ(rig.search(), 5);
    EXPECT_LT(rig.clock.nowMs(), 3000);
}

TEST(CrowdedFieldTest, ANeighbourAnsweringCommandsForTheTurbineIsNotHeard) {
    const Scenario eager =
        withFault(defaultField(), kNeighbour, {FaultKind::AnswersOthers, 0, Fault::kAlways}, 10);
    StackRig rig(eager);
    rig.target(kTarget);
    std::uint32_t bd = 0;
    EXPECT_TRUE(rig.query("bd", bd));
    EXPECT_EQ(bd, 4u) << "the turbine's setting; the neighbour's 6 came first";

    // While the turbine is away, the neighbour's answers must not pass for a link.
    Scenario stranded = withFault(eager, kTarget, {FaultKind::NoReturn, 0, Fault::kAlways});
    StackRig away(stranded);
    away.target(kTarget);
    away.switchSpeed(6);
    std::uint32_t signal = 0;
    EXPECT_FALSE(away.query("db", signal));
    EXPECT_FALSE(away.query("db", signal));
}

TEST(CrowdedFieldTest, AModemStatusAfterTheAnswerLeavesItsValue) {
    StackRig rig(
        withFault(defaultField(), kTarget, {FaultKind::StatusAfterReply, 0, Fault::kAlways}));
    rig.target(kTarget);
    std::uint32_t bd = 0;
    std::uint32_t signal = 0;
    EXPECT_TRUE(rig.query("bd", bd));
    EXPECT_EQ(bd, 4u);
    EXPECT_TRUE(rig.query("db", signal));
    EXPECT_EQ(signal, 0x28u);
}

TEST(CrowdedFieldTest, TheReplyIsFoundBehindOtherBytesInItsFrame) {
    const struct {
        const char* what;
        FaultKind kind;
        const char* printed;
    } cases[] = {
        {"another packet first", FaultKind::PacketBeforeReply, ""},
        {"10 10 03 first", FaultKind::StrayEndBeforeReply, "~ "},
    };
    for (const auto& c : cases) {
        QueryRig rig(withFault(atSpeed(6), kTarget, {c.kind, 0, Fault::kAlways}));
        testing::internal::CaptureStdout();
        EXPECT_EQ(rig.probe(), 0x0321) << c.what;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.printed) << c.what;
        EXPECT_EQ(rig.transmissions().size(), 1u) << c.what;
    }
}

}  // namespace
}  // namespace sim::test
