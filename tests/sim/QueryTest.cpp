#include <gtest/gtest.h>

#include "StackRig.h"

namespace sim::test {
namespace {

Scenario fieldWithTargetAt(std::uint32_t bd) {
    Scenario scenario = defaultField();
    scenario.nodes[0].bd = bd;
    return scenario;
}

TEST(QueryTest, InverterAnswersOnlyAtTheMatchingSetting) {
    QueryRig rig(defaultField());
    EXPECT_EQ(rig.probe(), 0) << "radio at 4, inverter at 6";
    EXPECT_EQ(rig.transmissions().size(), 4u);

    rig.switchSpeed(6);
    EXPECT_TRUE(rig.waitForLink(6000));
    std::uint32_t signal = 0;
    EXPECT_TRUE(rig.query("db", signal));
    rig.sim->device().clearRecords();
    EXPECT_EQ(rig.probe(), 0x0321);
    EXPECT_EQ(rig.transmissions().size(), 1u);
    EXPECT_EQ(rig.radio(kTarget).inverter().queriesAnswered(), 1u);
}

TEST(QueryTest, ReplyWordZeroReadsAsNoAnswer) {
    Scenario scenario = fieldWithTargetAt(6);
    scenario.nodes[0].replyWord = 0;
    QueryRig rig(scenario);
    EXPECT_EQ(rig.probe(), 0);
    EXPECT_EQ(rig.transmissions().size(), 1u) << "accepted, so not sent again";
}

TEST(QueryTest, LongReplyIsGatheredFromSeveralFrames) {
    Scenario scenario = fieldWithTargetAt(6);
    scenario.nodes[0].replyExtraWords = 40;
    scenario.nodes[0].replyChunk = 9;
    scenario.noiseBytes = 3;
    QueryRig rig(scenario);
    EXPECT_EQ(rig.probe(), 0x0321);
    EXPECT_EQ(rig.transmissions().size(), 1u);
}

TEST(QueryTest, LongRequestIsGatheredFromSeveralFrames) {
    QueryRig rig(fieldWithTargetAt(6));
    const std::vector<std::uint16_t> words(40, 0x1010);  // every byte doubled on the wire
    rig.packets.compose(0x8108, 10, 5, 0, std::span(words.data(), words.size()));
    ASSERT_GT(rig.packets.encode().length(), 2 * 72u);
    EXPECT_TRUE(rig.inverterQuery.sendWithRetries(0, 1, true));
    EXPECT_EQ(rig.inverterQuery.replyWord(0x8108), 0x0321);
    EXPECT_EQ(rig.transmissions().size(), 3u);
}

TEST(QueryTest, SequenceSixteenIsStuffedAndAnswered) {
    QueryRig rig(fieldWithTargetAt(6));
    rig.packets.setPacketSequence(16);
    EXPECT_EQ(rig.probe(), 0x0321);
}

// Each reply fault spoils the first reply only; the retransmission is answered well.
TEST(QueryTest, SpoiltRepliesAreSentAgain) {
    const struct {
        const char* what;
        Fault fault;
        const char* out;
        const char* err;
    } cases[] = {
        {"wrong flags", {FaultKind::ReplyFlags, 0x00, 1}, "", ""},
        {"wrong flags 0xC0", {FaultKind::ReplyFlags, 0xC0, 1}, "", ""},
        {"wrong code", {FaultKind::ReplyCode, 0x8109, 1}, "", ""},
        {"corrupt reply CRC", {FaultKind::BadReplyCrc, 0, 1}, "x ", ""},
        {"corrupt frame checksum", {FaultKind::BadChecksum, 0, 1}, "", "zb checksum failed.\n"},
    };
    for (const auto& c : cases) {
        Scenario scenario = fieldWithTargetAt(6);
        scenario.nodes[0].faults = {c.fault};
        QueryRig rig(scenario);
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const std::int32_t word = rig.probe();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.out) << c.what;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.err) << c.what;
        EXPECT_EQ(word, 0x0321) << c.what;
        const auto times = rig.transmissions();
        ASSERT_EQ(times.size(), 2u) << c.what;
        // A refused reply, like a lost one, is followed after the wait and the pause: the
        // awaited reply could still have come behind it.
        EXPECT_GE(times[1] - times[0], 1800) << c.what;
    }
}

TEST(QueryTest, RepliesSpoiltEveryTimeUseUpTheAttempts) {
    const Fault faults[] = {
        {FaultKind::ReplyFlags, 0x40, Fault::kAlways},
        {FaultKind::ReplyCode, 0x0B12, Fault::kAlways},
        {FaultKind::BadReplyCrc, 0, Fault::kAlways},
    };
    for (const Fault& fault : faults) {
        Scenario scenario = fieldWithTargetAt(6);
        scenario.nodes[0].faults = {fault};
        QueryRig rig(scenario);
        testing::internal::CaptureStdout();
        EXPECT_EQ(rig.probe(), 0);
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(rig.transmissions().size(), 4u);
        EXPECT_EQ(rig.radio(kTarget).inverter().queriesAnswered(), 4u);
    }
}

TEST(QueryTest, UnreachableRadioCostsEveryAttempt) {
    Scenario scenario = fieldWithTargetAt(6);
    scenario.nodes[0].reachable = false;
    QueryRig rig(scenario);
    const std::int64_t start = rig.clock.nowMs();
    EXPECT_EQ(rig.probe(), 0);
    EXPECT_EQ(rig.transmissions().size(), 4u);
    // Four waits of 88 empty 20 ms reads, each followed by the 100 ms pause.
    EXPECT_GE(rig.clock.nowMs() - start, 4 * (1760 + 100));
    EXPECT_LT(rig.clock.nowMs() - start, 8000);
}

}  // namespace
}  // namespace sim::test
