// The check of the radio module a diagnosis makes: the local "ND" of a search, and the
// line judged by what came back during the discovery's time.
#include <gtest/gtest.h>

#include <set>

#include "StackRig.h"
#include "radio/LinkVerdict.h"
#include "sim/SimulationSetup.h"
#include "tests/support/Bytes.h"

namespace sim::test {
namespace {

using radio::LinkVerdict;
using testsupport::hex;

struct LineCase {
    std::string scenario;
    LinkVerdict verdict;
    std::size_t nodes;
};

// The built-in field for an empty name, else the example scenario of that name.
Scenario scenarioNamed(const std::string& name) {
    Scenario scenario;
    std::string error;
    EXPECT_TRUE(chooseScenario(name.empty() ? name : QOR_SCENARIO_DIR "/" + name, scenario, error))
        << error;
    return scenario;
}

TEST(LinkCheckTest, EachLineFaultShowsAsItsOwnVerdict) {
    const LineCase cases[] = {
        {"", LinkVerdict::Frames, 5},
        {"silent-module.txt", LinkVerdict::Silent, 0},
        {"wrong-speed.txt", LinkVerdict::NoFrames, 0},
        {"noisy-line.txt", LinkVerdict::FailedChecksums, 0},
        // A module with no remote radio in reach answers only the end of its discovery.
        {"no-remote-radio.txt", LinkVerdict::Frames, 0},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.scenario);
        StackRig rig(scenarioNamed(c.scenario));
        ASSERT_NE(rig.poller, nullptr);
        rig.sim->device().clearRecords();
        const radio::FrameCounts before = rig.assembler.counts();
        ::testing::internal::CaptureStderr();
        rig.local.discoverNodes(1100);
        ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(radio::classifyLink(rig.assembler.counts().since(before)), c.verdict);
        EXPECT_EQ(rig.nodes.reports.size(), c.nodes);
        // The local request alone goes out, whatever comes back.
        const auto writes = rig.sim->device().writes();
        ASSERT_EQ(writes.size(), 1u);
        EXPECT_EQ(writes[0].bytes, hex("7E 00 04 09 01 4E 44 63"));
    }
}

// A module at a slower speed, read at the tool's: each byte the tool reads is some low bits
// clear and the rest set, so none starts a frame.
TEST(LinkCheckTest, AModuleAtAnotherSpeedSendsNoByteThatCouldStartAFrame) {
    Scenario scenario = defaultField();
    scenario.device.line = LineFault::WrongSpeed;
    StackRig rig(scenario);
    rig.local.discoverNodes(1100);
    const transport::ByteView received = rig.rawLog.log();
    EXPECT_GT(received.length(), 5u * 20u);  // five answers of more than twenty bytes
    const std::set<std::uint8_t> possible = {0x00, 0x80, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC, 0xFE, 0xFF};
    for (const std::uint8_t byte : received) EXPECT_TRUE(possible.contains(byte)) << int(byte);
}

}  // namespace
}  // namespace sim::test
