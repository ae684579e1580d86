#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>

#include "CliRig.h"

using namespace clitest;

namespace {

std::string scenario(const std::string& name) { return std::string(QOR_SCENARIO_DIR) + "/" + name; }

std::vector<std::string> statusTexts(const Json& statuses) {
    std::vector<std::string> texts;
    for (const Json& status : statuses) texts.push_back(status.at("text"));
    return texts;
}

// The built-in field's turbine: its radio answers "bd" 4, its inverter talks at 6.
TEST(FixCommandTest, FixesTheBuiltInFieldsTurbine) {
    const CliResult run = runCli({"fix", "7654321", "--sim", "--json"});
    ASSERT_TRUE(run.jsonValid) << run.out;
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    const Json& json = run.json;
    EXPECT_EQ(json.at("schemaVersion"), 1);
    EXPECT_EQ(json.at("command"), "fix");
    EXPECT_EQ(json.at("outcome"), "speed-fixed");
    EXPECT_EQ(json.at("exitCode"), 0);
    EXPECT_EQ(json.at("target"), 7654321);
    EXPECT_EQ(json.at("node").at("name"), "QOR123-7654321");
    EXPECT_EQ(json.at("node").at("address"), "0013A20041C7F321");
    EXPECT_EQ(json.at("node").at("network"), "7A21");
    EXPECT_EQ(json.at("node").at("turbine"), 7654321);
    EXPECT_EQ(json.at("bdRead"), 4);
    EXPECT_EQ(json.at("bdWritten"), Json::parse("[6]"));
    EXPECT_EQ(json.at("inverterAnswers"), true);
    EXPECT_EQ(statusTexts(json.at("statuses")),
              (std::vector<std::string>{"Scanning", "Configuring alt speed", "Waiting", "Linking",
                                        "Communication speed fixed."}));
    std::int64_t last = 0;
    for (const Json& status : json.at("statuses")) {
        EXPECT_GE(status.at("atMs"), last);
        last = status.at("atMs");
    }
    EXPECT_GE(json.at("durationMs"), last);
    EXPECT_EQ(json.at("nodes").size(), 5u);
    EXPECT_EQ(run.remoteChanges(), (std::vector<std::string>{"bd 6", "wr", "fr"}));
}

struct OutcomeCase {
    const char* scenario;  // "" for the built-in field
    const char* command;
    int exitCode;
    const char* outcome;
    std::vector<std::string> changes;
    const char* lastStatus;
    const char* inverterAnswers;  // as the JSON has it
};

// Each ending, with its exit code and outcome name from the documented table, what the fix
// or check wrote to the turbine's radio, and whether the inverter answered at its end.
TEST(CommandOutcomeTest, EachEndingHasItsCode) {
    const std::vector<std::string> twoChanges{"bd 6", "wr", "fr", "bd 4", "wr", "fr"};
    const OutcomeCase cases[] = {
        {"speed-correct.txt",
         "fix",
         0,
         "speed-correct",
         {},
         "Communication speed is correct.",
         "true"},
        {"fixed-second.txt", "fix", 0, "speed-fixed", twoChanges, "Communication speed fixed.",
         "true"},
        {"unable-to-comm.txt", "fix", 6, "unable-to-comm", twoChanges, "unable to comm.", "false"},
        {"lost-link.txt", "fix", 5, "lost-link", {"bd 6", "wr", "fr"}, "Lost link.", "null"},
        {"failed-query.txt",
         "fix",
         4,
         "query-failed",
         {},
         "Failed query with remote radio.",
         "null"},
        {"no-radio.txt", "fix", 1, "no-radio", {}, nullptr, "null"},
        {"", "check", 6, "unable-to-comm", {}, "Scanning", "false"},
        {"speed-correct.txt", "check", 0, "speed-correct", {}, "Scanning", "true"},
        {"failed-query.txt",
         "check",
         4,
         "query-failed",
         {},
         "Failed query with remote radio.",
         "null"},
        {"no-radio.txt", "check", 1, "no-radio", {}, nullptr, "null"},
    };
    for (const OutcomeCase& c : cases) {
        SCOPED_TRACE(std::string(c.command) + " on " + (*c.scenario ? c.scenario : "default"));
        std::vector<std::string> args{c.command, "QOR123-7654321", "--json", "--sim"};
        if (*c.scenario) {
            args.push_back("--scenario");
            args.push_back(scenario(c.scenario));
        }
        const CliResult run = runCli(args);
        ASSERT_TRUE(run.jsonValid) << run.out;
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.json.at("outcome"), c.outcome);
        EXPECT_EQ(run.json.at("exitCode"), c.exitCode);
        EXPECT_EQ(run.json.at("target"), 7654321);  // with or without a radio
        EXPECT_EQ(run.json.at("inverterAnswers").dump(), c.inverterAnswers);
        EXPECT_EQ(run.remoteChanges(), c.changes);
        const std::vector<std::string> statuses = statusTexts(run.json.at("statuses"));
        if (c.lastStatus) {
            ASSERT_FALSE(statuses.empty());
            EXPECT_EQ(statuses.back(), c.lastStatus);
        } else {
            EXPECT_TRUE(statuses.empty());
            EXPECT_NE(run.json.at("error"), "");
            EXPECT_NE(run.err.find("Could not find downtower tallis radio"), std::string::npos);
        }
    }
}

// A survey of the built-in field: every turbine's "bd" and whether its inverter answers,
// and not one setting written.
TEST(CheckAllTest, SurveysTheFieldWithoutChangingARadio) {
    const CliResult run = runCli({"check", "--all", "--sim", "--json"});
    ASSERT_TRUE(run.jsonValid) << run.out;
    EXPECT_EQ(run.exitCode, 6);
    EXPECT_EQ(run.json.at("command"), "check-all");
    EXPECT_EQ(run.json.at("outcome"), "unable-to-comm");
    struct Row {
        std::string name;
        std::int64_t bd;
        bool answers;
    };
    const std::vector<Row> expected{{"QOR123-7654321", 4, false},
                                    {"QOR123-7654318", 6, true},
                                    {"QOR123-7654325", 4, true},
                                    {"QOR123-7654330", 6, true},
                                    {"QOR123-7654337", 6, false}};
    const Json& turbines = run.json.at("turbines");
    ASSERT_EQ(turbines.size(), expected.size());
    for (const Row& row : expected) {
        SCOPED_TRACE(row.name);
        bool seen = false;
        for (const Json& turbine : turbines) {
            if (turbine.at("node").at("name") != row.name) continue;
            seen = true;
            EXPECT_EQ(turbine.at("bdRead"), row.bd);
            EXPECT_EQ(turbine.at("inverterAnswers"), row.answers);
            EXPECT_EQ(turbine.at("outcome"), row.answers ? "speed-correct" : "unable-to-comm");
            EXPECT_GT(turbine.at("durationMs"), 0);
        }
        EXPECT_TRUE(seen);
    }
    EXPECT_EQ(run.remoteChanges(), std::vector<std::string>{});
}

// A survey checks turbines only: a radio whose name carries no turbine number (a met mast's,
// or a name too short to carry one) is listed and never queried.
TEST(CheckAllTest, RadiosWithoutATurbineNumberAreListedNotQueried) {
    const std::string field = writeTempFile("met-mast-field.txt", R"(
node QOR123-7654321
  address 0013A20041C7F321
  network 7A21
  bd 6
  inverter-speed 6
node MET-MAST-NORTH
  address 0013A20041C7F400
  network 1400
node GW-1
  address 0013A20041C7F401
  network 1401
)");
    const CliResult run = runCli({"check", "--all", "--sim", "--scenario", field, "--json"});
    ASSERT_TRUE(run.jsonValid) << run.out;
    EXPECT_EQ(run.exitCode, 0);
    ASSERT_EQ(run.json.at("turbines").size(), 1u);
    EXPECT_EQ(run.json.at("turbines")[0].at("node").at("name"), "QOR123-7654321");
    std::vector<std::string> unnumbered;
    for (const Json& node : run.json.at("nodes")) {
        if (node.at("turbine").is_null()) unnumbered.push_back(node.at("name"));
    }
    EXPECT_EQ(unnumbered, (std::vector<std::string>{"MET-MAST-NORTH", "GW-1"}));
    // Remote commands and transmit requests (the inverter's query) carry their destination
    // after the type and the frame id.
    const Bytes turbine = testsupport::hex("00 13 A2 00 41 C7 F3 21");
    constexpr std::uint8_t kTransmitRequest = 0x10;
    constexpr std::size_t kDestinationAt = 5;
    std::size_t addressed = 0;
    for (const auto& write : run.writes) {
        const Bytes& b = write.bytes;
        if (b.size() <= kRemoteLettersAt ||
            (b[kTypeAt] != kRemoteCommand && b[kTypeAt] != kTransmitRequest))
            continue;
        ++addressed;
        EXPECT_EQ(Bytes(b.begin() + kDestinationAt, b.begin() + kDestinationAt + 8), turbine);
    }
    EXPECT_GT(addressed, 1u);

    const CliResult text = runCli({"check", "--all", "--sim", "--scenario", field});
    EXPECT_NE(text.out.find("Not checked, as their names carry no turbine number: "
                            "MET-MAST-NORTH, GW-1.\n"),
              std::string::npos)
        << text.out;
}

TEST(ScanTest, ListsEachNodeInReachOnce) {
    const CliResult run = runCli({"scan", "--sim", "--json"});
    ASSERT_TRUE(run.jsonValid) << run.out;
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.json.at("outcome"), "listed");
    const Json& nodes = run.json.at("nodes");
    ASSERT_EQ(nodes.size(), 5u);
    for (const Json& node : nodes) {
        const std::string name = node.at("name");
        EXPECT_EQ(node.at("turbine"), std::stoll(name.substr(7)));
        EXPECT_EQ(node.at("address"), "0013A20041C7F" + name.substr(11));
    }
    // Two of them announce themselves after "cb" as well as answering discovery.
    std::int64_t reports = 0;
    for (const Json& node : nodes) reports += node.at("reports").get<std::int64_t>();
    EXPECT_EQ(reports, 7);
    EXPECT_EQ(run.remoteChanges(), std::vector<std::string>{});
}

TEST(ScanTest, TableForPeople) {
    const CliResult run = runCli({"scan", "--sim"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find("NAME            ADDRESS           NETWORK  TURBINE\n"
                           "QOR123-7654321  0013A20041C7F321  7A21     7654321\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("5 nodes in reach."), std::string::npos);
}

// The inverter's reply comes behind a packet that is no reply, or only after the query's
// wait has run out: either way the inverter answers, and nothing is changed.
TEST(FixCommandTest, AReplyBehindAnotherPacketOrLateStillCounts) {
    const char* const turbine = "node QOR123-7654321\n address 0013A20041C7F321\n network 7A21\n";
    const struct {
        const char* name;
        const char* settings;
    } rows[] = {
        {"refused-first.txt", " reply-chunk 3\n fault packet-before-reply\n"},
        {"slow-inverter.txt", " inverter-delay 1830\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string field = writeTempFile(row.name, std::string(turbine) + row.settings);
        const CliResult run = runCli({"fix", "7654321", "--json", "--sim", "--scenario", field});
        ASSERT_TRUE(run.jsonValid) << run.out;
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.json.at("outcome"), "speed-correct");
        EXPECT_EQ(statusTexts(run.json.at("statuses")),
                  (std::vector<std::string>{"Scanning", "Communication speed is correct."}));
        // "cb" 2, "ND", the "bd" read, one transmission of the query.
        ASSERT_EQ(run.writes.size(), 4u);
        EXPECT_EQ(run.writes[2].bytes,
                  testsupport::hex("7E 00 0F 17 03 00 13 A2 00 41 C7 F3 21 7A 21 00 62 64 B3"));
        EXPECT_EQ(run.writes[3].bytes[kTypeAt], 0x10);
    }
}

// Four turbines whose radios answer discovery a second apart; 7654321's inverter does not
// answer at its radio's setting.
const char* const kSpreadAnswers = R"(
node QOR123-7654318
  address 0013A20041C7F318
  network 1318
  nd-delay 400
node QOR123-7654321
  address 0013A20041C7F321
  network 7A21
  inverter-speed 6
  nd-delay 1400
node QOR123-7654325
  address 0013A20041C7F325
  network 1325
  nd-delay 2400
node QOR123-7654330
  address 0013A20041C7F330
  network 1330
  nd-delay 3400
)";

// "cb" 2, the pause, then the discovery time: what a search listens for at least when it
// must hear every radio, or has not heard its turbine.
constexpr std::int64_t kWholeSearchMs = 800 + 8800;

// Answers a second apart are all heard: a survey checks every turbine, and a turbine whose
// radio answers after a gap is found; one that never answers is reported missing only once
// the discovery time is over.
TEST(SearchTest, HearsRadiosThatAnswerLate) {
    const struct {
        std::vector<std::string> args;
        int exitCode;
        std::size_t nodes;
        std::size_t checked;
        std::int64_t atLeastMs;
    } rows[] = {
        {{"check", "--all"}, 6, 4, 4, kWholeSearchMs},   {{"scan"}, 0, 4, 0, kWholeSearchMs},
        {{"check", "7654330"}, 0, 4, 0, 800 + 3400},     {{"fix", "7654325"}, 0, 3, 0, 800 + 2400},
        {{"check", "1234567"}, 3, 4, 0, kWholeSearchMs},
    };
    const std::string field = writeTempFile("spread-answers.txt", kSpreadAnswers);
    for (const auto& row : rows) {
        std::vector<std::string> args = row.args;
        SCOPED_TRACE(args.back());
        args.insert(args.end(), {"--json", "--sim", "--scenario", field});
        const CliResult run = runCli(args);
        ASSERT_TRUE(run.jsonValid) << run.out;
        EXPECT_EQ(run.exitCode, row.exitCode);
        EXPECT_EQ(run.json.at("nodes").size(), row.nodes);
        EXPECT_GE(run.json.at("durationMs"), row.atLeastMs);
        EXPECT_EQ(run.remoteChanges(), std::vector<std::string>{});
        const Json& turbines = run.json.at("turbines");
        ASSERT_EQ(turbines.size(), row.checked);
        for (const Json& turbine : turbines) {
            const bool broken = turbine.at("node").at("name") == "QOR123-7654321";
            EXPECT_EQ(turbine.at("outcome"), broken ? "unable-to-comm" : "speed-correct");
        }
    }
}

// Forty radios answer discovery at the same moment: far more than one read takes, so the
// reads cut answers in two.
TEST(ScanTest, ListsFortyRadiosThatAnswerAtOnce) {
    std::string text;
    for (int i = 0; i < 40; ++i) {
        char node[160];
        std::snprintf(node, sizeof node,
                      "node QOR123-76500%02d\n address 0013A200400000%02X\n network 10%02X\n"
                      " nd-delay 500\n",
                      i, i, i);
        text += node;
    }
    const CliResult run =
        runCli({"scan", "--json", "--sim", "--scenario", writeTempFile("forty.txt", text)});
    ASSERT_TRUE(run.jsonValid) << run.out;
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.json.at("nodes").size(), 40u);
    EXPECT_EQ(run.err, "");
}

// Not found: said so, with what did answer, and nothing sent to any remote radio.
TEST(FixCommandTest, TurbineNotFoundListsWhatAnswered) {
    const CliResult json = runCli({"fix", "1234567", "--sim", "--json"});
    ASSERT_TRUE(json.jsonValid);
    EXPECT_EQ(json.exitCode, 3);
    EXPECT_EQ(json.json.at("outcome"), "not-found");
    EXPECT_TRUE(json.json.at("node").is_null());
    EXPECT_EQ(json.json.at("nodes").size(), 5u);
    for (const auto& write : json.writes) EXPECT_NE(write.bytes[kTypeAt], kRemoteCommand);

    const CliResult text = runCli({"fix", "1234567", "--sim"});
    EXPECT_EQ(text.exitCode, 3);
    EXPECT_NE(text.out.find("Turbine 1234567 not found. The nodes that answered:\nNAME"),
              std::string::npos)
        << text.out;
}

// Ctrl-C ends the run as closing the dialog does: whatever it interrupts, nothing is
// written to the radio after it.
TEST(InterruptTest, NothingIsWrittenAfterCtrlC) {
    struct Case {
        const char* when;
        std::int64_t atMs;
        std::vector<std::string> command = {"fix", "7654321"};
    };
    // On the built-in field: discovery; the first inverter test; the wait after "fr"; the
    // discovery of a scan, and one listening on for a turbine not heard by the first gap.
    for (const Case& c : {Case{"searching", 1500}, Case{"testing", 4000},
                          Case{"waiting for the radio", 12000}, Case{"scanning", 1500, {"scan"}},
                          Case{"listening for a missing turbine", 5000, {"check", "1234567"}}}) {
        SCOPED_TRACE(c.when);
        InterruptingClock clock(c.atMs);
        std::size_t written = 0;
        std::size_t writtenBeforeSignal = 0;
        clock.beforeRaise = [&] { writtenBeforeSignal = written; };
        std::vector<std::string> args = c.command;
        args.insert(args.end(), {"--sim", "--json"});
        const CliResult run = runCli(
            args, [&](const Bytes&) { ++written; }, &clock);
        ASSERT_TRUE(run.jsonValid) << run.out;
        EXPECT_EQ(run.exitCode, 130);
        EXPECT_EQ(run.json.at("outcome"), "interrupted");
        EXPECT_GT(writtenBeforeSignal, 0u);
        EXPECT_EQ(run.writes.size(), writtenBeforeSignal);
        // Ended within a read time-out of the signal, not at the end of the wait.
        EXPECT_LT(run.json.at("durationMs"), c.atMs + 100);
    }
    // The handler is gone with the run: SIGINT has its own action again.
    EXPECT_EQ(std::signal(SIGINT, SIG_DFL), SIG_DFL);
}

// A Ctrl-C after the fix has decided to write "bd" but before the frame goes out: the
// report lists nothing as written, and nothing is.
TEST(InterruptTest, AValueCutOffBeforeItsFrameIsNotReported) {
    const CliResult whole = runCli({"fix", "7654321", "--sim", "--json"});
    ASSERT_TRUE(whole.jsonValid) << whole.out;
    std::int64_t configuringMs = -1;
    for (const Json& status : whole.json.at("statuses")) {
        if (status.at("text") == "Configuring alt speed") configuringMs = status.at("atMs");
    }
    std::int64_t firstChangeMs = -1;
    for (const auto& write : whole.writes) {
        if (write.bytes.size() > kTypeAt && write.bytes[kTypeAt] == kRemoteCommand &&
            write.atMs > configuringMs) {
            firstChangeMs = write.atMs;
            break;
        }
    }
    ASSERT_GE(configuringMs, 0);
    ASSERT_GT(firstChangeMs, configuringMs + 1);

    InterruptingClock clock(configuringMs + 1);
    const CliResult cut = runCli({"fix", "7654321", "--sim", "--json"}, {}, &clock);
    ASSERT_TRUE(cut.jsonValid) << cut.out;
    EXPECT_EQ(cut.json.at("outcome"), "interrupted");
    EXPECT_EQ(cut.remoteChanges(), std::vector<std::string>{});
    EXPECT_TRUE(cut.json.at("bdWritten").empty());

    InterruptingClock textClock(configuringMs + 1);
    const CliResult text = runCli({"fix", "7654321", "--sim"}, {}, &textClock);
    EXPECT_NE(text.out.find("Interrupted; nothing was written."), std::string::npos) << text.out;
}

}  // namespace
