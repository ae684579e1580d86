#include <gtest/gtest.h>

#include <string>

#include "Bytes.h"
#include "StageProbes.h"
#include "radio/FrameDispatcher.h"

using namespace radio;
using namespace radio::test;

namespace {

using Chain = ProbeChain<FrameDispatcher>;

const Bytes kAddresses = hex("11 22 33 44 55 66 77 88 12 34");

class CountingSink final : public NodeSink {
public:
    void onNode(std::uint32_t, std::uint32_t, std::uint16_t, const char* name,
                std::int32_t) override {
        names.emplace_back(name);
    }
    std::vector<std::string> names;
};

}  // namespace

TEST(FrameDispatcherCompletion, EveryTypeKeepsItsBodyAndCompletesByItsRule) {
    struct Row {
        const char* name;
        Bytes frameData;
        Bytes body;
        bool completes;
    };
    const Row rows[] = {
        {"local response", hex("88 01") + text("BD") + hex("00 04"), text("BD") + hex("00 04"),
         true},
        {"remote response", hex("97 03") + kAddresses + text("bd") + hex("00 06"),
         text("bd") + hex("00 06"), true},
        {"modem status", hex("8A 02"), {}, true},
        {"type 0x91", hex("91 01 02 03"), hex("01 02 03"), true},
        {"type 0x94", hex("94 01"), hex("01"), true},
        {"node identification without a sink", hex("95 01 02"), hex("01 02"), true},
        {"unnamed type", hex("42 07 AA BB"), hex("AA BB"), true},
        {"transmit status, not awaited", hex("8B 05 FF FE 00 00 00"), hex("FF FE 00 00 00"), false},
        {"packet data", hex("90") + kAddresses + hex("01 10 01 10 03"), hex("12 34 01 10 01 10 03"),
         false},
        // Type byte alone (L = 1).
        {"bare local response", hex("88"), {}, true},
        {"bare node identification", hex("95"), {}, true},
        {"bare remote response", hex("97"), {}, true},
        {"bare packet", hex("90"), {}, false},
        {"bare transmit status", hex("8B"), {}, false},
        {"remote response cut inside its addresses", hex("97 03 11 22"), {}, true},
    };
    for (const Row& row : rows) {
        Chain chain;
        chain.feed(hex("88 01 61 61 00 FF"));  // an earlier body to be replaced
        chain.bottom.completions = 0;
        chain.feed(row.frameData);
        EXPECT_EQ(chain.stage.frameType(), row.frameData[0]) << row.name;
        EXPECT_EQ(bytesOf(chain.stage.body()), row.body) << row.name;
        EXPECT_EQ(chain.bottom.completions, row.completes ? 1 : 0) << row.name;
    }
}

TEST(FrameDispatcherCompletion, AnEmptyFrameIsIgnored) {
    Chain chain;
    chain.feed(hex("88 01 61 61 00"));
    chain.feed({});
    EXPECT_EQ(chain.bottom.completions, 1);
    EXPECT_EQ(bytesOf(chain.stage.body()), hex("61 61 00"));
}

TEST(FrameDispatcherTransmitStatus, CompletesOnlyWhileAwaitedAndOnlyOnce) {
    const Bytes status = hex("8B 05 FF FE 00 00 00");
    Chain chain;
    chain.feed(status);
    EXPECT_EQ(chain.bottom.completions, 0);

    chain.stage.setCompleteOnTransmitStatus();
    chain.feed(status);
    EXPECT_EQ(chain.bottom.completions, 1);
    chain.feed(status);
    EXPECT_EQ(chain.bottom.completions, 1) << "the flag clears on the first status";

    chain.stage.setCompleteOnTransmitStatus();
    chain.stage.reset();
    chain.feed(status);
    EXPECT_EQ(chain.bottom.completions, 1) << "reset clears the flag";

    // Other frames do not use the flag up.
    chain.stage.setCompleteOnTransmitStatus();
    chain.feed(hex("90") + kAddresses + hex("01 10 01"));
    chain.feed(status);
    EXPECT_EQ(chain.bottom.completions, 2);
}

TEST(FrameDispatcherPacketData, HandsOnExactlyTheBytesFromOffsetTwelve) {
    struct Row {
        const char* name;
        Bytes frameData;
        std::vector<Bytes> handedOn;
    };
    const Row rows[] = {
        {"one data byte", hex("90") + kAddresses + hex("01 AB"), {hex("AB")}},
        {"a packet",
         hex("90") + kAddresses + hex("41 10 01 02 10 10 03"),
         {hex("10 01 02 10 10 03")}},
        {"options byte is the last", hex("90") + kAddresses + hex("01"), {}},
        {"body of two bytes", hex("90 01 02 03 04 05 06 07 08 12 34"), {}},
        {"ends inside the sender's address", hex("90 01 02 03"), {}},
    };
    for (const Row& row : rows) {
        Chain chain;
        chain.feed(row.frameData);
        EXPECT_EQ(chain.top.chunks, row.handedOn) << row.name;
        EXPECT_EQ(chain.bottom.completions, 0) << row.name;
    }
}

TEST(FrameDispatcherNodes, AnnouncementsReachTheSinkAndStillComplete) {
    const Bytes eight = hex("00 00 00 00 00 00 00 00");
    struct Row {
        const char* name;
        Bytes frameData;
        std::vector<std::string> names;
    };
    const Row rows[] = {
        {"ND response",
         hex("88 01") + text("ND") + hex("00 12 34 11 22 33 44 55 66 77 88") + text("WTG 1234567") +
             hex("00") + eight,
         {"WTG 1234567"}},
        {"ND response with an error status",
         hex("88 01") + text("ND") + hex("01 12 34 11 22 33 44 55 66 77 88") + text("X") +
             hex("00") + eight,
         {}},
        {"another command's response", hex("88 01") + text("cb") + hex("00"), {}},
        {"node identification",
         hex("95") + kAddresses + hex("00 00 00 00 00 00 00 00 00 00 00") + text("WTG 7") +
             hex("00") + eight,
         {"WTG 7"}},
        {"remote response is not an announcement",
         hex("97 03") + kAddresses + text("ND") + hex("00 12 34 11 22 33 44 55 66 77 88") +
             text("X") + hex("00") + eight,
         {}},
    };
    for (const Row& row : rows) {
        CountingSink sink;
        Chain chain;
        chain.stage.setNodeSink(&sink);
        chain.feed(row.frameData);
        EXPECT_EQ(sink.names, row.names) << row.name;
        EXPECT_EQ(chain.bottom.completions, 1) << row.name;
    }
}

TEST(FrameDispatcherReset, ClearsTheLastFrameButKeepsTheSink) {
    CountingSink sink;
    Chain chain;
    chain.stage.setNodeSink(&sink);
    chain.feed(hex("90") + kAddresses + hex("01 AB"));  // links the next stage
    chain.feed(hex("88 01 61 61 00 01"));
    const int topResets = chain.top.resets;
    EXPECT_TRUE(chain.stage.reset());
    EXPECT_EQ(chain.stage.frameType(), 0);
    EXPECT_TRUE(chain.stage.body().empty());
    EXPECT_EQ(chain.top.resets, topResets + 1);

    chain.feed(hex("95") + kAddresses + hex("00 00 00 00 00 00 00 00 00 00 00") + text("N") +
               hex("00 00"));
    EXPECT_EQ(sink.names, std::vector<std::string>{"N"});
}
