// Runs recorded with the program on the simulated field, then replayed: the program again,
// without the field, its radio the recording.
#include <sstream>

#include "CliRig.h"
#include "sim/Replay.h"
#include "sim/ReplayReport.h"

namespace clitest {
namespace {

// Lends a driver to the program, which owns the drivers it is given.
class LentDriver final : public transport::Driver {
public:
    explicit LentDriver(transport::Driver& inner) : inner_(inner) {}
    transport::DriverError open(int index, transport::DeviceHandle* handle) override {
        return inner_.open(index, handle);
    }
    transport::DriverError close(transport::DeviceHandle handle) override {
        return inner_.close(handle);
    }
    transport::DriverError read(transport::DeviceHandle handle, void* buffer, std::uint32_t wanted,
                                std::uint32_t* got) override {
        return inner_.read(handle, buffer, wanted, got);
    }
    transport::DriverError write(transport::DeviceHandle handle, const void* buffer,
                                 std::uint32_t count, std::uint32_t* written) override {
        return inner_.write(handle, buffer, count, written);
    }
    transport::DriverError setBaudRate(transport::DeviceHandle handle,
                                       std::uint32_t baud) override {
        return inner_.setBaudRate(handle, baud);
    }
    transport::DriverError setDataCharacteristics(transport::DeviceHandle handle, std::uint8_t word,
                                                  std::uint8_t stop, std::uint8_t parity) override {
        return inner_.setDataCharacteristics(handle, word, stop, parity);
    }
    transport::DriverError setFlowControl(transport::DeviceHandle handle, std::uint16_t flow,
                                          std::uint8_t xon, std::uint8_t xoff) override {
        return inner_.setFlowControl(handle, flow, xon, xoff);
    }
    transport::DriverError setTimeouts(transport::DeviceHandle handle, std::uint32_t readMs,
                                       std::uint32_t writeMs) override {
        return inner_.setTimeouts(handle, readMs, writeMs);
    }

private:
    transport::Driver& inner_;
};

struct Replayed {
    int exitCode = -1;
    std::string out;
    std::string err;
    std::vector<Bytes> writes;
    sim::ReplayResult result;
};

Replayed replayCli(const std::vector<std::string>& args, const std::string& recording) {
    Replayed replayed;
    transport::VirtualClock clock;
    std::string error;
    const std::unique_ptr<sim::Replay> replay = sim::openReplay(recording, clock, error);
    EXPECT_TRUE(replay) << error;
    if (!replay) return replayed;
    replay->device().setRecording(true);
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    cli::Context context;
    context.out = out;
    context.err = err;
    context.clock = &clock;
    context.drivers = [&] {
        std::vector<std::unique_ptr<transport::Driver>> drivers;
        for (const sim::ReplayDriver& driver : replay->drivers())
            drivers.push_back(std::make_unique<LentDriver>(*driver.driver));
        return drivers;
    };
    replayed.exitCode = cli::runProgram(args, context);
    replayed.out = readAll(out);
    replayed.err = readAll(err);
    std::fclose(out);
    std::fclose(err);
    for (const transport::WriteRecord& write : replay->device().writes())
        replayed.writes.push_back(write.bytes);
    replayed.result = replay->finish();
    return replayed;
}

std::vector<Bytes> bytesOf(const std::vector<transport::WriteRecord>& writes) {
    std::vector<Bytes> bytes;
    for (const transport::WriteRecord& write : writes) bytes.push_back(write.bytes);
    return bytes;
}

std::string scenario(const char* file) { return std::string(QOR_SCENARIO_DIR) + "/" + file; }

// The options that put the program in front of the field in a scenario file.
std::vector<std::string> onField(const std::string& path) { return {"--sim", "--scenario", path}; }

// The dongle pulled out while the fix tests the inverter: the run ends with the dongle named
// as disconnected.
const char* const kPulledDongle =
    "device vanishes-at 5000\n"
    "node QOR123-7654321\n  address 0013A20041C7F321\n  network 7A21\n  inverter-speed 6\n";

struct RunCase {
    const char* name;
    std::vector<std::string> args;
    std::vector<std::string> field;  // the options of the field the run is recorded on
    int exitCode;
    std::string scenarioText = "";  // else a scenario of this text
};

void PrintTo(const RunCase& c, std::ostream* os) { *os << c.name; }

class ReplayRunTest : public ::testing::TestWithParam<RunCase> {};

TEST_P(ReplayRunTest, ReplaysToTheSameOutputFramesAndExitCode) {
    const RunCase& c = GetParam();
    const std::string trace = tempPath(std::string(c.name) + ".trace");
    std::vector<std::string> recordArgs = c.args;
    const std::vector<std::string> field =
        c.scenarioText.empty() ? c.field
                               : onField(writeTempFile("replay-scenario.txt", c.scenarioText));
    recordArgs.insert(recordArgs.end(), field.begin(), field.end());
    recordArgs.push_back("--trace");
    recordArgs.push_back(trace);
    const CliResult recorded = runCli(recordArgs);
    ASSERT_EQ(recorded.exitCode, c.exitCode) << recorded.err;

    const Replayed replayed = replayCli(c.args, trace);
    EXPECT_EQ(replayed.result.kind, sim::ReplayResult::Kind::Matched)
        << sim::describeReplay(replayed.result);
    EXPECT_EQ(replayed.exitCode, recorded.exitCode);
    EXPECT_EQ(replayed.out, recorded.out);
    EXPECT_EQ(replayed.err, recorded.err);
    EXPECT_EQ(replayed.writes, bytesOf(recorded.writes));
    // Writes to a device that is gone count too: one frame to each tx line.
    const std::string text = readFile(trace);
    std::size_t txLines = 0;
    for (std::size_t at = 0; (at = text.find(" tx 7E", at)) != std::string::npos; ++at) ++txLines;
    EXPECT_EQ(replayed.result.framesMatched, txLines);
    EXPECT_TRUE(replayed.result.hasRecordedOutcome);
    EXPECT_EQ(replayed.result.recordedOutcome.exitCode, recorded.exitCode);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, ReplayRunTest,
    ::testing::Values(
        RunCase{"FixOnTheBuiltInField", {"fix", "7654321"}, {"--sim"}, 0},
        RunCase{"Scan", {"scan"}, {"--sim"}, 0},
        RunCase{"CrowdedField", {"fix", "7654321"}, onField(scenario("crowded-field.txt")), 0},
        RunCase{"FailedQuery", {"fix", "7654321"}, onField(scenario("failed-query.txt")), 4},
        RunCase{"LostLink", {"fix", "7654321"}, onField(scenario("lost-link.txt")), 5},
        RunCase{"NoRadio", {"fix", "7654321"}, onField(scenario("no-radio.txt")), 1},
        RunCase{"PulledDongle", {"fix", "7654321"}, {}, 1, kPulledDongle}),
    [](const auto& p) { return std::string(p.param.name); });

// The recording's lines, each with its line end.
std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line + "\n");
    return lines;
}

std::string joined(const std::vector<std::string>& lines, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count && i < lines.size(); ++i) text += lines[i];
    return text;
}

class EditedRecordingTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string trace = tempPath("replay-edited.trace");
        ASSERT_EQ(runCli({"fix", "7654321", "--sim", "--trace", trace}).exitCode, 0);
        lines_ = linesOf(readFile(trace));
        // The first "bd" query to the target's radio.
        for (std::size_t i = 0; i < lines_.size() && query_ == 0; ++i) {
            if (lines_[i].find(" tx 7E 00 0F 17 03 00 13 A2 00 41 C7 F3 21 7A 21 00 62 64 B3") !=
                std::string::npos)
                query_ = i + 1;
        }
        ASSERT_NE(query_, 0u);
    }

    std::vector<std::string> lines_;
    std::size_t query_ = 0;  // its line number
};

TEST_F(EditedRecordingTest, AOneByteChangeInAWrittenLineIsADivergenceThere) {
    std::string& line = lines_[query_ - 1];
    line.replace(line.find("F3 21 7A 21"), 11, "F3 22 7A 21");
    const std::string path = writeTempFile("replay-one-byte.trace", joined(lines_, lines_.size()));

    const Replayed replayed = replayCli({"fix", "7654321"}, path);
    EXPECT_EQ(replayed.result.kind, sim::ReplayResult::Kind::Diverged);
    EXPECT_EQ(replayed.result.line, query_);
    EXPECT_EQ(testsupport::hexOf(replayed.result.written),
              "7E 00 0F 17 03 00 13 A2 00 41 C7 F3 21 7A 21 00 62 64 B3");
    EXPECT_EQ(testsupport::hexOf(replayed.result.expected),
              "7E 00 0F 17 03 00 13 A2 00 41 C7 F3 22 7A 21 00 62 64 B3");
    EXPECT_NE(sim::describeReplay(replayed.result)
                  .find("diverged at line " + std::to_string(query_) + " of the recording"),
              std::string::npos);
}

TEST_F(EditedRecordingTest, ARecordingCutOffEndsEarly) {
    const std::string path = writeTempFile("replay-cut.trace", joined(lines_, query_));
    const Replayed replayed = replayCli({"fix", "7654321"}, path);
    EXPECT_EQ(replayed.result.kind, sim::ReplayResult::Kind::EndedEarly);
    EXPECT_EQ(replayed.result.line, query_);
}

// The summary of a run the replay stopped says where the replay left off: no user
// interrupted it.
TEST(ReplaySummaryTest, NamesTheReplayAsWhatStoppedTheRun) {
    const std::pair<const char*, const char*> cases[] = {
        {"one-byte-changed", "Stopped where the run left the recording. ("},
        {"cut-off", "Stopped where the recording ends. ("},
    };
    for (const auto& [recording, says] : cases) {
        const std::string path = std::string(QOR_RECORDING_DIR) + "/" + recording + ".trace";
        const CliResult run = runCli({"fix", "7654321", "--replay", path});
        EXPECT_NE(run.out.find(says), std::string::npos) << run.out;
    }
}

}  // namespace
}  // namespace clitest
