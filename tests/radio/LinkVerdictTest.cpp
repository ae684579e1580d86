#include <gtest/gtest.h>

#include "StageProbes.h"
#include "radio/FrameAssembler.h"
#include "radio/LinkVerdict.h"
#include "tests/support/Bytes.h"

using namespace radio;
using namespace radio::test;
using namespace testsupport;

namespace {

const Bytes kGood = hex("7E 00 05 88 01 63 62 00 B1");  // "cb" response
const Bytes kBad = hex("7E 00 05 88 01 63 62 00 B0");

// The counts run on across resets and across frames cut between reads.
TEST(FrameCountsTest, CountEveryByteAndEveryFrameJudged) {
    ProbeChain<FrameAssembler> chain;
    testing::internal::CaptureStderr();
    chain.feed(hex("11 22") + Bytes(kGood.begin(), kGood.begin() + 4));
    chain.feed(Bytes(kGood.begin() + 4, kGood.end()) + kBad);
    const FrameCounts before = chain.stage.counts();
    chain.stage.reset();
    chain.feed(kGood + hex("7E 00"));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(before, (FrameCounts{20, 1, 1}));
    EXPECT_EQ(chain.stage.counts(), (FrameCounts{31, 2, 1}));
    EXPECT_EQ(chain.stage.counts().since(before), (FrameCounts{11, 1, 0}));
}

TEST(LinkVerdictTest, TheWorstLinkTheCountsAllow) {
    const std::pair<FrameCounts, LinkVerdict> cases[] = {
        {{0, 0, 0}, LinkVerdict::Silent},
        {{900, 0, 0}, LinkVerdict::NoFrames},
        {{900, 0, 12}, LinkVerdict::FailedChecksums},
        {{900, 1, 12}, LinkVerdict::Frames},
        {{40, 4, 0}, LinkVerdict::Frames},
    };
    for (const auto& [counts, verdict] : cases)
        EXPECT_EQ(classifyLink(counts), verdict) << counts.bytes << " " << counts.passed;
}

}  // namespace
