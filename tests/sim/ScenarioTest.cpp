#include <gtest/gtest.h>

#include <string>

#include "sim/Scenario.h"

namespace sim::test {
namespace {

TEST(ScenarioTest, ReadsEverySetting) {
    const char* text = R"(# A field for the test.
# Second line.
noise 3
random-bytes 11520
discovery-end 6000
device baud-fails
device vanishes-at 0x2710
device returns-at 12000
device noisy

node TOWER 7   # spaces belong to the name
  address 0x0013A20011223344
  network 12ab
  reachable no
  discoverable no
  bd 0x06
  bd-width 4
  signal 42
  inverter-speed 5
  reply-word 0xBEEF
  reply-extra-words 3
  reply-chunk 5
  announces-after-cb yes
  announces-after-restart no
  nd-delay 10
  announce-delay 20
  reply-delay 30
  inverter-delay 40
  restart 50
  fault reply-flags 0xC0 times 2
  fault bad-reply-crc
  fault nd-answer-after-fr times 1
  announces-every 500 from 4200
  packet-stream 10 40
node B
  address 0000000000000002
  network 0002
  announces-every 700 from fix
)";
    Scenario s;
    std::string error;
    ASSERT_TRUE(parseScenario(text, s, error)) << error;
    EXPECT_EQ(s.description, "A field for the test.\nSecond line.");
    EXPECT_EQ(s.noiseBytes, 3u);
    EXPECT_EQ(s.randomBytesPerSecond, 11520u);
    EXPECT_FALSE(s.device.openFails);
    EXPECT_TRUE(s.device.baudRateFails);
    EXPECT_EQ(s.device.vanishesAtMs, 10000);
    EXPECT_EQ(s.device.returnsAtMs, 12000);
    EXPECT_EQ(s.device.line, LineFault::Noisy);
    EXPECT_EQ(s.discoveryEndMs, 6000u);
    ASSERT_EQ(s.nodes.size(), 2u);
    const NodeConfig& n = s.nodes[0];
    EXPECT_EQ(n.name, "TOWER 7");
    EXPECT_EQ(n.address64, 0x0013A20011223344u);
    EXPECT_EQ(n.address16, 0x12AB);
    EXPECT_FALSE(n.reachable);
    EXPECT_FALSE(n.discoverable);
    EXPECT_EQ(n.bd, 6u);
    EXPECT_EQ(n.bdWidth, 4u);
    EXPECT_EQ(n.signal, 42);
    EXPECT_EQ(n.inverterSpeed, 5u);
    EXPECT_EQ(n.replyWord, 0xBEEF);
    EXPECT_EQ(n.replyExtraWords, 3u);
    EXPECT_EQ(n.replyChunk, 5u);
    EXPECT_TRUE(n.announcesAfterCb);
    EXPECT_FALSE(n.announcesAfterRestart);
    EXPECT_EQ(n.ndDelayMs, 10);
    EXPECT_EQ(n.announceDelayMs, 20);
    EXPECT_EQ(n.replyDelayMs, 30);
    EXPECT_EQ(n.inverterDelayMs, 40);
    EXPECT_EQ(n.restartMs, 50);
    ASSERT_EQ(n.faults.size(), 3u);
    EXPECT_EQ(n.faults[0].kind, FaultKind::ReplyFlags);
    EXPECT_EQ(n.faults[0].value, 0xC0u);
    EXPECT_EQ(n.faults[0].times, 2);
    EXPECT_EQ(n.faults[1].kind, FaultKind::BadReplyCrc);
    EXPECT_EQ(n.faults[1].times, Fault::kAlways);
    EXPECT_EQ(n.faults[2].kind, FaultKind::NdAnswerAfterFr);
    EXPECT_EQ(n.announceEveryMs, 500);
    EXPECT_EQ(n.announceFromMs, 4200);
    EXPECT_EQ(n.packetStreamEveryMs, 10);
    EXPECT_EQ(n.packetStreamBytes, 40u);
    EXPECT_EQ(s.nodes[1].ndDelayMs, NodeConfig::kStaggered);
    EXPECT_TRUE(s.nodes[1].discoverable);
    EXPECT_EQ(s.nodes[1].announceFromMs, NodeConfig::kFromFix);
}

TEST(ScenarioTest, ReadsTheFaultsOfACrowdedField) {
    const char* text = R"(node A
  address 0000000000000001
  network 0001
  fault crosstalk 150
  fault answers-others times 3
  fault status-after-reply
  fault packet-before-reply times 1
  fault stray-end-before-reply
)";
    Scenario s;
    std::string error;
    ASSERT_TRUE(parseScenario(text, s, error)) << error;
    const std::vector<Fault>& faults = s.nodes.at(0).faults;
    ASSERT_EQ(faults.size(), 5u);
    EXPECT_EQ(faults[0].kind, FaultKind::Crosstalk);
    EXPECT_EQ(faults[0].value, 150u);
    EXPECT_EQ(faults[1].kind, FaultKind::AnswersOthers);
    EXPECT_EQ(faults[1].times, 3);
    EXPECT_EQ(faults[2].kind, FaultKind::StatusAfterReply);
    EXPECT_EQ(faults[3].kind, FaultKind::PacketBeforeReply);
    EXPECT_EQ(faults[3].times, 1);
    EXPECT_EQ(faults[4].kind, FaultKind::StrayEndBeforeReply);
    EXPECT_EQ(faults[4].times, Fault::kAlways);

    EXPECT_FALSE(
        parseScenario("node A\n address 0000000000000001\n network 0001\n"
                      " fault crosstalk 0\n",
                      s, error, "t"));
    EXPECT_EQ(error, "t:4: fault \"crosstalk\" needs a value from 1 to 600000");
}

TEST(ScenarioTest, ErrorsNameTheLineAndTheFault) {
    const std::string node = "node A\n address 0000000000000001\n network 0001\n";
    const struct {
        std::string text;
        std::string error;
    } cases[] = {
        {"noise 65\n", "t:1: \"noise\" needs one number from 0 to 64"},
        {"# c\n\nspeed 4\n",
         "t:3: unknown setting \"speed\" (expected noise, random-bytes, discovery-end, device or "
         "node)"},
        {"random-bytes 11521\n", "t:1: \"random-bytes\" needs one number from 0 to 11520"},
        {"device melts\n",
         "t:1: \"device\" takes open-fails, baud-fails, vanishes-at <ms>, returns-at <ms>, "
         "silent, wrong-speed or noisy"},
        {"device silent\ndevice wrong-speed\n", "t:2: only one of silent, wrong-speed, noisy"},
        {"node\n", "t:1: \"node\" needs a name"},
        {node + "node A\n", "t:4: a second node named \"A\""},
        {node + "node B\n network 0002\n", "t:4: node \"B\" has no \"address\""},
        {"node B\n address 0000000000000002\n", "t:1: node \"B\" has no \"network\""},
        {node + "node B\n address 0000000000000001\n",
         "t:5: address 0000000000000001 is already \"A\"'s"},
        {node + " address 13A200\n", "t:4: \"address\" needs exactly 16 hex digits"},
        {node + " network 12G4\n", "t:4: \"network\" needs exactly 4 hex digits"},
        {node + " bd-width 2\n", "t:4: \"bd-width\" is 1 or 4"},
        {node + " bd four\n", "t:4: \"bd\" needs one number from 0 to 4294967295"},
        {node + " signal 256\n", "t:4: \"signal\" needs one number from 0 to 255"},
        {node + " reply-chunk 0\n", "t:4: \"reply-chunk\" must be at least 1"},
        {node + " reachable maybe\n", "t:4: \"reachable\" is yes or no"},
        {node + " noise 2\n", "t:4: \"noise\" belongs before the first node"},
        {node + " discovery-end 10\n", "t:4: \"discovery-end\" belongs before the first node"},
        {node + " packet-stream 10\n",
         "t:4: \"packet-stream\" needs a period of 1 to 600000 ms and 1 to 255 bytes"},
        {node + " packet-stream 0 40\n",
         "t:4: \"packet-stream\" needs a period of 1 to 600000 ms and 1 to 255 bytes"},
        {node + " announces-every 700 after 3000\n",
         "t:4: \"announces-every\" needs a period of 0 to 600000 ms, then optionally \"from "
         "<ms>\" or \"from fix\""},
        {node + " colour red\n", "t:4: unknown node setting \"colour\""},
        {node + " fault\n", "t:4: \"fault\" needs a name"},
        {node + " fault gremlins\n", "t:4: unknown fault \"gremlins\""},
        {node + " fault reply-code\n", "t:4: fault \"reply-code\" needs a value from 0 to 65535"},
        {node + " fault silent-bd twice\n",
         "t:4: after fault \"silent-bd\" only \"times <count>\" may follow"},
        {node + " fault silent-bd times 0\n",
         "t:4: after fault \"silent-bd\" only \"times <count>\" may follow"},
    };
    for (const auto& c : cases) {
        Scenario s;
        std::string error;
        EXPECT_FALSE(parseScenario(c.text, s, error, "t")) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
}

TEST(ScenarioTest, DefaultFieldNeedsTheFix) {
    Scenario parsed;
    std::string error;
    ASSERT_TRUE(parseScenario(kDefaultFieldText, parsed, error)) << error;

    const Scenario field = defaultField();
    ASSERT_GE(field.nodes.size(), 4u);
    int reachable = 0;
    const NodeConfig* target = nullptr;
    for (const NodeConfig& node : field.nodes) {
        reachable += node.reachable ? 1 : 0;
        if (node.name == "QOR123-7654321") target = &node;
    }
    EXPECT_GE(reachable, 3);
    ASSERT_NE(target, nullptr);
    EXPECT_NE(target->bd, target->inverterSpeed);
    EXPECT_TRUE(target->inverterSpeed == 4 || target->inverterSpeed == 6);
}

TEST(ScenarioTest, ScenarioFilesDescribeTheirOutcomes) {
    const struct {
        const char* file;
        std::uint32_t bd;
        std::uint32_t inverterSpeed;
        std::size_t faults;
        bool openFails;
    } cases[] = {
        {"speed-correct.txt", 6, 6, 0, false},  {"fixed-second.txt", 3, 4, 0, false},
        {"unable-to-comm.txt", 4, 5, 0, false}, {"lost-link.txt", 4, 6, 1, false},
        {"failed-query.txt", 4, 6, 1, false},   {"no-radio.txt", 0, 0, 0, true},
        {"crowded-field.txt", 4, 6, 1, false},
    };
    for (const auto& c : cases) {
        Scenario s;
        std::string error;
        ASSERT_TRUE(loadScenario(std::string(QOR_SCENARIO_DIR) + "/" + c.file, s, error)) << error;
        EXPECT_FALSE(s.description.empty()) << c.file;
        EXPECT_EQ(s.device.openFails, c.openFails) << c.file;
        if (c.openFails) continue;
        ASSERT_FALSE(s.nodes.empty()) << c.file;
        EXPECT_EQ(s.nodes[0].name, "QOR123-7654321") << c.file;
        EXPECT_EQ(s.nodes[0].bd, c.bd) << c.file;
        EXPECT_EQ(s.nodes[0].inverterSpeed, c.inverterSpeed) << c.file;
        EXPECT_EQ(s.nodes[0].faults.size(), c.faults) << c.file;
    }
}

TEST(ScenarioTest, MissingFileIsReported) {
    Scenario s;
    std::string error;
    EXPECT_FALSE(loadScenario("/nonexistent/field.txt", s, error));
    EXPECT_EQ(error, "/nonexistent/field.txt: cannot be read");
}

}  // namespace
}  // namespace sim::test
