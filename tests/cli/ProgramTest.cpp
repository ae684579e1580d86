#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "JsonValue.h"

using clitest::JsonReader;
using clitest::JsonValue;

namespace {

struct Finished {
    int exitCode = -1;
    std::string out;
};

// The installed program's way: the real binary, its standard output read through a pipe.
Finished runBinary(const std::string& arguments) {
    Finished finished;
    const std::string command = std::string(QOR_CLI_PROGRAM) + " " + arguments + " 2>/dev/null";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return finished;
    char chunk[4096];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) finished.out.append(chunk, got);
    const int status = ::pclose(pipe);
    if (WIFEXITED(status)) finished.exitCode = WEXITSTATUS(status);
    return finished;
}

// A fix of the built-in field in scaled real time: about a second.
TEST(ProgramTest, FixesTheBuiltInFieldWithJson) {
    const Finished run = runBinary("fix 7654321 --sim --time-scale 20 --json");
    EXPECT_EQ(run.exitCode, 0);
    JsonValue json;
    ASSERT_TRUE(JsonReader::parse(run.out, json)) << run.out;
    EXPECT_EQ(json["outcome"].string, "speed-fixed");
    EXPECT_EQ(json["node"]["name"].string, "QOR123-7654321");
}

TEST(ProgramTest, ScanListsTheFiveNodesInReach) {
    const Finished run = runBinary("scan --sim --time-scale 20");
    EXPECT_EQ(run.exitCode, 0);
    std::size_t rows = 0;
    for (std::size_t at = run.out.find("\nQOR123-"); at != std::string::npos;
         at = run.out.find("\nQOR123-", at + 1))
        ++rows;
    EXPECT_EQ(rows, 5u) << run.out;
}

}  // namespace
