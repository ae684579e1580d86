#include <gtest/gtest.h>

#include <csignal>

#include "CliRig.h"

using namespace clitest;

namespace {

// On the built-in field the fix waits for the radio after "fr" from about 11.2 s on.
constexpr std::int64_t kWaitingMs = 12000;

// A hang-up (the SSH session dropped) during "Waiting" stops the fix as Ctrl-C does: nothing
// more goes to the radio, the outcome is in the trace, the exit code is 130. The hang-up may
// come twice, from the terminal and from the shell passing it on; under nohup it is ignored.
TEST(HangUpTest, StopsTheFixInOrder) {
    struct Case {
        const char* what;
        int times;
        bool ignoredAtStart;
        int exitCode;
        const char* outcome;
    };
    const Case cases[] = {
        {"one hang-up", 1, false, 130, "interrupted"},
        {"two hang-ups", 2, false, 130, "interrupted"},
        {"ignored at the start, as under nohup", 1, true, 0, "speed-fixed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto atStart = c.ignoredAtStart ? SIG_IGN : SIG_DFL;
        std::signal(SIGHUP, atStart);
        InterruptingClock clock(kWaitingMs, SIGHUP, c.times);
        std::size_t written = 0;
        std::size_t writtenBeforeSignal = 0;
        clock.beforeRaise = [&] { writtenBeforeSignal = written; };
        const std::string trace = tempPath("hang-up-trace.txt");
        const CliResult run = runCli(
            {"fix", "7654321", "--sim", "--json", "--trace", trace},
            [&](const Bytes&) { ++written; }, &clock);
        ASSERT_TRUE(run.jsonValid) << run.out;
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.json.at("outcome"), c.outcome);
        const std::string outcome = std::string("note outcome ") + c.outcome + ", exit code " +
                                    std::to_string(c.exitCode) + "\n";
        EXPECT_NE(readFile(trace).find(outcome), std::string::npos) << readFile(trace);
        if (c.exitCode == 130) {
            EXPECT_EQ(run.json.at("statuses").back().at("text"), "Waiting");
            EXPECT_GT(writtenBeforeSignal, 0u);
            EXPECT_EQ(run.writes.size(), writtenBeforeSignal);
        }
        // The handler is gone with the run: the hang-up has its action from before.
        EXPECT_EQ(std::signal(SIGHUP, SIG_DFL), atStart);
    }
}

// A trace that cannot be written in full: the fix goes on to its end, then a warning ends
// the summary, and the exit code is 2, in the JSON too.
TEST(TraceFailureTest, AFullDiskEndsTheRunWithAWarning) {
    const std::string why =
        "the trace file /dev/full is incomplete: writing it failed at 0 ms (No space left on "
        "device)";
    const std::string warning = "qor-comm-fix-cli: warning: " + why + "\n";
    const CliResult json = runCli({"fix", "7654321", "--sim", "--json", "--trace", "/dev/full"});
    ASSERT_TRUE(json.jsonValid) << json.out;
    EXPECT_EQ(json.exitCode, 2);
    EXPECT_EQ(json.json.at("outcome"), "speed-fixed");
    EXPECT_EQ(json.json.at("exitCode"), 2);
    EXPECT_EQ(json.json.at("traceError"), why);
    EXPECT_EQ(json.remoteChanges(), (std::vector<std::string>{"bd 6", "wr", "fr"}));
    EXPECT_EQ(json.err, warning);

    const CliResult text = runCli({"fix", "7654321", "--sim", "--trace", "/dev/full"});
    EXPECT_EQ(text.exitCode, 2);
    EXPECT_NE(text.out.find("QOR123-7654321: fixed."), std::string::npos) << text.out;
    EXPECT_EQ(text.err, warning);
}

}  // namespace
