#include <gtest/gtest.h>

#include "StageProbes.h"
#include "radio/PacketReassembler.h"
#include "tests/support/Bytes.h"

using namespace radio;
using namespace radio::test;
using namespace testsupport;

namespace {

using Chain = ProbeChain<PacketReassembler>;

struct Row {
    const char* name;
    Bytes data;
    std::vector<Bytes> handedOn;
};

// Each packet is handed on alone, from its start mark to its end mark.
const Row kRows[] = {
    {"one packet", hex("10 01 AA BB 10 03"), {hex("10 01 AA BB 10 03")}},
    {"start of text also starts", hex("10 02 AA 10 03"), {hex("10 02 AA 10 03")}},
    {"bytes around a packet are dropped", hex("05 06 10 01 AA 10 03 07"), {hex("10 01 AA 10 03")}},
    {"doubled escape inside is data", hex("10 01 10 10 03 10 03"), {hex("10 01 10 10 03 10 03")}},
    {"doubled escape then end", hex("10 01 10 10 10 03"), {hex("10 01 10 10 10 03")}},
    {"escape and another byte are kept for the parser",
     hex("10 01 AA 10 55 BB 10 03"),
     {hex("10 01 AA 10 55 BB 10 03")}},
    {"a start inside a packet starts afresh",
     hex("10 01 AA 10 01 BB 10 03"),
     {hex("10 01 BB 10 03")}},
    {"two packets together",
     hex("10 01 AA 10 03 10 01 BB 10 03"),
     {hex("10 01 AA 10 03"), hex("10 01 BB 10 03")}},
    // The tail of a packet whose start was lost: its end mark alone, for the parser's report.
    {"an end before any start",
     hex("AA 10 03 10 01 BB 10 03"),
     {hex("10 03"), hex("10 01 BB 10 03")}},
    // Outside a packet a doubled escape stays armed, as the parser reads it.
    {"doubled escape outside, then an end",
     hex("10 10 03 10 01 BB 10 03"),
     {hex("10 03"), hex("10 01 BB 10 03")}},
    {"doubled escape outside, then a start", hex("10 10 01 BB 10 03"), {hex("10 01 BB 10 03")}},
    {"escape and another byte outside", hex("10 55 03 10 01 BB 10 03"), {hex("10 01 BB 10 03")}},
    {"no end mark yet", hex("10 01 AA BB"), {}},
};

std::vector<Bytes> handedOn(const std::vector<Bytes>& chunks) {
    Chain chain;
    for (const Bytes& chunk : chunks) chain.feed(chunk);
    EXPECT_EQ(chain.bottom.completions, 0) << "the parser completes, not this stage";
    return chain.top.chunks;
}

}  // namespace

TEST(PacketReassemblerPackets, SameWholeByteByByteAndAtEverySplit) {
    for (const Row& row : kRows) {
        EXPECT_EQ(handedOn({row.data}), row.handedOn) << row.name;
        std::vector<Bytes> bytes;
        for (std::uint8_t b : row.data) bytes.push_back({b});
        EXPECT_EQ(handedOn(bytes), row.handedOn) << row.name << ", byte by byte";
        for (std::size_t split = 1; split < row.data.size(); ++split) {
            const Bytes first(row.data.begin(), row.data.begin() + split);
            const Bytes second(row.data.begin() + split, row.data.end());
            EXPECT_EQ(handedOn({first, second}), row.handedOn) << row.name << ", split " << split;
        }
    }
}

TEST(PacketReassemblerBounds, GivesUpAPacketWithoutEndPastTheCap) {
    Chain chain;
    chain.feed(hex("10 01"));
    // A flood of packet data that never ends, in frame-sized pieces.
    const Bytes piece(135, 0xAA);
    for (int i = 0; i < 200; ++i) chain.feed(piece);
    EXPECT_LE(chain.stage.buffer().length(), PacketReassembler::kMaxPacketBytes);
    EXPECT_LE(chain.stage.buffer().capacity(), 2 * PacketReassembler::kMaxPacketBytes);
    // The flood's own end is only a stray end; the next packet arrives whole.
    chain.feed(hex("10 03 10 01 BB 10 03"));
    EXPECT_EQ(chain.top.chunks, (std::vector<Bytes>{hex("10 03"), hex("10 01 BB 10 03")}));
}

TEST(PacketReassemblerBounds, APacketJustUnderTheCapIsHandedOn) {
    Bytes packet =
        hex("10 01") + Bytes(PacketReassembler::kMaxPacketBytes - 4, 0xAA) + hex("10 03");
    Chain chain;
    chain.feed(packet);
    EXPECT_EQ(chain.top.chunks, std::vector<Bytes>{packet});
}

TEST(PacketReassemblerReset, DropsUnfinishedPacketDataAndItsEscape) {
    Chain chain;
    chain.feed(hex("10 01 AA 10"));
    EXPECT_TRUE(chain.stage.reset());
    chain.feed(hex("03 BB 10 01 CC 10 03"));
    EXPECT_EQ(chain.top.chunks, std::vector<Bytes>{hex("10 01 CC 10 03")});
}
