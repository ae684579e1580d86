#pragma once

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "KeptReports.h"
#include "ReadAll.h"
#include "cli/Program.h"
#include "sim/SimulatedField.h"
#include "tests/support/Bytes.h"
#include "transport/Clock.h"
#include "transport/SimulatedDevice.h"

namespace clitest {

using testsupport::Bytes;
using Json = nlohmann::json;

// Frames the tool writes: 7E, length, type; a remote command goes on with its frame id, the
// ten address bytes, the options byte, then its letters and any parameter.
inline constexpr std::size_t kTypeAt = 3;
inline constexpr std::uint8_t kRemoteCommand = 0x17;
inline constexpr std::size_t kRemoteLettersAt = 16;
inline constexpr std::size_t kRemoteFrameWithoutParameter = kRemoteLettersAt + 3;

// Stands between the simulated device and its field: keeps every write, with its time, and
// may act at one, in the middle of the run.
class WriteLog final : public transport::DevicePeer {
public:
    void attach(sim::SimulatedField& field) {
        field_ = &field;
        field.device().setPeer(this);
    }
    void onWrite(transport::ByteView bytes, std::int64_t nowMs,
                 transport::DeviceLine& line) override {
        writes.push_back({nowMs, Bytes(bytes.begin(), bytes.end())});
        field_->field().onWrite(bytes, nowMs, line);
        if (afterWrite) afterWrite(writes.back().bytes);
    }
    // What the field sends unasked still reaches the line.
    void onTime(std::int64_t untilMs, transport::DeviceLine& line) override {
        field_->field().onTime(untilMs, line);
    }

    std::vector<transport::WriteRecord> writes;
    std::function<void(const Bytes&)> afterWrite;

private:
    sim::SimulatedField* field_ = nullptr;
};

// Virtual time that raises a signal, SIGINT as Ctrl-C would by default, once it has passed
// a moment; as many times in a row as asked.
class InterruptingClock final : public transport::Clock {
public:
    explicit InterruptingClock(std::int64_t atMs, int signal = SIGINT, int times = 1)
        : atMs_(atMs), signal_(signal), times_(times) {}
    std::int64_t nowMs() const override { return time_.nowMs(); }
    void sleepFor(std::int64_t ms) override {
        time_.sleepFor(ms);
        if (!raised_ && time_.nowMs() >= atMs_) {
            raised_ = true;
            if (beforeRaise) beforeRaise();
            for (int i = 0; i < times_; ++i) std::raise(signal_);
        }
    }
    std::function<void()> beforeRaise;

private:
    transport::VirtualClock time_;
    const std::int64_t atMs_;
    const int signal_;
    const int times_;
    bool raised_ = false;
};

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
    std::vector<transport::WriteRecord> writes;
    Json json;  // with --json
    bool jsonValid = false;
    bool fieldMade = false;  // with --sim: the radio was there to be opened

    // Remote command frames that change the radio: a "bd" with its value, "wr", "fr".
    std::vector<std::string> remoteChanges() const {
        std::vector<std::string> changes;
        for (const auto& write : writes) {
            const Bytes& b = write.bytes;
            if (b.size() <= kRemoteLettersAt + 1 || b[kTypeAt] != kRemoteCommand) continue;
            const std::string letters{static_cast<char>(b[kRemoteLettersAt]),
                                      static_cast<char>(b[kRemoteLettersAt + 1])};
            if (letters == "bd" && b.size() == kRemoteFrameWithoutParameter) continue;  // a read
            if (letters == "db") continue;
            changes.push_back(b.size() > kRemoteFrameWithoutParameter
                                  ? letters + " " + std::to_string(b[kRemoteLettersAt + 2])
                                  : letters);
        }
        return changes;
    }
};

inline std::string readFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return {};
    std::string text = readAll(file);
    std::fclose(file);
    return text;
}

// A file name in the temporary folder that belongs to the running test alone: ctest runs tests
// side by side, and two that share a name would read each other's half-written files.
inline std::string tempPath(const std::string& name) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string owner = test ? std::string(test->test_suite_name()) + "." + test->name() : "";
    for (char& c : owner)
        if (c == '/') c = '_';
    return ::testing::TempDir() + owner + "-" + name;
}

inline std::string writeTempFile(const std::string& name, const std::string& text) {
    const std::string path = tempPath(name);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
    return path;
}

// The program on the arguments, in this process, on virtual time unless given a clock.
// afterWrite runs after each frame the tool writes to the simulated device; listPorts, when
// given, is the system's list of devices.
inline CliResult runCli(const std::vector<std::string>& args,
                        std::function<void(const Bytes&)> afterWrite = {},
                        transport::Clock* clock = nullptr,
                        std::function<transport::PortListing()> listPorts = {}) {
    transport::VirtualClock virtualTime;
    WriteLog log;
    log.afterWrite = std::move(afterWrite);
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    cli::Context context;
    context.out = out;
    context.err = err;
    context.clock = clock ? clock : &virtualTime;
    CliResult result;
    context.onSimulatedField = [&](sim::SimulatedField& field) {
        result.fieldMade = true;
        log.attach(field);
    };
    // The radio dongle is never reached from a test: no run here goes without --sim.
    context.drivers = [] { return std::vector<std::unique_ptr<transport::Driver>>{}; };
    // Nor is the system's list of devices read.
    context.listPorts = listPorts ? std::move(listPorts) : [] { return transport::PortListing{}; };

    result.exitCode = cli::runProgram(args, context);
    result.out = readAll(out);
    result.err = readAll(err);
    std::fclose(out);
    std::fclose(err);
    result.writes = log.writes;
    result.json = Json::parse(result.out, nullptr, false);
    result.jsonValid = !result.json.is_discarded();
    if (std::find(args.begin(), args.end(), "--json") != args.end()) keepReport(result.out);
    return result;
}

}  // namespace clitest
