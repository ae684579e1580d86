#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CliRig.h"
#include "sim/Scenario.h"
#include "tests/support/AddressedFrames.h"

using namespace clitest;
using testsupport::AddressedFrame;
using testsupport::addressedFrames;
using testsupport::destinationsOf;

// The command-line program in fields where a name would mislead, and with a dongle that
// fails: which frames go to which radio, and how each run ends.
namespace {

constexpr std::uint64_t kTurbine = 0x0013A20041C7F321;
constexpr std::uint64_t kTwin = 0x0013A20041C70917;

// A radio whose name carries the turbine's number too, with an inverter that answers at its
// radio's setting.
std::string twin(const std::string& more) {
    return "\nnode WT-09-17654321\n  address 0013A20041C70917\n  network 0917\n  bd 4\n"
           "  inverter-speed 4\n" +
           more;
}

// The built-in field, with a line added to its turbine's settings.
std::string builtInTurbineWith(const std::string& line) {
    std::string text = sim::kDefaultFieldText;
    const std::string anchor = "  reply-word 0x0321\n";
    text.insert(text.find(anchor) + anchor.size(), "  " + line + "\n");
    return text;
}

std::string fieldFile(const std::string& name, const std::string& text) {
    return writeTempFile(name, text);
}

std::vector<std::string> statusTexts(const Json& statuses) {
    std::vector<std::string> texts;
    for (const Json& status : statuses) texts.push_back(status.at("text"));
    return texts;
}

std::vector<std::uint64_t> all(std::uint64_t address, std::size_t count) {
    return std::vector<std::uint64_t>(count, address);
}

// A second radio carrying the turbine's number announces itself all through the fix: the
// fix writes what it writes without it, every frame to the turbine.
TEST(IdentityTest, ATwinAnnouncingDuringTheFixChangesNothing) {
    const std::string field = fieldFile(
        "twin-during-fix.txt",
        sim::kDefaultFieldText + twin("  discoverable no\n  announces-every 700 from fix\n"));
    const CliResult plain = runCli({"fix", "7654321", "--sim", "--json"});
    const CliResult crowded = runCli({"fix", "7654321", "--sim", "--scenario", field, "--json"});
    ASSERT_TRUE(plain.jsonValid && crowded.jsonValid) << crowded.out;
    EXPECT_EQ(crowded.exitCode, 0);
    EXPECT_EQ(crowded.json.at("outcome"), "speed-fixed");
    EXPECT_EQ(statusTexts(crowded.json.at("statuses")), statusTexts(plain.json.at("statuses")));
    const std::vector<AddressedFrame> frames = addressedFrames(crowded.writes);
    EXPECT_EQ(frames, addressedFrames(plain.writes));
    EXPECT_EQ(destinationsOf(frames), all(kTurbine, frames.size()));
    // The twin was heard, as another node.
    bool heard = false;
    for (const Json& node : crowded.json.at("nodes"))
        heard = heard || node.at("address") == "0013A20041C70917";
    EXPECT_TRUE(heard);
    EXPECT_EQ(crowded.json.at("node").at("address"), "0013A20041C7F321");
}

struct RadioCase {
    std::vector<std::string> args;
    int exitCode;
    const char* outcome;  // null: a usage error, without a report
    std::uint64_t radio;  // where every remote frame went; 0: none went out
};

// Two radios answer the search as 7654321: nothing is chosen or written, and they are
// listed; the exact name or the address then picks one, and only it is written to. A name
// that the strict reading of an ID refuses is no way to pick a radio: its address is.
TEST(IdentityTest, TwoRadiosForOneIdAreNamedByNameOrAddress) {
    const std::string field = fieldFile("two-radios.txt", sim::kDefaultFieldText + twin(""));
    const RadioCase cases[] = {
        {{"fix", "7654321"}, 7, "ambiguous", 0},
        {{"check", "QOR999-7654321"}, 7, "ambiguous", 0},
        {{"fix", "QOR123-7654321"}, 0, "speed-fixed", kTurbine},
        {{"fix", "WT-09-17654321"}, 2, nullptr, 0},
        {{"fix", "--address", "0013A20041C70917"}, 0, "speed-correct", kTwin},
        {{"check", "--address=0013a20041c7f321"}, 6, "unable-to-comm", kTurbine},
        {{"fix", "--address", "0013A20041C7F999"}, 3, "not-found", 0},
    };
    for (const RadioCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--json", "--sim", "--scenario", field});
        const CliResult run = runCli(args);
        EXPECT_EQ(run.exitCode, c.exitCode);
        if (c.outcome) {
            ASSERT_TRUE(run.jsonValid) << run.out;
            EXPECT_EQ(run.json.at("outcome"), c.outcome);
        }
        const std::vector<AddressedFrame> frames = addressedFrames(run.writes);
        EXPECT_EQ(destinationsOf(frames), all(c.radio, c.radio ? frames.size() : 0));
        EXPECT_EQ(frames.empty(), c.radio == 0);
    }

    const CliResult json = runCli({"fix", "7654321", "--sim", "--scenario", field, "--json"});
    ASSERT_TRUE(json.jsonValid) << json.out;
    const Json& candidates = json.json.at("candidates");
    ASSERT_EQ(candidates.size(), 2u);
    EXPECT_EQ(candidates[0].at("name"), "QOR123-7654321");
    EXPECT_EQ(candidates[0].at("address"), "0013A20041C7F321");
    EXPECT_EQ(candidates[1].at("name"), "WT-09-17654321");
    EXPECT_EQ(candidates[1].at("network"), "0917");
    EXPECT_TRUE(json.json.at("node").is_null());

    const CliResult text = runCli({"fix", "7654321", "--sim", "--scenario", field});
    EXPECT_NE(text.out.find("More than one radio answers as turbine 7654321; none was chosen:\n"
                            "NAME            ADDRESS           NETWORK  TURBINE\n"
                            "QOR123-7654321  0013A20041C7F321  7A21     7654321\n"
                            "WT-09-17654321  0013A20041C70917  0917     7654321\n"
                            "Nothing was written. Name one radio by its exact name in quotes "
                            "(qor-comm-fix-cli fix \"QOR123-7654321\") or by its address "
                            "(qor-comm-fix-cli fix --address 0013A20041C7F321)."),
              std::string::npos)
        << text.out;
}

struct GoneCase {
    const char* name;
    const char* device;  // the device lines of the field
    std::vector<std::string> command;
    std::vector<std::string> lastStatuses;
    std::vector<std::string> changes;  // remote changes written
};

// The dongle fails during the run: it is named, with exit code 1, and never taken for the
// turbine's radio going quiet; the program does not wait for it to come back.
TEST(IdentityTest, ADisconnectedDongleIsNamed) {
    const GoneCase cases[] = {
        {"while waiting for the radio",
         "device vanishes-at 11000\ndevice returns-at 14000\n",
         {"fix", "7654321"},
         {"Waiting", "Radio dongle disconnected."},
         {"bd 6", "wr", "fr"}},
        {"during the search", "device vanishes-at 1500\n", {"fix", "7654321"}, {}, {}},
        {"during a scan, which listens to the end", "device vanishes-at 1500\n", {"scan"}, {}, {}},
        {"at the inverter test",
         "device vanishes-at 3000\n",
         {"check", "7654321"},
         {"Scanning", "Radio dongle disconnected."},
         {}},
    };
    for (const GoneCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string field =
            fieldFile("dongle-gone.txt", std::string(c.device) + sim::kDefaultFieldText);
        std::vector<std::string> args = c.command;
        args.insert(args.end(), {"--json", "--sim", "--scenario", field});
        const CliResult run = runCli(args);
        ASSERT_TRUE(run.jsonValid) << run.out;
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.json.at("outcome"), "dongle-disconnected");
        std::vector<std::string> statuses = statusTexts(run.json.at("statuses"));
        if (statuses.size() > c.lastStatuses.size())
            statuses.erase(statuses.begin(), statuses.end() - c.lastStatuses.size());
        EXPECT_EQ(statuses, c.lastStatuses);
        EXPECT_EQ(run.remoteChanges(), c.changes);

        args.resize(c.command.size());
        args.insert(args.end(), {"--sim", "--scenario", field});
        const CliResult text = runCli(args);
        EXPECT_EQ(text.exitCode, 1);
        EXPECT_NE(text.out.find("Radio dongle disconnected."), std::string::npos) << text.out;
        EXPECT_EQ(text.out.find("Lost link."), std::string::npos) << text.out;
    }
}

// After "fr" the wait lasts until the turbine's own radio identifies itself.
TEST(IdentityTest, TheWaitForTheLinkEndsOnlyOnTheTurbinesIdentification) {
    const struct {
        const char* name;
        std::string field;
    } cases[] = {
        {"restart in 5.9 s next to a neighbour announcing every 250 ms",
         builtInTurbineWith("restart 5900") +
             "\nnode QOR123-7654341\n  address 0013A20041C7F341\n  network 0441\n"
             "  announces-every 250\n"},
        {"a late discovery answer right after fr",
         builtInTurbineWith("restart 4000\n  fault nd-answer-after-fr")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string field = fieldFile("wait-for-link.txt", c.field);
        const CliResult run = runCli({"fix", "7654321", "--json", "--sim", "--scenario", field});
        ASSERT_TRUE(run.jsonValid) << run.out;
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.json.at("outcome"), "speed-fixed");
        EXPECT_EQ(run.remoteChanges(), (std::vector<std::string>{"bd 6", "wr", "fr"}));
    }
}

// The radio named exactly as typed answers late, after one that only shares the number: the
// search listens on for it, and the fix goes to it alone.
TEST(IdentityTest, TheRadioNamedAsTypedIsWaitedForPastOneSharingItsNumber) {
    const std::string field = fieldFile("late-exact-name.txt",
                                        "node QOR123-7654321\n  address 0013A20041C7F321\n"
                                        "  network 7A21\n  bd 4\n  inverter-speed 6\n"
                                        "  nd-delay 1400\n" +
                                            twin("  nd-delay 400\n"));
    const CliResult run = runCli({"fix", "QOR123-7654321", "--sim", "--scenario", field, "--json"});
    ASSERT_TRUE(run.jsonValid) << run.out;
    EXPECT_EQ(run.json.at("outcome"), "speed-fixed");
    EXPECT_EQ(run.json.at("node").at("address"), "0013A20041C7F321");
    const std::vector<AddressedFrame> frames = addressedFrames(run.writes);
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(destinationsOf(frames), all(kTurbine, frames.size()));
}

}  // namespace
