#include <gtest/gtest.h>

#include "CliRig.h"
#include "cli/Options.h"

using namespace clitest;

namespace {

// The program's options go before or after the command, and read the same either way.
TEST(OptionsTest, ProgramOptionsGoBeforeOrAfterTheCommand) {
    struct Case {
        std::vector<std::string> args;
        cli::Command command;
        std::string id;
        bool all;
        bool sim;
        std::string scenario;
        std::string trace;
        bool json;
        double timeScale;
    };
    using cli::Command;
    const Case cases[] = {
        {{"fix", "7654321", "--sim"}, Command::Fix, "7654321", false, true, "", "", false, 1.0},
        {{"--sim", "fix", "7654321"}, Command::Fix, "7654321", false, true, "", "", false, 1.0},
        {{"fix", "--sim", "7654321"}, Command::Fix, "7654321", false, true, "", "", false, 1.0},
        {{"--json", "--trace", "t.txt", "check", "--all", "--sim", "--scenario", "f.txt",
          "--time-scale", "20"},
         Command::Check,
         "",
         true,
         true,
         "f.txt",
         "t.txt",
         true,
         20.0},
        {{"scan", "--sim", "--scenario=f.txt", "--json", "--trace=t.txt"},
         Command::Scan,
         "",
         false,
         true,
         "f.txt",
         "t.txt",
         true,
         1.0},
        {{"check", "QOR123-7654321", "--json"},
         Command::Check,
         "QOR123-7654321",
         false,
         false,
         "",
         "",
         true,
         1.0},
        {{"fix", "--", "-7654321"}, Command::Fix, "-7654321", false, false, "", "", false, 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        cli::Options options;
        const cli::CommandLine line = cli::parseCommandLine(c.args, options);
        ASSERT_EQ(line.action, cli::CommandLine::Action::Run) << line.text;
        EXPECT_EQ(options.command, c.command);
        EXPECT_EQ(options.id, c.id);
        EXPECT_EQ(options.all, c.all);
        EXPECT_EQ(options.sim, c.sim);
        EXPECT_EQ(options.scenario, c.scenario);
        EXPECT_EQ(options.traceFile, c.trace);
        EXPECT_EQ(options.json, c.json);
        EXPECT_EQ(options.timeScale, c.timeScale);
    }
}

// Usage errors: exit code 2, a line that names what is wrong, nothing on the output and
// nothing sent to the radio.
TEST(OptionsTest, UsageErrorsNameTheProblem) {
    struct Case {
        std::vector<std::string> args;
        const char* says;
    };
    const Case cases[] = {
        {{}, "no command given: scan, fix, check, ports, doctor or help"},
        {{"frobnicate"}, "unexpected argument \"frobnicate\""},
        {{"fix"}, "fix needs the turbine ID or --address"},
        {{"check"}, "check needs a turbine ID, --address or --all"},
        {{"check", "7654321", "--all"}, "check takes one of a turbine ID, --address or --all"},
        {{"scan", "--all"}, "unexpected argument \"--all\""},
        {{"fix", "7654321", "7654322"}, "unexpected argument \"7654322\""},
        {{"fix", "7654321", "--bogus"}, "unexpected argument \"--bogus\""},
        {{"fix", "7654321", "--json=yes"}, "--json takes no value"},
        {{"fix", "7654321", "--trace"}, "--trace: 1 required FILE missing"},
        {{"--trace", "--json", "fix", "7654321"}, "--trace: needs a file name, not \"--json\""},
        {{"--sim", "field.txt", "fix", "7654321"},
         "unexpected argument \"field.txt\": --sim takes no value; for the field in "
         "field.txt, write --scenario field.txt"},
        {{"fix", "--sim", "field.txt", "7654321"},
         "unexpected argument \"7654321\": --sim takes no value; for the field in field.txt"},
        {{"fix", "7654321", "--sim=field.txt"},
         "--sim=field.txt: --sim takes no value; for the field in field.txt, write --scenario "
         "field.txt"},
        {{"fix", "7654321", "--time-scale", "20"}, "--time-scale goes with --sim only"},
        {{"fix", "7654321", "--scenario", "field.txt"}, "--scenario goes with --sim only"},
        {{"fix", "7654321", "--sim", "--time-scale", "0"},
         "--time-scale: takes a number from 0.01 to 1000, not \"0\""},
        {{"fix", "7654321", "--sim", "--time-scale", "inf"}, "not \"inf\""},
        {{"fix", "7654321", "--sim", "--time-scale", "5x"}, "not \"5x\""},
        {{"fix", "7654321", "--sim", "--scenario", "/no/such/scenario.txt"},
         "/no/such/scenario.txt"},
        {{"scan", "--sim", "--trace", "/no/such/folder/trace.txt"},
         "cannot write the trace file /no/such/folder/trace.txt"},
        {{"--trace", "a.txt", "--trace", "b.txt", "scan"}, "--trace"},
        {{"help", "frobnicate"}, "help: unknown command \"frobnicate\""},
        {{"fix", "7654321", "--address", "12"}, "--address takes the radio's 64-bit address"},
        {{"fix", "--address", "0013A20041C7F32"}, "not \"0013A20041C7F32\""},
        {{"fix", "--address", "0013A20041C7F3210"}, "not \"0013A20041C7F3210\""},
        {{"fix", "--address", "0x13A20041C7F321"}, "not \"0x13A20041C7F321\""},
        {{"fix", "--address"}, "--address takes the radio's 64-bit address"},
        {{"fix", "7654321", "--address", "0013A20041C7F321"},
         "fix takes a turbine ID or --address, not both"},
        {{"check", "--all", "--address", "0013A20041C7F321"},
         "check takes one of a turbine ID, --address or --all"},
        {{"scan", "--address", "0013A20041C7F321"}, "unexpected argument \"--address\""},
        {{"scan", "--device", "-1"}, "a device index is a number from 0 up, without a sign"},
        {{"--device", "", "scan"}, "no device named"},
        {{"scan", "--device", "99999999999"}, "device index 99999999999 is too large"},
        {{"doctor", "--sim", "--device", "/dev/ttyUSB0"},
         "--device with --sim takes an index: the simulated field has no serial port paths"},
        {{"ports", "--trace", "ports.txt"}, "--trace goes with the commands that open the radio"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const CliResult run = runCli(c.args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.rfind("qor-comm-fix-cli: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("Try 'qor-comm-fix-cli --help'."), std::string::npos);
        EXPECT_TRUE(run.writes.empty());
    }
}

TEST(OptionsTest, HelpAndVersion) {
    struct Case {
        std::vector<std::string> args;
        const char* starts;
        const char* holds;
    };
    const char* const program = "Usage: qor-comm-fix-cli [OPTIONS] [COMMAND]";
    const Case cases[] = {
        {{"--help"}, "Finds a turbine's radio", program},
        {{"-h"}, "Finds a turbine's radio", "   130  interrupted"},
        {{"help"}, "Finds a turbine's radio", program},
        {{"fix", "--help"}, "find a turbine", "Usage: qor-comm-fix-cli fix [OPTIONS] [ID]"},
        {{"help", "fix"}, "find a turbine", "Usage: qor-comm-fix-cli fix [OPTIONS] [ID]"},
        {{"help", "check"}, "read a turbine radio's", "--all"},
        {{"check", "--help"}, "read a turbine radio's", "--address ADDRESS"},
        {{"scan", "--sim", "--help"}, "list the radios in reach", "Usage: qor-comm-fix-cli scan"},
        {{"--version"}, "qor-comm-fix-cli ", "\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const CliResult run = runCli(c.args);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.out.rfind(c.starts, 0), 0u) << run.out;
        EXPECT_NE(run.out.find(c.holds), std::string::npos) << run.out;
    }
}

}  // namespace
