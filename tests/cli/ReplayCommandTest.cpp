// qor-comm-fix-cli --replay: how it is asked for, what the trace it replays keeps of the
// user's machine, and what it says when the recorded run ended otherwise.
#include "CliRig.h"

namespace clitest {
namespace {

std::string recordFix(const std::string& name) {
    const std::string trace = tempPath(name);
    EXPECT_EQ(runCli({"fix", "7654321", "--sim", "--trace", trace}).exitCode, 0);
    return trace;
}

TEST(ReplayCommandTest, UsageErrors) {
    const std::string trace = recordFix("replay-usage.trace");
    const std::string malformed = writeTempFile("replay-malformed.trace", "12 tx 7E 0\n");
    struct Case {
        std::vector<std::string> args;
        std::string says;
    };
    const Case cases[] = {
        {{"fix", "7654321", "--replay", trace, "--sim"}, "--replay and --sim exclude each other"},
        {{"fix", "7654321", "--replay", trace, "--device", "1"},
         "--replay and --device exclude each other"},
        {{"ports", "--replay", trace}, "--replay goes with the commands that open the radio"},
        {{"fix", "7654321", "--replay", trace, "--scenario", "f.txt"},
         "--scenario goes with --sim only"},
        {{"fix", "7654321", "--replay", "/no/such/trace"},
         "cannot replay the trace file /no/such/trace: cannot be opened"},
        {{"fix", "7654321", "--replay", malformed},
         "replay-malformed.trace: line 1: not a byte in hex"},
        {{"fix", "7654321", "--replay", trace, "--trace", trace},
         "--trace would overwrite the recording --replay plays"},
        {{"fix", "7654321", "--replay", "--json"}, "--replay: needs a file name"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const CliResult run = runCli(c.args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    }
    // The recording is still whole.
    EXPECT_EQ(runCli({"fix", "7654321", "--replay", trace, "--time-scale", "20"}).exitCode, 0);
}

// The header of a trace tells the command, without the names of the files it was given,
// and no clock time.
TEST(ReplayCommandTest, TheTraceHeaderKeepsNoFileNamesOrTime) {
    const std::string field = writeTempFile("header-field.txt",
                                            "node QOR123-7654321\n"
                                            "  address 0013A20041C7F321\n"
                                            "  network 7A21\n"
                                            "  inverter-speed 4\n");
    const std::string trace = tempPath("header.trace");
    struct Case {
        std::vector<std::string> args;
        const char* command;
        const char* radio;
    };
    const Case cases[] = {
        {{"fix", "7654321", "--sim", "--scenario", field, "--trace", trace},
         "# command: qor-comm-fix-cli fix 7654321 --sim --scenario FILE --trace FILE\n",
         "# radio: the simulated field of a scenario file\n"},
        {{"--trace=" + trace, "--scenario=" + field, "--sim", "check", "7654321"},
         "# command: qor-comm-fix-cli --trace=FILE --scenario=FILE --sim check 7654321\n",
         "# radio: the simulated field of a scenario file\n"},
        // A device's path names the adapter's serial number; its index names nothing.
        {{"--device", "0", "--sim", "fix", "7654321", "--trace", trace},
         "# command: qor-comm-fix-cli --device 0 --sim fix 7654321 --trace FILE\n",
         "# radio: the built-in simulated field\n"},
        {{"--device=/dev/serial/by-id/usb-Maker_Cable_A1B2C3-if00", "fix", "7654321", "--trace",
          trace},
         "# command: qor-comm-fix-cli --device=FILE fix 7654321 --trace FILE\n",
         "# radio: the radio module, through the drivers tried in turn\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        runCli(c.args);
        const std::string text = readFile(trace);
        EXPECT_EQ(text.rfind("# qor-comm-fix-cli ", 0), 0u);
        EXPECT_NE(text.find(c.command), std::string::npos) << text.substr(0, 300);
        EXPECT_NE(text.find(c.radio), std::string::npos);
        EXPECT_EQ(text.find(::testing::TempDir()), std::string::npos);
        EXPECT_EQ(text.find("started"), std::string::npos);
    }
    // A replay's own trace names the recording no more than the others.
    runCli({"fix", "7654321", "--replay", recordFix("header-replayed.trace"), "--trace", trace});
    const std::string text = readFile(trace);
    EXPECT_NE(text.find("# command: qor-comm-fix-cli fix 7654321 --replay FILE --trace FILE\n"
                        "# radio: a recording, played back\n"),
              std::string::npos);
}

// The same frames judged otherwise than in the recorded run: the replay matches, and the
// run exits with its own outcome, saying how the recorded one ended.
TEST(ReplayCommandTest, ARecordedOutcomeThatDiffersIsNamed) {
    std::string text = readFile(recordFix("replay-outcome.trace"));
    const std::string ending = "outcome speed-fixed, exit code 0";
    ASSERT_NE(text.find(ending), std::string::npos);
    text.replace(text.find(ending), ending.size(), "outcome unable-to-comm, exit code 6");
    const CliResult run =
        runCli({"fix", "7654321", "--replay", writeTempFile("replay-other.trace", text)});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err,
              "Replay: 12 frames written as recorded, to the end of the recording.\n"
              "Replay: the recorded run ended unable-to-comm, exit code 6; this one ended "
              "speed-fixed, exit code 0.\n");
}

}  // namespace
}  // namespace clitest
