#include <gtest/gtest.h>

#include "sim/RemoteRadio.h"
#include "tests/support/Bytes.h"
#include "tests/support/InverterFrames.h"

namespace sim::test {

using namespace testsupport;

namespace {

struct SentFrame {
    std::int64_t atMs;
    Bytes frameData;
    bool corrupt;
    bool operator==(const SentFrame&) const = default;
};

class RecordingOutbox final : public FrameOutbox {
public:
    void sendFrame(std::int64_t atMs, transport::ByteView frameData, bool corrupt) override {
        frames.push_back({atMs, bytesOf(frameData), corrupt});
    }
    std::vector<SentFrame> frames;
};

const Bytes kAddresses = hex("00 13 A2 00 41 C7 F3 21 7A 21");
const Bytes kQuery = hex("10 01 00 00 00 0A 01 08 81 00 00 00 00 AD E9 10 03");
const Bytes kReply = hex("10 01 00 00 00 0A 81 08 81 00 00 21 03 74 70 10 03");

NodeConfig turbine() {
    NodeConfig node;
    node.name = "QOR123-7654321";
    node.address64 = 0x0013A20041C7F321;
    node.address16 = 0x7A21;
    node.bd = 4;
    node.inverterSpeed = 6;
    node.replyWord = 0x0321;
    node.replyDelayMs = 30;
    node.inverterDelayMs = 60;
    node.restartMs = 2500;
    return node;
}

Bytes remoteResponse(std::string_view letters, const Bytes& statusAndValue) {
    return Bytes{0x97, 0x03} + kAddresses + text(letters) + statusAndValue;
}

Bytes receivedPacket(const Bytes& data) { return Bytes{0x90} + kAddresses + Bytes{0x01} + data; }

TEST(RemoteRadioTest, AnswersCommandsWithItsAddresses) {
    NodeConfig wide = turbine();
    wide.bdWidth = 4;
    const struct {
        NodeConfig node;
        std::string letters;
        Bytes parameter;
        Bytes answer;
    } cases[] = {
        {turbine(), "bd", {}, remoteResponse("bd", hex("00 04"))},
        {turbine(), "BD", {}, remoteResponse("BD", hex("00 04"))},
        {wide, "bd", {}, remoteResponse("bd", hex("00 00 00 00 04"))},
        {turbine(), "bd", {0x06}, remoteResponse("bd", hex("00"))},
        {turbine(), "bd", {0x09}, remoteResponse("bd", hex("03"))},
        {turbine(), "bd", hex("00 00 00 00 06"), remoteResponse("bd", hex("03"))},
        {turbine(), "wr", {}, remoteResponse("wr", hex("00"))},
        {turbine(), "db", {}, remoteResponse("db", hex("00 28"))},
        {turbine(), "zz", {}, remoteResponse("zz", hex("02"))},
    };
    for (const auto& c : cases) {
        RemoteRadio radio(c.node);
        RecordingOutbox out;
        radio.onRemoteCommand(0x03, viewOf(text(c.letters) + c.parameter), 1000, out);
        EXPECT_EQ(out.frames, (std::vector<SentFrame>{{1030, c.answer, false}})) << c.letters;
    }
}

TEST(RemoteRadioTest, SettingIsKeptOnlyWhenWrittenBeforeRestart) {
    RemoteRadio radio(turbine());
    RecordingOutbox out;
    radio.onRemoteCommand(3, viewOf(text("bd") + Bytes{6}), 0, out);
    EXPECT_EQ(radio.bd(), 6u);
    radio.onRemoteCommand(3, viewOf(text("fr")), 100, out);
    EXPECT_EQ(radio.bd(), 4u) << "not written, so lost with the restart";

    radio.onRemoteCommand(3, viewOf(text("bd") + Bytes{6}), 5000, out);
    radio.onRemoteCommand(3, viewOf(text("wr")), 5100, out);
    radio.onRemoteCommand(3, viewOf(text("fr")), 5200, out);
    EXPECT_EQ(radio.bd(), 6u);
    EXPECT_EQ(radio.storedBd(), 6u);
    EXPECT_EQ(radio.restarts(), 2u);
}

TEST(RemoteRadioTest, RestartMakesItUnreachableThenAnnounces) {
    RemoteRadio radio(turbine());
    RecordingOutbox out;
    radio.onRemoteCommand(3, viewOf(text("fr")), 1000, out);
    ASSERT_EQ(out.frames.size(), 2u);
    EXPECT_EQ(out.frames[0], (SentFrame{1030, remoteResponse("fr", hex("00")), false}));
    EXPECT_TRUE(radio.reachableAt(1029));
    EXPECT_FALSE(radio.reachableAt(1030));
    EXPECT_FALSE(radio.reachableAt(3529));
    EXPECT_TRUE(radio.reachableAt(3530));
    // The identification: addresses, options, addresses again, name, zero, eight bytes, four.
    const Bytes identification = Bytes{0x95} + kAddresses + Bytes{0x02} + hex("7A 21") +
                                 hex("00 13 A2 00 41 C7 F3 21") + text("QOR123-7654321") +
                                 hex("00 FF FE 01 03 C1 05 10 1E 00 03 00 00");
    EXPECT_EQ(out.frames[1], (SentFrame{3530, identification, false}));
}

TEST(RemoteRadioTest, FaultsSilenceOrStrandTheRadio) {
    NodeConfig silent = turbine();
    silent.faults = {{FaultKind::SilentBd, 0, 1}};
    RemoteRadio quiet(silent);
    RecordingOutbox out;
    quiet.onRemoteCommand(3, viewOf(text("bd")), 0, out);
    EXPECT_TRUE(out.frames.empty()) << "the first bd goes unanswered";
    quiet.onRemoteCommand(3, viewOf(text("bd")), 100, out);
    EXPECT_EQ(out.frames.size(), 1u) << "times 1: the second is answered";

    NodeConfig stranded = turbine();
    stranded.faults = {{FaultKind::NoReturn, 0, Fault::kAlways}};
    RemoteRadio gone(stranded);
    RecordingOutbox goneOut;
    gone.onRemoteCommand(3, viewOf(text("fr")), 0, goneOut);
    EXPECT_EQ(goneOut.frames.size(), 1u) << "the fr answer, but no identification";
    EXPECT_FALSE(gone.reachableAt(1000000));

    NodeConfig corrupt = turbine();
    corrupt.faults = {{FaultKind::BadChecksum, 0, 1}};
    RemoteRadio noisy(corrupt);
    RecordingOutbox noisyOut;
    noisy.onRemoteCommand(3, viewOf(text("db")), 0, noisyOut);
    noisy.onRemoteCommand(3, viewOf(text("db")), 100, noisyOut);
    ASSERT_EQ(noisyOut.frames.size(), 2u);
    EXPECT_TRUE(noisyOut.frames[0].corrupt);
    EXPECT_FALSE(noisyOut.frames[1].corrupt);
}

TEST(InverterTest, AnswersOnlyAtItsOwnSpeed) {
    RemoteRadio radio(turbine());
    RecordingOutbox out;
    radio.onData(viewOf(kQuery), 1000, out);
    EXPECT_TRUE(out.frames.empty()) << "radio at 4, inverter at 6";

    radio.onRemoteCommand(3, viewOf(text("bd") + Bytes{6}), 2000, out);
    out.frames.clear();
    radio.onData(viewOf(kQuery), 3000, out);
    EXPECT_EQ(out.frames, (std::vector<SentFrame>{{3060, receivedPacket(kReply), false}}));
    EXPECT_EQ(radio.inverter().queriesAnswered(), 1u);
}

TEST(InverterTest, GathersAQuerySplitOverSeveralFrames) {
    NodeConfig node = turbine();
    node.bd = 6;
    for (std::size_t split = 1; split < kQuery.size(); ++split) {
        RemoteRadio radio(node);
        RecordingOutbox out;
        const Bytes first(kQuery.begin(), kQuery.begin() + static_cast<std::ptrdiff_t>(split));
        const Bytes second(kQuery.begin() + static_cast<std::ptrdiff_t>(split), kQuery.end());
        radio.onData(viewOf(first), 0, out);
        EXPECT_TRUE(out.frames.empty());
        radio.onData(viewOf(second), 70, out);
        EXPECT_EQ(out.frames, (std::vector<SentFrame>{{130, receivedPacket(kReply), false}}))
            << "split at " << split;
    }
}

TEST(InverterTest, SplitsLongRepliesOverSeveralFrames) {
    NodeConfig node = turbine();
    node.bd = 6;
    node.replyExtraWords = 2;  // 0x1000 and 0x1001: DLE bytes in the payload
    node.replyChunk = 5;
    RemoteRadio radio(node);
    RecordingOutbox out;
    radio.onData(viewOf(kQuery), 0, out);
    const Bytes reply = hex("10 01 00 00 00 0A 81 08 81 00 00 21 03 00 10 10 01 10 10 1B B2 10 03");
    Bytes gathered;
    std::int64_t expectedAt = 60;
    for (const SentFrame& frame : out.frames) {
        ASSERT_EQ(Bytes(frame.frameData.begin(), frame.frameData.begin() + 12), receivedPacket({}));
        EXPECT_LE(frame.frameData.size(), 12u + 5u);
        EXPECT_EQ(frame.atMs, expectedAt);
        expectedAt += 2;
        gathered.insert(gathered.end(), frame.frameData.begin() + 12, frame.frameData.end());
    }
    EXPECT_EQ(out.frames.size(), 5u);
    EXPECT_EQ(gathered, reply);
}

TEST(InverterTest, FaultsChangeTheReply) {
    const struct {
        Fault fault;
        Bytes reply;
    } cases[] = {
        {{FaultKind::ReplyFlags, 0x00, 1},
         hex("10 01 00 00 00 0A 01 08 81 00 00 21 03 F5 B8 10 03")},
        {{FaultKind::ReplyCode, 0x8109, 1},
         hex("10 01 00 00 00 0A 81 09 81 00 00 21 03 75 A1 10 03")},
        {{FaultKind::BadReplyCrc, 0, 1}, hex("10 01 00 00 00 0A 81 08 81 00 00 21 03 75 71 10 03")},
    };
    for (const auto& c : cases) {
        NodeConfig node = turbine();
        node.bd = 6;
        node.faults = {c.fault};
        RemoteRadio radio(node);
        RecordingOutbox out;
        radio.onData(viewOf(kQuery), 0, out);
        radio.onData(viewOf(kQuery), 1000, out);
        ASSERT_EQ(out.frames.size(), 2u);
        EXPECT_EQ(out.frames[0].frameData, receivedPacket(c.reply));
        EXPECT_EQ(out.frames[1].frameData, receivedPacket(kReply)) << "times 1: then a good one";
    }
}

TEST(InverterTest, IgnoresCorruptOrOtherPackets) {
    NodeConfig node = turbine();
    node.bd = 6;
    RemoteRadio radio(node);
    RecordingOutbox out;
    Bytes corrupt = kQuery;
    corrupt[14] ^= 0x01;
    radio.onData(viewOf(corrupt), 0, out);
    // A well-formed packet with another code: 00 00 00 0A 01 14 0B 00 00 00 00.
    radio.onData(viewOf(hex("10 01 00 00 00 0A 01 14 0B 00 00 00 00 36 6A 10 03")), 0, out);
    EXPECT_TRUE(out.frames.empty());
    EXPECT_EQ(radio.inverter().packetsRejected(), 2u);
}

TEST(CrowdedFieldTest, ACrosstalkingInverterRepliesUnaskedAtItsPeriod) {
    NodeConfig node = turbine();
    node.faults = {{FaultKind::Crosstalk, 150, 4}};
    RemoteRadio radio(node);
    RecordingOutbox out;
    radio.sendUnaskedUntil(400, out);
    radio.sendUnaskedUntil(400, out);  // nothing twice
    const auto unasked = [](std::uint8_t sequence) {
        return receivedPacket(framedReply(0x80 | sequence, 0x8108, hex("21 03")));
    };
    EXPECT_EQ(out.frames,
              (std::vector<SentFrame>{
                  {0, unasked(0), false}, {150, unasked(1), false}, {300, unasked(2), false}}));
    radio.sendUnaskedUntil(100000, out);
    EXPECT_EQ(out.frames.size(), 4u) << "times 4";
    EXPECT_EQ(out.frames.back().atMs, 450);
}

TEST(CrowdedFieldTest, ARadioAnswersCommandsForOthersAsItselfAndActsOnNothing) {
    NodeConfig node = turbine();
    node.bd = 6;
    node.replyDelayMs = 10;
    node.faults = {{FaultKind::AnswersOthers, 0, Fault::kAlways}};
    RemoteRadio radio(node);
    RecordingOutbox out;
    radio.onCommandForAnother(3, viewOf(text("bd")), 1000, out);
    radio.onCommandForAnother(3, viewOf(text("bd") + Bytes{4}), 1100, out);
    radio.onCommandForAnother(3, viewOf(text("fr")), 1200, out);
    radio.onCommandForAnother(3, viewOf(text("db")), 1300, out);
    EXPECT_EQ(out.frames,
              (std::vector<SentFrame>{{1010, remoteResponse("bd", hex("00 06")), false},
                                      {1110, remoteResponse("bd", hex("00")), false},
                                      {1210, remoteResponse("fr", hex("00")), false},
                                      {1310, remoteResponse("db", hex("00 28")), false}}));
    EXPECT_EQ(radio.bd(), 6u);
    EXPECT_EQ(radio.restarts(), 0u);

    RemoteRadio plain(turbine());
    plain.onCommandForAnother(3, viewOf(text("bd")), 1000, out);
    EXPECT_EQ(out.frames.size(), 4u) << "without the fault it keeps quiet";
}

TEST(CrowdedFieldTest, ModemStatusAfterEachAnswer) {
    NodeConfig node = turbine();
    node.faults = {{FaultKind::StatusAfterReply, 0, 1}};
    RemoteRadio radio(node);
    RecordingOutbox out;
    radio.onRemoteCommand(3, viewOf(text("bd")), 1000, out);
    radio.onRemoteCommand(3, viewOf(text("bd")), 2000, out);
    EXPECT_EQ(out.frames,
              (std::vector<SentFrame>{{1030, remoteResponse("bd", hex("00 04")), false},
                                      {1030, hex("8A 02"), false},
                                      {2030, remoteResponse("bd", hex("00 04")), false}}));
}

TEST(CrowdedFieldTest, OtherBytesBeforeTheReplyInItsFrame) {
    const struct {
        FaultKind kind;
        Bytes before;
    } cases[] = {
        // The request's header, flags 0x40 and no words: a well-formed packet, not a reply.
        {FaultKind::PacketBeforeReply, framedPacket(hex("00 00 00 0A 41 08 81 00 00"))},
        {FaultKind::StrayEndBeforeReply, hex("10 10 03")},
    };
    for (const auto& c : cases) {
        NodeConfig node = turbine();
        node.bd = 6;
        node.faults = {{c.kind, 0, 1}};
        RemoteRadio radio(node);
        RecordingOutbox out;
        radio.onData(viewOf(kQuery), 0, out);
        radio.onData(viewOf(kQuery), 1000, out);
        EXPECT_EQ(out.frames,
                  (std::vector<SentFrame>{{60, receivedPacket(c.before + kReply), false},
                                          {1060, receivedPacket(kReply), false}}));
    }
}

}  // namespace
}  // namespace sim::test
