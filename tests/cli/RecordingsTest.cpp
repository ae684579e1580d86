// The recordings of tests/recordings/: runs recorded from the simulated field, each replayed
// with the program as it is now, which must write every frame as recorded and end as the
// recorded run did; and two recordings edited by hand, which it must catch.
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "CliRig.h"

namespace clitest {
namespace {

const std::string kFolder = QOR_RECORDING_DIR;

struct Recording {
    std::string name;
    int exitCode = -1;
    std::string field;  // "edited": changed by hand
    std::vector<std::string> command;
};

void PrintTo(const Recording& r, std::ostream* os) { *os << r.name; }

// The folder's list: "<name> <exit code> <field> <command ...>", "#" comments.
std::vector<Recording> listed() {
    std::vector<Recording> recordings;
    std::ifstream in(kFolder + "/recordings.txt");
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        Recording r;
        words >> r.name >> r.exitCode >> r.field;
        for (std::string word; words >> word;) r.command.push_back(word);
        recordings.push_back(r);
    }
    return recordings;
}

std::vector<Recording> recorded() {
    std::vector<Recording> all = listed();
    std::erase_if(all, [](const Recording& r) { return r.field == "edited"; });
    return all;
}

CliResult replay(const Recording& r) {
    std::vector<std::string> args = r.command;
    for (const char* word : {"--replay", "", "--json"}) args.push_back(word);
    args[args.size() - 2] = kFolder + "/" + r.name + ".trace";
    return runCli(args);
}

class RecordingTest : public ::testing::TestWithParam<Recording> {};

TEST_P(RecordingTest, ReplaysToTheRecordedEnd) {
    const Recording& r = GetParam();
    const CliResult run = replay(r);
    ASSERT_TRUE(run.jsonValid) << run.out << run.err;
    const Json& check = run.json.at("replay");
    EXPECT_EQ(check.at("verdict"), "matched") << run.err;
    EXPECT_EQ(run.exitCode, r.exitCode) << run.err;
    EXPECT_EQ(check.at("recordedExitCode"), r.exitCode);
    EXPECT_EQ(check.at("recordedOutcome"), run.json.at("outcome"));
    EXPECT_NE(run.err.find(", as this one.\n"), std::string::npos) << run.err;
    EXPECT_FALSE(run.fieldMade);  // the recording alone stood for the radio
}

INSTANTIATE_TEST_SUITE_P(Recordings, RecordingTest, ::testing::ValuesIn(recorded()),
                         [](const auto& p) {
                             std::string name = p.param.name;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

// Every recording in the folder is listed, with a command, and every listed one is there.
TEST(RecordingsTest, TheListAndTheFolderAgree) {
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(kFolder)) {
        if (entry.path().extension() == ".trace") files.insert(entry.path().stem().string());
    }
    std::set<std::string> names;
    for (const Recording& r : listed()) {
        EXPECT_FALSE(r.command.empty()) << r.name;
        names.insert(r.name);
    }
    EXPECT_EQ(files, names);
    EXPECT_GE(names.size(), 12u);
}

// The two recordings edited by hand from speed-fixed: the run must not take either for the
// field it came from.
TEST(RecordingsTest, EditedRecordingsAreCaught) {
    struct Case {
        const char* name;
        int exitCode;
        const char* verdict;
        const char* outcome;  // the run's own
        int line;
        const char* says;
        const char* recorded;  // the frame the recording holds; null: none
        const char* written;   // the frame the run wrote
    };
    const Case cases[] = {
        {"one-byte-changed", 9, "diverged", "interrupted", 24,
         "Replay: diverged at line 24 of the recording, after 2 frames written as recorded:\n"
         "  recorded: 7E 00 0F 17 03 00 13 A2 00 41 C7 F3 22 7A 21 00 62 64 B3\n"
         "            remote command (17), frame id 3, to 0013A20041C7F322 7A21, \"bd\", "
         "checksum wrong\n"
         "  written:  7E 00 0F 17 03 00 13 A2 00 41 C7 F3 21 7A 21 00 62 64 B3\n"
         "            remote command (17), frame id 3, to 0013A20041C7F321 7A21, \"bd\"\n",
         "7E 00 0F 17 03 00 13 A2 00 41 C7 F3 22 7A 21 00 62 64 B3",
         "7E 00 0F 17 03 00 13 A2 00 41 C7 F3 21 7A 21 00 62 64 B3"},
        {"cut-off", 10, "ended-early", "interrupted", 24,
         "Replay: the recording ended at line 24 while the run went on; 3 frames written as "
         "recorded.\n",
         nullptr, nullptr},
    };
    const std::vector<Recording> all = listed();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto r = std::find_if(all.begin(), all.end(),
                                    [&](const Recording& each) { return each.name == c.name; });
        ASSERT_NE(r, all.end());
        EXPECT_EQ(r->exitCode, c.exitCode);
        const CliResult run = replay(*r);
        ASSERT_TRUE(run.jsonValid) << run.out;
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.json.at("exitCode"), c.exitCode);
        const Json& check = run.json.at("replay");
        EXPECT_EQ(check.at("verdict"), c.verdict);
        EXPECT_EQ(check.at("line"), c.line);
        EXPECT_EQ(run.err, c.says);
        if (c.recorded) {
            EXPECT_EQ(check.at("recorded").at("bytes"), c.recorded);
            EXPECT_EQ(check.at("written").at("bytes"), c.written);
        } else {
            EXPECT_TRUE(check.at("recorded").is_null());
        }
        // Diverged: stopped there rather than left to wait out its time-outs; cut off: the
        // answer to the last recorded write never came.
        EXPECT_EQ(run.json.at("outcome"), c.outcome);
        EXPECT_TRUE(run.json.at("bdWritten").empty());
    }
}

}  // namespace
}  // namespace clitest
