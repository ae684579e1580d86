#include <gtest/gtest.h>

#include <csignal>

#include "CliRig.h"

using namespace clitest;
using testsupport::hex;

namespace {

std::string scenario(const std::string& name) { return std::string(QOR_SCENARIO_DIR) + "/" + name; }

// All the doctor ever writes: the module's own discovery request.
const Bytes kDiscoveryRequest = hex("7E 00 04 09 01 4E 44 63");

Bytes everythingWritten(const CliResult& run) {
    Bytes bytes;
    for (const auto& write : run.writes)
        bytes.insert(bytes.end(), write.bytes.begin(), write.bytes.end());
    return bytes;
}

std::vector<bool> stepsPassed(const Json& json) {
    std::vector<bool> passed;
    for (const Json& step : json.at("steps")) passed.push_back(step.at("passed"));
    return passed;
}

struct VerdictCase {
    std::vector<std::string> args;  // after doctor --sim --json
    int exitCode;
    const char* outcome;
    std::vector<bool> steps;  // whether each step run passed
    const char* finding;      // in the last step's finding
    bool requestWritten;
};

// Each link of the chain that fails gives its own verdict and exit code, the checks stop
// there, and nothing but the local discovery request ever reaches the radio.
TEST(DoctorTest, EachBrokenLinkHasItsOwnVerdict) {
    const VerdictCase cases[] = {
        {{}, 0, "passed", {true, true, true, true, true}, "QOR123-7654321 (turbine 7654321)", true},
        {{"--device", "1"}, 1, "no-radio", {false}, "there is no device 1", false},
        {{"--scenario", scenario("no-radio.txt")},
         1,
         "no-radio",
         {true, true, false},
         "does not open",
         false},
        {{"--scenario", scenario("silent-module.txt")},
         8,
         "no-module",
         {true, true, true, false},
         "nothing came back",
         true},
        {{"--scenario", scenario("wrong-speed.txt")},
         8,
         "no-module",
         {true, true, true, false},
         "none of them in a frame",
         true},
        {{"--scenario", scenario("noisy-line.txt")},
         8,
         "no-module",
         {true, true, true, false},
         "none of which passed its checksum",
         true},
        {{"--scenario", scenario("no-remote-radio.txt")},
         3,
         "not-found",
         {true, true, true, true, false},
         "none answered",
         true},
    };
    for (const VerdictCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        std::vector<std::string> args{"doctor", "--sim", "--json"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliResult run = runCli(args);
        ASSERT_TRUE(run.jsonValid) << run.out;
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.json.at("command"), "doctor");
        EXPECT_EQ(run.json.at("outcome"), c.outcome);
        EXPECT_EQ(run.json.at("exitCode"), c.exitCode);
        EXPECT_EQ(stepsPassed(run.json), c.steps);
        const Json& last = run.json.at("steps").back();
        EXPECT_NE(last.at("finding").get<std::string>().find(c.finding), std::string::npos)
            << last.at("finding");
        EXPECT_EQ(last.at("advice").is_null(), last.at("passed").get<bool>());
        EXPECT_EQ(everythingWritten(run), c.requestWritten ? kDiscoveryRequest : Bytes{});
    }
}

TEST(DoctorTest, TheBuiltInFieldPassesEveryCheckAndNamesItsTurbines) {
    const CliResult run = runCli({"--sim", "doctor"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out,
              "1. A device to open: ok. Device 0, the simulated field's.\n"
              "2. This user may open it: ok. The simulated device: nothing stands in the way.\n"
              "3. It opens with the radio's line settings: ok. 115200 baud, 8 data bits, 1 stop "
              "bit, no parity, no flow control.\n"
              "4. The radio module answers in frame mode: ok. 5 well-formed frames in the "
              "discovery's 8.8 s.\n"
              "5. Remote radios answer: ok. 5 answered: QOR123-7654321 (turbine 7654321), "
              "QOR123-7654318 (turbine 7654318), QOR123-7654325 (turbine 7654325), "
              "QOR123-7654330 (turbine 7654330), QOR123-7654337 (turbine 7654337); 5 carry "
              "turbine numbers.\n"
              "Every check passed. (8.8 s)\n");
}

// A failed check says what failed and, on a line of its own, what to do.
TEST(DoctorTest, AFailedCheckSaysWhatToDo) {
    const CliResult run = runCli({"doctor", "--sim", "--scenario", scenario("wrong-speed.txt")});
    EXPECT_EQ(run.exitCode, 8);
    EXPECT_NE(run.out.find("4. The radio module answers in frame mode: FAILED. 111 bytes came "
                           "back in the discovery's 8.8 s, none of them in a frame.\n"
                           "   What to do: The module works at another line speed, or is not "
                           "in frame mode."),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("Check 4 of 5 failed."), std::string::npos);
    EXPECT_EQ(run.out.find("5. "), std::string::npos);

    // A device that is not there: the cause and the remedy are one sentence.
    const CliResult missing = runCli({"doctor", "--sim", "--device", "2"});
    EXPECT_EQ(missing.out,
              "1. A device to open: FAILED. There is no device 2. The one there is 0 (the "
              "simulated device); name one of them.\n"
              "Check 1 of 5 failed. (0.0 s)\n");
}

// Ctrl-C during the module check ends it after the read in progress; only the discovery
// request went out.
TEST(DoctorTest, AnInterruptEndsTheCheckHavingWrittenOnlyTheRequest) {
    InterruptingClock clock(3000);
    const CliResult run = runCli({"doctor", "--sim", "--json"}, {}, &clock);
    ASSERT_TRUE(run.jsonValid) << run.out;
    EXPECT_EQ(run.exitCode, 130);
    EXPECT_EQ(run.json.at("outcome"), "interrupted");
    EXPECT_EQ(stepsPassed(run.json), (std::vector<bool>{true, true, true}));
    EXPECT_EQ(everythingWritten(run), kDiscoveryRequest);
}

}  // namespace
