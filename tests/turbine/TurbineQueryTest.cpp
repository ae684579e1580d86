#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "radio/CommandLink.h"
#include "radio/FrameAssembler.h"
#include "radio/FrameDispatcher.h"
#include "radio/FrameEncoder.h"
#include "radio/PacketReassembler.h"
#include "tests/support/Bytes.h"
#include "tests/support/SimulatedPort.h"
#include "tests/turbine/InverterPeer.h"
#include "transport/Port.h"
#include "transport/RawLog.h"
#include "turbine/PacketEncoder.h"
#include "turbine/PacketParser.h"
#include "turbine/TurbineQuery.h"

using namespace turbine;
using namespace turbine::test;
using namespace testsupport;

namespace {

constexpr std::uint16_t kProbe = TurbineQuery::kProbeCode;
constexpr std::uint8_t kReplyFlags = 0x80;

// The receive chain and the radio link on a simulated device in virtual time, with the
// inverter peer at the far end.
struct QueryRig {
    transport::VirtualClock clock;
    transport::SimulatedDevice device{clock};
    transport::Settings settings;
    radio::FrameEncoder frames;
    radio::FrameAssembler assembler;
    radio::FrameDispatcher dispatcher;
    radio::PacketReassembler reassembler;
    PacketParser parser{settings};
    transport::RawLog rawLog;
    PacketEncoder packets;
    std::unique_ptr<transport::PortPoller> poller;
    radio::CommandLink link{settings, rawLog, frames, dispatcher};
    TurbineQuery query{link, packets, parser, clock};
    InverterPeer peer;

    explicit QueryRig(transport::Settings given = {}) : settings(given) {
        testsupport::linkChain(assembler, dispatcher, reassembler, parser);
        poller = testsupport::openSimulatedPort(device, clock, settings, rawLog, assembler);
        // Every stage current, as start-up makes them.
        testsupport::makeCurrent(assembler, dispatcher, reassembler);
        // Aimed at the turbine's radio, whose packet data alone is taken.
        radio::NodeAddress turbine;
        std::copy(kTurbineRadio.begin(), kTurbineRadio.end(), turbine.bytes.begin());
        frames.setNodeAddress(turbine);
        dispatcher.setPacketSender(&frames.nodeAddress());
        link.setPoller(poller.get());
        device.setPeer(&peer);
        device.clearRecords();
    }

    // The reply packet arrives that long after the transmit request.
    void reply(std::int64_t afterMs, const Bytes& framedPacket) {
        peer.answerNext({{afterMs, receivedPacketFrame(framedPacket)}});
    }
    void silence() { peer.answerNext({}); }

    std::vector<int> frameIds() const {
        std::vector<int> ids;
        for (const auto& request : peer.requests) ids.push_back(request.frameId);
        return ids;
    }
    std::vector<int> sequences() const {
        std::vector<int> numbers;
        for (const auto& request : peer.requests)
            numbers.push_back(InverterPeer::sequenceOf(request.packet));
        return numbers;
    }
};

}  // namespace

TEST(TurbineQuery, FirstProbeWithoutReplyRetriesThreeTimesAndAnswers0) {
    QueryRig rig;
    rig.frames.setNodeAddress({});
    EXPECT_EQ(rig.query.probeInverter(false, true), 0);

    ASSERT_EQ(rig.peer.requests.size(), 4u);
    EXPECT_EQ(hexOf(rig.peer.requests[0].frame),
              hexOf(hex("7E 00 1F 10 20 00 00 00 00 00 00 00 00 00 00 00 00"
                        " 10 01 00 00 00 0A 01 08 81 00 00 00 00 AD E9 10 03 81")));
    EXPECT_EQ(rig.frameIds(), (std::vector<int>{32, 36, 40, 44}));
    EXPECT_EQ(rig.sequences(), (std::vector<int>{1, 2, 3, 4}));
    // Each pass: a drain of three 10 ms reads, 88 empty 20 ms reads, the 100 ms pause.
    EXPECT_EQ(rig.clock.nowMs(), 4 * (30 + 88 * 20 + 100));
    for (std::size_t i = 1; i < 4; ++i) {
        EXPECT_EQ(rig.peer.requests[i].atMs - rig.peer.requests[i - 1].atMs, 30 + 88 * 20 + 100);
    }
}

TEST(TurbineQuery, SequencesAndFrameIdsRunOnAcrossProbes) {
    QueryRig rig;
    rig.query.probeInverter(false, true);
    rig.reply(40, framedReply(kReplyFlags | 5, kProbe, {0x01, 0x00}));
    EXPECT_EQ(rig.query.probeInverter(false, true), 1);
    ASSERT_EQ(rig.peer.requests.size(), 5u);
    EXPECT_EQ(rig.sequences().back(), 5);
    EXPECT_EQ(rig.frameIds().back(), 48);
    EXPECT_EQ(rig.query.packetSequence(), 6u);
}

struct ReplyCase {
    const char* name;
    std::uint8_t byte4;
    std::uint16_t code;
    Bytes payload;
    std::int32_t result;  // of probeInverter, when this is the only reply
    bool accepted;
};

// Test names and failure messages show the row name, not the bytes of the row.
void PrintTo(const ReplyCase& row, std::ostream* os) { *os << row.name; }

class ProbeReplies : public testing::TestWithParam<ReplyCase> {};

TEST_P(ProbeReplies, Table) {
    const ReplyCase& c = GetParam();
    QueryRig rig;
    rig.reply(50, framedReply(c.byte4, c.code, c.payload));
    EXPECT_EQ(rig.query.probeInverter(false, true), c.result);
    if (c.accepted) {
        EXPECT_EQ(rig.peer.requests.size(), 1u);
        return;
    }
    // Not the awaited reply: waited past, the reply may be behind it; the next transmission
    // follows the wait and the pause, as after silence (the read that brought it not counted).
    ASSERT_EQ(rig.peer.requests.size(), 4u);
    EXPECT_EQ(rig.peer.requests[1].atMs - rig.peer.requests[0].atMs, 30 + 89 * 20 + 100);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ProbeReplies,
    testing::Values(
        ReplyCase{"Word1", 0x81, kProbe, {0x01, 0x00}, 1, true},
        ReplyCase{"Word0ReadsAsNoAnswer", 0x81, kProbe, {0x00, 0x00}, 0, true},
        ReplyCase{"WordLowByteFirst", 0x81, kProbe, {0x34, 0x12, 0x99, 0x99}, 0x1234, true},
        ReplyCase{"WordWithDle", 0x90, kProbe, {0x10, 0x10}, 0x1010, true},
        ReplyCase{"OtherSequenceStillAccepted", 0x80 | 33, kProbe, {0x02, 0x00}, 2, true},
        // No payload: the byte after the header, the check's low byte 0x6E, twice.
        ReplyCase{"ElevenBytes", 0x81, kProbe, {}, 0x6E6E, true},
        ReplyCase{"Flags00", 0x01, kProbe, {0x01, 0x00}, 0, false},
        ReplyCase{"Flags40", 0x41, kProbe, {0x01, 0x00}, 0, false},
        ReplyCase{"FlagsC0", 0xC1, kProbe, {0x01, 0x00}, 0, false},
        ReplyCase{"OtherCode", 0x81, 0x8109, {0x01, 0x00}, 0, false},
        ReplyCase{"AlternativeOnlyFor0B14", 0x81, 0x0B12, {0x01, 0x00}, 0, false}),
    [](const testing::TestParamInfo<ReplyCase>& row) { return std::string(row.param.name); });

TEST(TurbineQuery, RejectedReplyThenAcceptedOne) {
    QueryRig rig;
    rig.reply(50, framedReply(0xC1, kProbe, {0x01, 0x00}));
    rig.reply(50, framedReply(0x82, kProbe, {0x07, 0x00}));
    EXPECT_EQ(rig.query.probeInverter(false, true), 7);
    EXPECT_EQ(rig.sequences(), (std::vector<int>{1, 2}));
}

TEST(TurbineQuery, ARequestCoded0B14AcceptsEitherReplyCode) {
    for (std::uint16_t replyCode : {0x0B14, 0x0B12}) {
        QueryRig rig;
        rig.packets.compose(0x0B14, 10, 1, 0, {0});
        rig.reply(30, framedReply(0x81, replyCode, {0x05, 0x00}));
        EXPECT_TRUE(rig.query.sendWithRetries(0, 1, true)) << replyCode;
        EXPECT_EQ(rig.query.replyWord(replyCode), 5);
        // The word is read only for the code asked for.
        EXPECT_EQ(rig.query.replyWord(0x0B14), replyCode == 0x0B14 ? 5 : -1) << replyCode;
    }
    QueryRig rig;
    rig.packets.compose(0x0B12, 10, 1, 0, {0});
    rig.reply(30, framedReply(0x81, 0x0B14, {0x05, 0x00}));
    EXPECT_FALSE(rig.query.sendWithRetries(0, 1, true));
}

TEST(TurbineQuery, WithoutRequireReplyAnyFlagsWithTheCodeWill) {
    QueryRig rig;
    rig.packets.compose(kProbe, 10, 1, 0, {0});
    rig.reply(30, framedReply(0x01, kProbe, {0x05, 0x00}));
    EXPECT_TRUE(rig.query.sendWithRetries(0, 1, false));
}

// After the request the first wait ends at 1760 ms, its pause at 1860 ms, and the drain
// before the next transmission, which goes out 1890 ms after the first, at 1890 ms.
TEST(TurbineQuery, AReplyAfterItsWaitStillCounts) {
    constexpr std::int64_t kPass = 1890;
    const struct {
        const char* when;
        std::int64_t afterMs;
        std::size_t transmissions;
        std::int32_t result;
    } rows[] = {
        {"in the pause", 1810, 1, 1},
        {"in the drain", 1865, 1, 1},
        {"in the next wait", kPass + 10, 2, 1},
        {"in the third wait", 2 * kPass + 50, 3, 1},
        // The test is over once the last transmission's pause has passed.
        {"in the last pause", 3 * kPass + 1810, 4, 0},
    };
    for (const auto& row : rows) {
        QueryRig rig;
        rig.reply(row.afterMs, framedReply(0x81, kProbe, {0x01, 0x00}));
        EXPECT_EQ(rig.query.probeInverter(false, true), row.result) << row.when;
        EXPECT_EQ(rig.peer.requests.size(), row.transmissions) << row.when;
    }
}

TEST(TurbineQuery, ACorruptReplyIsWaitedOut) {
    QueryRig rig;
    Bytes corrupt = framedReply(0x81, kProbe, {0x01, 0x00});
    corrupt[12] ^= 0x01;
    rig.reply(50, corrupt);
    testing::internal::CaptureStdout();
    EXPECT_EQ(rig.query.probeInverter(false, true), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "x ");
    // The read that brought the bad packet does not count against the 88 empty ones.
    EXPECT_EQ(rig.peer.requests[1].atMs - rig.peer.requests[0].atMs, 30 + 89 * 20 + 100);
}

namespace {

const Bytes kNeighbourRadio = hex("00 13 A2 00 40 0A 0B 99 4C 01");
const Bytes kWord1 = framedReply(0x81, kProbe, {0x01, 0x00});

struct SameReadCase {
    const char* name;
    std::vector<InverterPeer::Arrival> arrivals;  // one scripted answer to the first request
    std::int32_t result;
    std::size_t transmissions;
    const char* printed;
};

void PrintTo(const SameReadCase& row, std::ostream* os) { *os << row.name; }

class RepliesAmongOtherPackets : public testing::TestWithParam<SameReadCase> {};

}  // namespace

// The reply is judged, and its word read, from the packet the rule accepted, whatever else the
// same read brings; packet data from other radios never reaches the judgement.
TEST_P(RepliesAmongOtherPackets, Table) {
    const SameReadCase& c = GetParam();
    QueryRig rig;
    rig.peer.answerNext(c.arrivals);
    testing::internal::CaptureStdout();
    EXPECT_EQ(rig.query.probeInverter(false, true), c.result);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.printed);
    EXPECT_EQ(rig.peer.requests.size(), c.transmissions);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RepliesAmongOtherPackets,
    testing::Values(
        SameReadCase{"BrokenPacketAfterTheReply",
                     {{50, receivedPacketFrame(kWord1)},
                      {50, receivedPacketFrame(hex("10 01 01 02 10 03"))}},
                     1,
                     1,
                     "~ "},
        SameReadCase{"OtherGoodPacketAfterTheReply",
                     {{50, receivedPacketFrame(kWord1 + framedReply(0x81, kProbe, {0x00, 0x00}))}},
                     1,
                     1,
                     ""},
        SameReadCase{"ReplySecondInItsFrame",
                     {{50, receivedPacketFrame(framedReply(0x41, kProbe, {}) + kWord1)}},
                     1,
                     1,
                     ""},
        SameReadCase{"ReplyInTheFrameAfterAnotherPacket",
                     {{50, receivedPacketFrame(framedReply(0x01, 0x8109, {0x05, 0x00}))},
                      {50, receivedPacketFrame(kWord1)}},
                     1,
                     1,
                     ""},
        SameReadCase{"DoubledEscapeAndEndBeforeTheReply",
                     {{50, receivedPacketFrame(hex("10 10 03") + kWord1)}},
                     1,
                     1,
                     "~ "},
        SameReadCase{
            "ReplySplitAroundANeighboursFrame",
            {{50, receivedPacketFrame(Bytes(kWord1.begin(), kWord1.begin() + 6))},
             {50, receivedPacketFrame(framedReply(0x81, kProbe, {0x07, 0x00}), kNeighbourRadio)},
             {50, receivedPacketFrame(Bytes(kWord1.begin() + 6, kWord1.end()))}},
            1,
            1,
            ""},
        SameReadCase{"AModemStatusDoesNotEndTheWait",
                     {{50, apiFrame({0x8A, 0x02})}, {400, receivedPacketFrame(kWord1)}},
                     1,
                     1,
                     ""}),
    [](const testing::TestParamInfo<SameReadCase>& row) { return std::string(row.param.name); });

TEST(TurbineQuery, ANeighboursReplyDoesNotEndTheWait) {
    QueryRig rig;
    rig.peer.answerNext({{50, receivedPacketFrame(kWord1, kNeighbourRadio)}});
    EXPECT_EQ(rig.query.probeInverter(false, true), 0);
    // Waited out like silence: the reads that brought the frame do not count as empty.
    EXPECT_EQ(rig.peer.requests[1].atMs - rig.peer.requests[0].atMs, 30 + 89 * 20 + 100);
}

TEST(TurbineQuery, APacketTheRuleRefusesDoesNotEndTheWaitForTheReply) {
    // The reply behind a packet the rule refuses, all cut in 3-byte frames that each come
    // in a read of their own: the wait goes on past the refused packet to the reply.
    const Bytes both = framedReply(0x41, kProbe, {}) + kWord1;
    constexpr std::int64_t kApartMs = 25;
    std::vector<InverterPeer::Arrival> arrivals;
    for (std::size_t at = 0; at < both.size(); at += 3) {
        const auto end = both.begin() + static_cast<std::ptrdiff_t>(std::min(at + 3, both.size()));
        arrivals.push_back({50 + kApartMs * static_cast<std::int64_t>(arrivals.size()),
                            receivedPacketFrame(Bytes(both.begin() + at, end))});
    }
    QueryRig rig;
    rig.peer.answerNext(arrivals);
    EXPECT_EQ(rig.query.probeInverter(false, true), 1);
    EXPECT_EQ(rig.peer.requests.size(), 1u);
    EXPECT_LE(rig.clock.nowMs(), 30 + arrivals.back().afterMs + 20);
}

TEST(TurbineQuery, FrameIdsWrapAfterCounter31) {
    transport::Settings settings;
    settings.queryAttempts = 3;
    QueryRig rig(settings);
    rig.query.setDataFrameCounter(31);
    rig.query.setPacketSequence(63);
    EXPECT_EQ(rig.query.probeInverter(false, true), 0);
    EXPECT_EQ(rig.frameIds(), (std::vector<int>{140, 16, 20}));
    EXPECT_EQ(rig.sequences(), (std::vector<int>{63, 0, 1}));
    EXPECT_EQ(rig.query.dataFrameCounter(), 2u);
}

TEST(TurbineQuery, Sequence16GoesOutDoubledAndItsReplyIsAccepted) {
    QueryRig rig;
    rig.query.setPacketSequence(16);
    rig.reply(50, framedReply(0x90, kProbe, {0x03, 0x00}));
    EXPECT_EQ(rig.query.probeInverter(false, true), 3);
    EXPECT_EQ(hexOf(rig.peer.requests[0].packet),
              hexOf(hex("10 01 00 00 00 0A 10 10 08 81 00 00 00 00 AC E8 10 03")));
}

TEST(TurbineQuery, FillerFormHeaderAndWord) {
    transport::Settings settings;
    settings.queryAttempts = 1;
    QueryRig rig(settings);
    rig.query.probeInverter(true, false);
    EXPECT_EQ(hexOf(rig.peer.requests[0].packet),
              hexOf(hex("10 01 BB FF FF BB 01 08 81 00 00 BB BB 56 33 10 03")));
}

namespace {

// 40 words frame to 95 bytes: a transmit request of 72 bytes, then one of 23.
void composeLongPacket(PacketEncoder& packets) {
    std::vector<std::uint16_t> words(40, 0x0102);
    packets.compose(0x0B14, 10, 1, 0, words);
}

}  // namespace

TEST(TurbineQuery, LongPacketsGoOutFrameByFrameOnTransmitStatus) {
    QueryRig rig;
    composeLongPacket(rig.packets);
    rig.peer.setTransmitStatusAfter(5);
    rig.silence();  // the leading frame gets only its status
    rig.reply(40, framedReply(0x81, 0x0B14, {0x09, 0x00}));
    EXPECT_TRUE(rig.query.sendWithRetries(0, 4, true));

    ASSERT_EQ(rig.peer.requests.size(), 2u);
    EXPECT_EQ(rig.frameIds(), (std::vector<int>{32, 33}));
    Bytes sent = rig.peer.requests[0].packet;
    EXPECT_EQ(sent.size(), 72u);
    sent.insert(sent.end(), rig.peer.requests[1].packet.begin(), rig.peer.requests[1].packet.end());
    Bytes packet = hex("00 00 00 0A 01 14 0B 00 00");
    for (int word = 0; word < 40; ++word) packet = packet + hex("02 01");
    EXPECT_EQ(hexOf(sent), hexOf(testsupport::framedPacket(packet)));
    // The last frame waited for the status of the leading one, not for a time-out.
    EXPECT_LT(rig.peer.requests[1].atMs - rig.peer.requests[0].atMs, 70);
    EXPECT_EQ(rig.query.replyWord(0x0B14), 9);
}

TEST(TurbineQuery, AStatusForAnotherRequestDoesNotReleaseTheLastFrame) {
    QueryRig rig;
    composeLongPacket(rig.packets);
    rig.peer.answerNext({{5, transmitStatusFrame(28)}});  // the previous call's id
    EXPECT_FALSE(rig.query.sendWithRetries(0, 1, true));
    EXPECT_EQ(rig.frameIds(), (std::vector<int>{32}));
}

TEST(TurbineQuery, ALeadingFrameWithoutTransmitStatusFailsTheAttempt) {
    QueryRig rig;
    composeLongPacket(rig.packets);
    EXPECT_FALSE(rig.query.sendWithRetries(0, 2, true));
    // Only leading frames went out, one per attempt, each with the next frame id.
    EXPECT_EQ(rig.frameIds(), (std::vector<int>{32, 36}));
    EXPECT_EQ(rig.peer.requests[0].packet.size(), 72u);
}

TEST(TurbineQuery, ZeroAttemptsAwaitsOnlyTheTransmitStatus) {
    QueryRig rig;
    rig.packets.compose(kProbe, 10, 1, 0, {0});
    rig.peer.setTransmitStatusAfter(5);
    EXPECT_TRUE(rig.query.sendWithRetries(0, 0, true));
    EXPECT_EQ(rig.peer.requests.size(), 1u);

    QueryRig silent;
    silent.packets.compose(kProbe, 10, 1, 0, {0});
    const std::int64_t start = silent.clock.nowMs();
    EXPECT_FALSE(silent.query.sendWithRetries(1800, 0, true));
    // The 250 ms wait: ten empty reads of 20 ms after the drain, and no retry.
    EXPECT_EQ(silent.clock.nowMs() - start, 30 + 10 * 20);
    EXPECT_EQ(silent.peer.requests.size(), 1u);
}

TEST(TurbineQuery, WithoutAPortEachPassCostsOnlyThePause) {
    QueryRig rig;
    rig.link.setPoller(nullptr);
    EXPECT_EQ(rig.query.probeInverter(false, true), 0);
    EXPECT_TRUE(rig.device.writes().empty());
    EXPECT_EQ(rig.clock.nowMs(), 4 * TurbineQuery::kRetryPauseMs);
}

TEST(TurbineQuery, TraceDumps) {
    transport::Settings settings;
    settings.traceMask =
        transport::kTraceQueryPacket | transport::kTraceQueryFrames | transport::kTraceReplyPacket;
    QueryRig rig(settings);
    rig.reply(50, framedReply(0x81, kProbe, {0x01, 0x00}));
    testing::internal::CaptureStdout();
    EXPECT_EQ(rig.query.probeInverter(false, true), 1);
    // The framed packet, the transmit request carrying it, the un-stuffed reply.
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "10010000000a01088100000000ade91003\n"
              "7e001f1020"
              "0013a200400a0b0cfffe0000"
              "10010000000a01088100000000ade91003"
              "6e\n"
              "0000000a810881000001002db1\n");
}
