#include <gtest/gtest.h>

#include "Bytes.h"
#include "StageProbes.h"
#include "radio/PacketReassembler.h"

using namespace radio;
using namespace radio::test;

namespace {
using Chain = ProbeChain<PacketReassembler>;
}  // namespace

TEST(PacketReassemblerEndMark, HandsOnTheWholeBufferAtTheFirstEndMark) {
    struct Row {
        const char* name;
        std::vector<Bytes> data;
        std::vector<Bytes> handedOn;
        Bytes kept;
    };
    const Row rows[] = {
        {"end mark with a byte after it", {hex("01 10 03 05")}, {hex("01 10 03 05")}, hex("05")},
        {"doubled escape is data", {hex("10 10 03")}, {}, hex("10 10 03")},
        {"doubled escape then end", {hex("10 10 10 03")}, {hex("10 10 10 03")}, {}},
        {"escape then other byte", {hex("10 02 03")}, {}, hex("10 02 03")},
        {"end mark across two calls", {hex("10 01 AA 10"), hex("03")}, {hex("10 01 AA 10 03")}, {}},
        {"gathered over three calls",
         {hex("10 01"), hex("AA BB"), hex("10 03")},
         {hex("10 01 AA BB 10 03")},
         {}},
        // The second packet waits for the next call, which scans from the front again.
        {"two packets together",
         {hex("10 01 AA 10 03 10 01 BB 10 03")},
         {hex("10 01 AA 10 03 10 01 BB 10 03")},
         hex("10 01 BB 10 03")},
        {"the second goes with more data",
         {hex("10 01 AA 10 03 10 01 BB 10 03"), hex("CC")},
         {hex("10 01 AA 10 03 10 01 BB 10 03"), hex("10 01 BB 10 03 CC")},
         hex("CC")},
    };
    for (const Row& row : rows) {
        Chain chain;
        for (const Bytes& data : row.data) chain.feed(data);
        EXPECT_EQ(chain.top.chunks, row.handedOn) << row.name;
        EXPECT_EQ(bytesOf(chain.stage.buffer().view()), row.kept) << row.name;
        EXPECT_EQ(chain.bottom.completions, 0) << row.name << ": the parser completes, not this";
    }
}

TEST(PacketReassemblerReset, DropsUnfinishedPacketData) {
    Chain chain;
    chain.feed(hex("10 01 AA"));
    EXPECT_TRUE(chain.stage.reset());
    chain.feed(hex("10 01 BB 10 03"));
    EXPECT_EQ(chain.top.chunks, std::vector<Bytes>{hex("10 01 BB 10 03")});
}
