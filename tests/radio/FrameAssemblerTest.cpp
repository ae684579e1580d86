#include <gtest/gtest.h>

#include <string>

#include "StageProbes.h"
#include "radio/FrameAssembler.h"
#include "tests/support/Bytes.h"

using namespace radio;
using namespace radio::test;
using namespace testsupport;

namespace {

using Chain = ProbeChain<FrameAssembler>;

const Bytes kFrameA = hex("7E 00 05 88 01 63 62 00 B1");  // "cb" response
const Bytes kFrameB = hex("7E 00 01 8A 75");              // type byte alone
// 126 bytes of frame data: the low length byte is 0x7E, and the data holds 0x7E too.
const Bytes kFrameC = [] {
    Bytes data = hex("90");
    for (int i = 1; i < 126; ++i) data.push_back(i % 9 == 0 ? 0x7E : static_cast<std::uint8_t>(i));
    return apiFrame(data);
}();
const Bytes kGoodFrames[] = {kFrameA, kFrameB, kFrameC};

// The frame data each whole frame should hand on.
Bytes frameData(const Bytes& whole) { return Bytes(whole.begin() + 3, whole.end() - 1); }

std::vector<Bytes> feedInChunks(const Bytes& stream, const std::vector<std::size_t>& cuts) {
    Chain chain;
    std::size_t from = 0;
    for (std::size_t cut : cuts) {
        chain.feed(Bytes(stream.begin() + from, stream.begin() + cut));
        from = cut;
    }
    chain.feed(Bytes(stream.begin() + from, stream.end()));
    return chain.top.chunks;
}

}  // namespace

TEST(FrameAssemblerStream, EveryFrameOnceInOrderWhereverTheStreamIsCut) {
    // Noise before, between and after the frames; none of it holds a start byte.
    const Bytes stream = hex("00 FF 13") + kFrameA + hex("55") + kFrameB + kFrameC + hex("11 7D");
    const std::vector<Bytes> expected = {frameData(kFrameA), frameData(kFrameB),
                                         frameData(kFrameC)};

    testing::internal::CaptureStderr();
    EXPECT_EQ(feedInChunks(stream, {}), expected) << "one chunk";
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        EXPECT_EQ(feedInChunks(stream, {cut}), expected) << "cut at " << cut;
    }
    std::vector<std::size_t> everyByte;
    for (std::size_t i = 1; i < stream.size(); ++i) everyByte.push_back(i);
    EXPECT_EQ(feedInChunks(stream, everyByte), expected) << "byte by byte";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "noise is dropped silently";
}

TEST(FrameAssemblerChecksum, ABadFrameIsReportedOnceAndTheNextGoodOneStillArrives) {
    Bytes bad = kFrameA;
    bad.at(bad.size() - 1) ^= 0x01;  // at(): GCC 12 cannot see that the copy is not empty
    Chain chain;
    testing::internal::CaptureStderr();
    chain.feed(bad + kFrameB);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "zb checksum failed.\n");
    EXPECT_EQ(chain.top.chunks, std::vector<Bytes>{frameData(kFrameB)});
}

TEST(FrameAssemblerChecksum, TheBytesOfADroppedFrameAreNotSearchedAgain) {
    // A frame whose data happens to hold a whole good frame; its checksum is wrong.
    Bytes bad = apiFrame(hex("88 01") + kFrameB);
    bad.back() ^= 0xFF;
    Chain chain;
    testing::internal::CaptureStderr();
    chain.feed(bad + kFrameA);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "zb checksum failed.\n");
    EXPECT_EQ(chain.top.chunks, std::vector<Bytes>{frameData(kFrameA)});
}

TEST(FrameAssemblerLength, AZeroLengthHeaderIsDroppedAndTheHuntGoesOn) {
    struct Row {
        const char* name;
        std::vector<Bytes> chunks;
    };
    const Row rows[] = {
        {"with its checksum, then a frame", {hex("7E 00 00 FF") + kFrameB}},
        {"a frame right behind the header", {hex("7E 00 00") + kFrameB}},
        {"header alone in a chunk", {hex("7E 00 00"), hex("FF"), kFrameB}},
        {"header cut between length bytes", {hex("7E 00"), hex("00 FF") + kFrameB}},
        {"many in a row", {hex("7E 00 00 7E 00 00 7E 00 00 7E 00 00") + kFrameB}},
    };
    for (const Row& row : rows) {
        Chain chain;
        testing::internal::CaptureStderr();
        for (const Bytes& chunk : row.chunks) chain.feed(chunk);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << row.name;
        EXPECT_EQ(chain.top.chunks, std::vector<Bytes>{frameData(kFrameB)}) << row.name;
        EXPECT_TRUE(chain.stage.buffer().empty()) << row.name;
    }
}

TEST(FrameAssemblerLength, AStartByteInsideTheLengthIsALengthByte) {
    // L = 0x7E00 would be no frame at all; L = 0x007E is read as such.
    const Bytes whole = kFrameC;
    Chain chain;
    chain.feed(hex("7E 00") + Bytes{0x7E});
    chain.feed(Bytes(whole.begin() + 3, whole.end()));
    EXPECT_EQ(chain.top.chunks, std::vector<Bytes>{frameData(kFrameC)});
}

TEST(FrameAssemblerLength, TheLongestFrameArrivesWholeAndALongerOneIsNeverGathered) {
    // A received packet frame: 12 bytes before its packet data, and at most 255 of those.
    for (const std::size_t length : {267u, 268u, 5000u}) {
        Bytes data(length);
        for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
        data[0] = 0x90;
        const Bytes whole = apiFrame(data);
        Chain chain;
        for (std::size_t at = 0; at < whole.size(); at += 512) {
            chain.feed(Bytes(whole.begin() + at, whole.begin() + std::min(at + 512, whole.size())));
        }
        chain.feed(kFrameB);
        const std::vector<Bytes> expected = length <= 267
                                                ? std::vector<Bytes>{data, frameData(kFrameB)}
                                                : std::vector<Bytes>{frameData(kFrameB)};
        EXPECT_EQ(chain.top.chunks, expected) << length;
        EXPECT_EQ(chain.stage.buffer().capacity(), 1024u) << "never grown";
    }
}

TEST(FrameAssemblerLength, ACorruptedLengthByteHidesNoFrameBehindIt) {
    struct Row {
        const char* why;
        Bytes before;
    };
    const Row rows[] = {
        {"a length of 0x1234 before good frames", hex("7E 12 34")},
        {"the high length byte of a frame corrupted", hex("7E 80 05 88 01 63 62 00 B1")},
        {"a lone start byte: the next frame's start is its high length byte", hex("7E")},
        {"the next frame's start is the low length byte", hex("7E FF")},
        {"start bytes all the way", hex("7E 7E 7E")},
    };
    const std::vector<Bytes> expected = {frameData(kFrameA), frameData(kFrameB),
                                         frameData(kFrameA)};
    for (const Row& row : rows) {
        const Bytes stream = row.before + kFrameA + kFrameB + kFrameA;
        EXPECT_EQ(feedInChunks(stream, {}), expected) << row.why << ", one chunk";
        std::vector<std::size_t> everyByte;
        for (std::size_t i = 1; i < stream.size(); ++i) everyByte.push_back(i);
        EXPECT_EQ(feedInChunks(stream, everyByte), expected) << row.why << ", byte by byte";
    }
}

TEST(FrameAssemblerReset, APartialFrameIsLostAndItsRestSkippedByTheHunt) {
    for (bool byNotice : {false, true}) {
        Chain chain;
        chain.feed(Bytes(kFrameA.begin(), kFrameA.begin() + 5));
        ASSERT_EQ(chain.stage.buffer().length(), 5u);
        if (byNotice) {
            EXPECT_EQ(chain.stage.notify(2), 2);  // and goes on down to the flag
        } else {
            EXPECT_TRUE(chain.stage.reset());
        }
        EXPECT_TRUE(chain.stage.buffer().empty());
        chain.feed(Bytes(kFrameA.begin() + 5, kFrameA.end()) + kFrameB);
        EXPECT_EQ(chain.top.chunks, std::vector<Bytes>{frameData(kFrameB)})
            << (byNotice ? "notify(2)" : "reset");
    }
}

TEST(FrameAssemblerReset, TheRestOfAFrameCutByAResetIsSkippedStartBytesAndAll) {
    // A neighbour's packet data holding 7E FF FF: hunted through, it would open a frame of
    // 65,535 bytes and swallow every answer of the next five seconds.
    const Bytes cut = apiFrame(hex("90 00 13 A2 00 41 C7 F3 40 04 40 01 55 7E FF FF 66 77"));
    for (const bool resetAgain : {false, true}) {
        Chain chain;
        chain.feed(Bytes(cut.begin(), cut.begin() + 10));
        chain.stage.reset();
        chain.feed(Bytes(cut.begin() + 10, cut.begin() + 14));
        if (resetAgain) chain.stage.reset();  // still inside the cut frame
        testing::internal::CaptureStderr();
        chain.feed(Bytes(cut.begin() + 14, cut.end()) + kFrameB);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(chain.top.chunks, std::vector<Bytes>{frameData(kFrameB)});
    }
}

TEST(FrameAssemblerReset, ACutFrameClaimingMoreThanAKibibyteIsHuntedThrough) {
    for (const Bytes& header : {hex("7E 05 00 90 01 02"), hex("7E 05")}) {
        Chain chain;
        chain.feed(header);  // 1280 bytes of frame data, or a length not yet known
        chain.stage.reset();
        chain.feed(hex("01 02") + kFrameB);
        EXPECT_EQ(chain.top.chunks, std::vector<Bytes>{frameData(kFrameB)});
    }
}

TEST(FrameAssemblerReset, ReachesTheNextStageOnceLinked) {
    Chain chain;
    chain.stage.reset();
    EXPECT_EQ(chain.top.resets, 0);  // not linked before the first frame
    chain.feed(kFrameB);
    const int linked = chain.top.resets;
    chain.stage.reset();
    EXPECT_EQ(chain.top.resets, linked + 1);
}
