// Replay of a long recording: a day at a turbine, polled every 2 s with a remote command
// that its radio answers, while a neighbour streams a received-packet frame every 500 ms.
// The recording is written to a file first; the replay then plays it on virtual time
// against a tool that writes each poll and reads with 20 ms time-outs, as the tool's waits
// do. Reported: recorded seconds replayed per real second, and the process's peak memory,
// which must not grow with the length of the recording (the 1-hour run comes first).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "sim/ApiFrame.h"
#include "sim/Replay.h"
#include "sim/ReplayReport.h"
#include "transport/ByteBuffer.h"

namespace {

constexpr std::int64_t kPollMs = 2000;
constexpr std::int64_t kAnswerMs = 120;
constexpr std::int64_t kChatterMs = 500;
constexpr std::uint32_t kReadTimeoutMs = 20;
constexpr std::uint8_t kTurbine[] = {0x00, 0x13, 0xA2, 0x00, 0x41, 0xC7, 0xF3, 0x21, 0x7A, 0x21};
constexpr std::uint8_t kNeighbour[] = {0x00, 0x13, 0xA2, 0x00, 0x41, 0xC7, 0xF3, 0x18, 0x3C, 0x18};

using Bytes = std::vector<std::uint8_t>;

Bytes frame(std::initializer_list<std::uint8_t> head, const std::uint8_t (&address)[10],
            std::initializer_list<std::uint8_t> tail) {
    transport::ByteBuffer data;
    for (std::uint8_t b : head) data.append(b);
    for (std::uint8_t b : address) data.append(b);
    for (std::uint8_t b : tail) data.append(b);
    transport::ByteBuffer out;
    sim::appendApiFrame(out, data.view());
    return Bytes(out.data(), out.data() + out.length());
}

const Bytes kPoll = frame({0x17, 0x03}, kTurbine, {0x00, 'd', 'b'});
const Bytes kAnswer = frame({0x97, 0x03}, kTurbine, {'d', 'b', 0x00, 0x28});
const Bytes kChatter =
    frame({0x90}, kNeighbour, {0x01, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2A,
                               0x2B, 0x2C, 0x2D, 0x2E, 0x2F, 0x30, 0x31, 0x32, 0x33, 0x34});

void writeBytesLine(std::FILE* file, std::int64_t ms, const char* tag, const Bytes& bytes) {
    std::fprintf(file, "%lld %s", static_cast<long long>(ms), tag);
    for (std::uint8_t byte : bytes) std::fprintf(file, " %02X", byte);
    std::fputc('\n', file);
}

// Written line by line, never held whole.
std::string writeRecording(std::int64_t hours) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("qor-replay-bench-" + std::to_string(hours) + "h.trace"))
                                 .string();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::fprintf(file, "# %lld hours of polls and chatter\n0 note driver 1 open 0: ok\n",
                 static_cast<long long>(hours));
    const std::int64_t endMs = hours * 3600 * 1000;
    for (std::int64_t poll = 0; poll < endMs; poll += kPollMs) {
        writeBytesLine(file, poll, "tx", kPoll);
        writeBytesLine(file, poll + kAnswerMs, "rx", kAnswer);
        for (std::int64_t at = poll + kChatterMs; at < poll + kPollMs; at += kChatterMs)
            writeBytesLine(file, at, "rx", kChatter);
    }
    std::fprintf(file, "%lld note outcome speed-correct, exit code 0\n",
                 static_cast<long long>(endMs));
    std::fclose(file);
    return path;
}

long peakMemoryKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void replayOfADay(benchmark::State& state) {
    const std::int64_t hours = state.range(0);
    const std::string path = writeRecording(hours);
    const std::int64_t endMs = hours * 3600 * 1000;
    std::uint64_t bytesRead = 0;
    for (auto _ : state) {
        transport::VirtualClock clock;
        std::string error;
        const auto replay = sim::openReplay(path, clock, error);
        if (!replay) {
            state.SkipWithError(error.c_str());
            return;
        }
        transport::Driver& device = *replay->drivers().front().driver;
        transport::DeviceHandle handle = nullptr;
        device.open(0, &handle);
        device.setTimeouts(handle, kReadTimeoutMs, 0);
        std::uint8_t buffer[512];
        for (std::int64_t poll = 0; poll < endMs; poll += kPollMs) {
            clock.sleepUntil(poll);
            std::uint32_t count = 0;
            device.write(handle, kPoll.data(), static_cast<std::uint32_t>(kPoll.size()), &count);
            while (clock.nowMs() < poll + kPollMs) {
                device.read(handle, buffer, sizeof buffer, &count);
                bytesRead += count;
            }
        }
        device.close(handle);
        const sim::ReplayResult result = replay->finish();
        if (result.kind != sim::ReplayResult::Kind::Matched) {
            state.SkipWithError(sim::describeReplay(result).c_str());
            return;
        }
    }
    std::remove(path.c_str());
    state.counters["recorded_s_per_s"] =
        benchmark::Counter(static_cast<double>(hours * 3600), benchmark::Counter::kIsRate);
    state.counters["peak_rss_kb"] = static_cast<double>(peakMemoryKb());
    state.counters["bytes_read"] = static_cast<double>(bytesRead);
}

BENCHMARK(replayOfADay)
    ->Arg(1)
    ->Arg(24)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
