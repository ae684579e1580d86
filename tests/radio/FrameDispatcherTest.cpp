#include <gtest/gtest.h>

#include <string>

#include "StageProbes.h"
#include "radio/FrameDispatcher.h"
#include "tests/support/Bytes.h"

using namespace radio;
using namespace radio::test;
using namespace testsupport;

namespace {

using Chain = ProbeChain<FrameDispatcher>;

// The turbine's radio, a neighbour, and the turbine again under another network address.
const Bytes kTurbine = hex("11 22 33 44 55 66 77 88 12 34");
const Bytes kNeighbour = hex("11 22 33 44 55 66 77 99 12 34");
const Bytes kTurbineRenumbered = hex("11 22 33 44 55 66 77 88 56 78");
const NodeAddress kTurbineAddress = {{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x12, 0x34}};

const Bytes kEight = hex("00 00 00 00 00 00 00 00");

Bytes local(std::uint8_t frameId, const char* letters, const Bytes& statusAndValue) {
    return Bytes{0x88, frameId} + text(letters) + statusAndValue;
}
Bytes remote(std::uint8_t frameId, const Bytes& from, const char* letters,
             const Bytes& statusAndValue) {
    return Bytes{0x97, frameId} + from + text(letters) + statusAndValue;
}
Bytes identification(const char* name) {
    return hex("95") + kNeighbour + hex("00 00 00 00 00 00 00 00 00 00 00") + text(name) +
           hex("00") + kEight;
}
const Bytes kModemStatus = hex("8A 02");

AwaitedAnswer bdFromTurbine() {
    return AwaitedAnswer::remoteResponse(3, viewOf(text("bd")), nodeOf(kTurbineAddress));
}

class CountingSink final : public NodeSink {
public:
    void onNode(radio::NodeId, std::uint16_t, const char* name, std::int32_t) override {
        names.emplace_back(name);
    }
    std::vector<std::string> names;
};

}  // namespace

TEST(FrameDispatcherAnswers, OnlyTheAwaitedAnswerCompletesAndIsKept) {
    struct Row {
        const char* name;
        AwaitedAnswer awaited;
        std::vector<Bytes> frames;  // in the order they arrive
        Bytes body;
        int completions;
    };
    const AwaitedAnswer cb = AwaitedAnswer::localResponse(1, viewOf(text("cb") + hex("02")));
    const Row table[] = {
        {"local response", cb, {local(1, "CB", hex("00"))}, text("CB") + hex("00"), 1},
        {"local response with another frame id", cb, {local(2, "cb", hex("00"))}, {}, 0},
        {"local response to another command", cb, {local(1, "ND", hex("00"))}, {}, 0},
        {"remote response from the node asked",
         bdFromTurbine(),
         {remote(3, kTurbine, "BD", hex("00 04"))},
         text("BD") + hex("00 04"),
         1},
        {"remote response under a new network address",
         bdFromTurbine(),
         {remote(3, kTurbineRenumbered, "bd", hex("00 04"))},
         text("bd") + hex("00 04"),
         1},
        {"remote response from a neighbour",
         bdFromTurbine(),
         {remote(3, kNeighbour, "bd", hex("00 06"))},
         {},
         0},
        {"remote response with another frame id",
         bdFromTurbine(),
         {remote(4, kTurbine, "bd", hex("00 04"))},
         {},
         0},
        {"remote response to another command",
         bdFromTurbine(),
         {remote(3, kTurbine, "db", hex("00 04"))},
         {},
         0},
        {"local response with the letters", bdFromTurbine(), {local(3, "bd", hex("00 04"))}, {}, 0},
        {"remote response cut inside its addresses", bdFromTurbine(), {hex("97 03 11 22")}, {}, 0},
        {"the answer, then a modem status",
         bdFromTurbine(),
         {remote(3, kTurbine, "bd", hex("00 04")), kModemStatus},
         text("bd") + hex("00 04"),
         1},
        // Status 01 and then packet-like bytes must not be read as "bd" 00 04.
        {"a neighbour's answer, then the turbine's",
         bdFromTurbine(),
         {remote(3, kNeighbour, "bd", hex("01")), remote(3, kTurbine, "bd", hex("00 04")),
          remote(3, kNeighbour, "bd", hex("00 06"))},
         text("bd") + hex("00 04"),
         1},
        {"a second answer is not taken",
         bdFromTurbine(),
         {remote(3, kTurbine, "bd", hex("00 04")), remote(3, kTurbine, "bd", hex("00 05"))},
         text("bd") + hex("00 04"),
         1},
        {"transmit status with the request's id",
         AwaitedAnswer::transmitStatus(0x20),
         {hex("8B 20 FF FE 00 00 00")},
         hex("FF FE 00 00 00"),
         1},
        {"transmit status of another request",
         AwaitedAnswer::transmitStatus(0x20),
         {hex("8B 1C FF FE 00 00 00")},
         {},
         0},
        {"frames that answer nothing",
         bdFromTurbine(),
         {kModemStatus, hex("91 01 02 03"), hex("94 01"), hex("42 03 AA BB"), hex("8B 03 00"),
          hex("88"), hex("97"), hex("8A")},
         {},
         0},
        {"nothing awaited", AwaitedAnswer(), {local(1, "cb", hex("00")), kModemStatus}, {}, 0},
        {"a packet reply is not a frame",
         AwaitedAnswer::packetReply(),
         {local(0, "", {}), hex("8B 00 00"), kModemStatus},
         {},
         0},
    };
    for (const Row& row : table) {
        Chain chain;
        chain.stage.await(row.awaited);
        for (const Bytes& frame : row.frames) chain.feed(frame);
        EXPECT_EQ(hexOf(chain.stage.body()), hexOf(row.body)) << row.name;
        EXPECT_EQ(chain.bottom.completions, row.completions) << row.name;
        EXPECT_EQ(chain.stage.frameType(), row.frames.back()[0]) << row.name;
    }
}

TEST(FrameDispatcherAnswers, AnEmptyFrameIsIgnored) {
    Chain chain;
    chain.stage.await(AwaitedAnswer::localResponse(1, viewOf(text("wr"))));
    chain.feed({});
    chain.feed(local(1, "wr", hex("00")));
    EXPECT_EQ(chain.bottom.completions, 1);
}

TEST(FrameDispatcherAnnouncements, ReachTheSinkWhateverIsAwaited) {
    const Bytes nd = local(1, "ND", hex("00 12 34 11 22 33 44 55 66 77 88")) + text("WTG 1") +
                     hex("00") + kEight;
    const AwaitedAnswer awaits[] = {AwaitedAnswer(), bdFromTurbine(),
                                    AwaitedAnswer::localResponse(1, viewOf(text("ND"))),
                                    AwaitedAnswer::packetReply()};
    for (const AwaitedAnswer& awaited : awaits) {
        CountingSink sink;
        Chain chain;
        chain.stage.setNodeSink(&sink);
        chain.stage.await(awaited);
        chain.feed(nd);
        chain.feed(identification("WTG 7"));
        chain.feed(local(1, "ND", hex("01 12 34 11 22 33 44 55 66 77 88")) + text("X") + hex("00") +
                   kEight);
        chain.feed(remote(3, kTurbine, "ND", hex("00 12 34 11 22 33 44 55 66 77 88")) + text("Y") +
                   hex("00") + kEight);
        EXPECT_EQ(sink.names, (std::vector<std::string>{"WTG 1", "WTG 7"}));
    }
}

TEST(FrameDispatcherAnnouncements, EndOnlyWaitsThatAwaitNothingElse) {
    struct Row {
        const char* name;
        AwaitedAnswer awaited;
        std::vector<Bytes> before;
        int completions;  // after an identification too
    };
    const Row rows[] = {
        {"an idle wait", AwaitedAnswer(), {}, 1},
        {"awaiting a response", bdFromTurbine(), {}, 0},
        {"awaiting a transmit status", AwaitedAnswer::transmitStatus(0x20), {}, 0},
        {"awaiting an inverter reply", AwaitedAnswer::packetReply(), {}, 0},
        // As in the wait for a restarted radio that follows its answered "fr".
        {"after the answer came", bdFromTurbine(), {remote(3, kTurbine, "bd", hex("00"))}, 2},
    };
    for (const Row& row : rows) {
        Chain chain;
        chain.stage.await(row.awaited);
        for (const Bytes& frame : row.before) chain.feed(frame);
        chain.feed(identification("WTG 7"));
        EXPECT_EQ(chain.bottom.completions, row.completions) << row.name;
        if (!row.before.empty()) {
            EXPECT_EQ(hexOf(chain.stage.body()), hexOf(text("bd") + hex("00"))) << row.name;
        }
    }
}

TEST(FrameDispatcherPacketData, TakenOnlyFromTheNodeBeingWorkedOn) {
    struct Row {
        const char* name;
        Bytes frameData;
        std::vector<Bytes> handedOn;
    };
    const Row rows[] = {
        {"from the node",
         hex("90") + kTurbine + hex("41 10 01 02 10 10 03"),
         {hex("10 01 02 10 10 03")}},
        {"from the node under a new network address",
         hex("90") + kTurbineRenumbered + hex("01 AB"),
         {hex("AB")}},
        {"from a neighbour", hex("90") + kNeighbour + hex("01 10 01 02 10 03"), {}},
        {"options byte is the last", hex("90") + kTurbine + hex("01"), {}},
        {"ends inside the sender's address", hex("90 11 22 33"), {}},
        {"bare", hex("90"), {}},
    };
    NodeAddress destination = kTurbineAddress;
    for (const Row& row : rows) {
        Chain chain;
        chain.stage.setPacketSender(&destination);
        chain.feed(row.frameData);
        EXPECT_EQ(chain.top.chunks, row.handedOn) << row.name;
        EXPECT_EQ(chain.bottom.completions, 0) << row.name;
    }
}

TEST(FrameDispatcherPacketData, FollowsTheDestinationAndTakesNoneBeforeOne) {
    const Bytes fromTurbine = hex("90") + kTurbine + hex("01 AA");
    Chain chain;
    chain.feed(fromTurbine);
    EXPECT_TRUE(chain.top.chunks.empty()) << "no sender set";

    NodeAddress destination;  // all zero: no node matched yet
    chain.stage.setPacketSender(&destination);
    chain.feed(hex("90 00 00 00 00 00 00 00 00 FF FE 01 AA"));
    EXPECT_TRUE(chain.top.chunks.empty()) << "all-zero address";

    destination = kTurbineAddress;
    chain.feed(fromTurbine);
    EXPECT_EQ(chain.top.chunks.size(), 1u);
    destination.bytes[7] = 0x99;  // the worker matched the neighbour instead
    chain.feed(fromTurbine);
    chain.feed(hex("90") + kNeighbour + hex("01 BB"));
    EXPECT_EQ(chain.top.chunks, (std::vector<Bytes>{hex("AA"), hex("BB")}));
}

TEST(FrameDispatcherPacketData, CompletionFromAboveCountsOnlyForAPacketReply) {
    const AwaitedAnswer awaits[] = {AwaitedAnswer(), bdFromTurbine(),
                                    AwaitedAnswer::transmitStatus(0x20),
                                    AwaitedAnswer::packetReply()};
    int expected = 0;
    for (const AwaitedAnswer& awaited : awaits) {
        Chain chain;
        chain.stage.sync();  // the recorder above becomes current
        chain.stage.await(awaited);
        chain.top.notify(1);
        if (awaited.isPacketReply()) expected = 1;
        EXPECT_EQ(chain.bottom.completions, expected);
    }
}

TEST(FrameDispatcherReset, ForgetsTheAwaitedAnswerButKeepsSinkAndSender) {
    CountingSink sink;
    NodeAddress destination = kTurbineAddress;
    Chain chain;
    chain.stage.setNodeSink(&sink);
    chain.stage.setPacketSender(&destination);
    chain.feed(hex("90") + kTurbine + hex("01 AA"));  // links the next stage
    chain.stage.await(bdFromTurbine());
    chain.feed(remote(3, kTurbine, "bd", hex("00 04")));
    const int topResets = chain.top.resets;
    EXPECT_TRUE(chain.stage.reset());
    EXPECT_EQ(chain.stage.frameType(), 0);
    EXPECT_TRUE(chain.stage.body().empty());
    EXPECT_EQ(chain.top.resets, topResets + 1);

    chain.feed(remote(3, kTurbine, "bd", hex("00 04")));
    EXPECT_TRUE(chain.stage.body().empty()) << "nothing awaited after a reset";
    chain.feed(identification("N"));
    chain.feed(hex("90") + kTurbine + hex("01 BB"));
    EXPECT_EQ(sink.names, std::vector<std::string>{"N"});
    EXPECT_EQ(chain.top.chunks.back(), hex("BB"));
}
