#include <gtest/gtest.h>

#include "CliRig.h"
#include "cli/Options.h"

using namespace clitest;

namespace {

// The scenario after --sim is optional: the next argument is taken for it only when it
// cannot be the command's own.
TEST(OptionsTest, SimTakesAScenarioOnlyWhereNoIdIsDue) {
    struct Case {
        std::vector<std::string> args;
        std::string id;
        std::string scenario;
    };
    const Case cases[] = {
        {{"fix", "7654321", "--sim"}, "7654321", ""},
        {{"fix", "--sim", "7654321"}, "7654321", ""},
        {{"fix", "7654321", "--sim", "field.txt"}, "7654321", "field.txt"},
        {{"fix", "--sim=field.txt", "7654321"}, "7654321", "field.txt"},
        {{"--sim", "scan"}, "", ""},
        {{"scan", "--sim", "field.txt", "--json"}, "", "field.txt"},
        {{"check", "--all", "--sim", "field.txt"}, "", "field.txt"},
        {{"fix", "--", "-7654321"}, "-7654321", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        cli::Options options;
        std::string error;
        ASSERT_TRUE(cli::parseOptions(c.args, options, error)) << error;
        EXPECT_TRUE(options.sim || c.args.back() == "-7654321");
        EXPECT_EQ(options.id, c.id);
        EXPECT_EQ(options.scenario, c.scenario);
    }
}

// Usage errors: exit code 2, a line that says what is wrong, nothing on the output and
// nothing sent to the radio.
TEST(OptionsTest, UsageErrors) {
    const std::vector<std::vector<std::string>> cases{
        {},
        {"frobnicate"},
        {"fix"},
        {"check"},
        {"check", "7654321", "--all"},
        {"scan", "--all"},
        {"fix", "7654321", "7654322"},
        {"fix", "7654321", "--bogus"},
        {"fix", "7654321", "--json=yes"},
        {"fix", "7654321", "--trace"},
        {"fix", "7654321", "--time-scale", "20"},
        {"fix", "7654321", "--sim", "--time-scale", "0"},
        {"fix", "7654321", "--sim", "--time-scale", "inf"},
        {"fix", "7654321", "--sim", "--time-scale", "5x"},
        {"fix", "7654321", "--sim", "/no/such/scenario.txt"},
        {"scan", "--sim", "--trace", "/no/such/folder/trace.txt"},
        {"fix", "--address", "0013A20041C7F32"},
        {"fix", "--address", "0013A20041C7F3210"},
        {"fix", "--address", "0x13A20041C7F321"},
        {"fix", "--address"},
        {"fix", "7654321", "--address", "0013A20041C7F321"},
        {"check", "--all", "--address", "0013A20041C7F321"},
        {"scan", "--address", "0013A20041C7F321"},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(::testing::PrintToString(args));
        const CliResult run = runCli(args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.rfind("qor-comm-fix-cli: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find("Try 'qor-comm-fix-cli --help'."), std::string::npos);
        EXPECT_TRUE(run.writes.empty());
    }
}

// The ID is read as the Turbine ID box is; what the dialog would search nothing for is a
// usage error here, saying why.
TEST(OptionsTest, TurbineIds) {
    struct Case {
        const char* id;
        int exitCode;
        std::int64_t target;  // searched for; 0 for a usage error
        const char* says;     // on the error stream for a usage error
    };
    const Case cases[] = {
        {"QOR12", 2, 0, "No turbine specified: No identifier digits found."},
        {"", 2, 0, "No turbine specified: No identifier digits found."},
        {"0000", 2, 0, "No turbine specified: No identifier digits found."},
        {"20000000", 2, 0, "gives the turbine number 0,"},
        {"3000000000", 2, 0, "gives the turbine number -4967296,"},  // wraps below 0
        {"QOR123-7654321", 6, 7654321, ""},  // found; its inverter does not answer
        {"qor123-7654321", 6, 7654321, ""},  // 1237654321, whose last seven digits count
        {"T-12a34", 3, 1234, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const CliResult run = runCli({"check", c.id, "--sim", "--json"});
        EXPECT_EQ(run.exitCode, c.exitCode);
        if (c.target) {
            ASSERT_TRUE(run.jsonValid);
            EXPECT_EQ(run.json["target"].integer(), c.target);
        } else {
            EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
            EXPECT_TRUE(run.writes.empty());
        }
    }
}

TEST(OptionsTest, HelpAndVersion) {
    const CliResult help = runCli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("usage: qor-comm-fix-cli scan", 0), 0u);
    const CliResult version = runCli({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("qor-comm-fix-cli ", 0), 0u);
}

}  // namespace
