// Cost of a flood of packet data without an end mark, as a radio that streams or a broken
// inverter sends it: N received packet frames of 135 data bytes each, from the node being
// fixed, through FrameAssembler, FrameDispatcher, PacketReassembler and PacketParser in chunks
// of 512 bytes, as the port hands them on. The cost per frame must not grow with N, and the
// bytes the reassembler holds must stay under its cap whatever N is.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "BenchFrames.h"
#include "radio/FrameAssembler.h"
#include "radio/FrameDispatcher.h"
#include "radio/PacketReassembler.h"
#include "transport/Settings.h"
#include "turbine/PacketParser.h"

namespace {

using bench::appendFrame;
using bench::Bytes;
using bench::Port;

constexpr std::uint32_t kChunk = 512;
constexpr std::size_t kDataPerFrame = 135;
const radio::NodeAddress kTurbine = {{0x00, 0x13, 0xA2, 0x00, 0x41, 0xC7, 0xF3, 0x21, 0x7A, 0x21}};

// A start mark in the first frame, then data bytes that never hold a 0x10, so no end comes.
Bytes flood(std::int64_t frames) {
    Bytes stream;
    for (std::int64_t i = 0; i < frames; ++i) {
        Bytes data = {0x90};
        data.insert(data.end(), kTurbine.bytes.begin(), kTurbine.bytes.end());
        data.push_back(0x01);
        if (i == 0) data.insert(data.end(), {0x10, 0x01});
        while (data.size() < 12 + kDataPerFrame) {
            data.push_back(static_cast<std::uint8_t>(0x20 + (data.size() + i) % 0x50));
        }
        appendFrame(stream, data);
    }
    return stream;
}

void packetDataFlood(benchmark::State& state) {
    const std::int64_t frames = state.range(0);
    const Bytes stream = flood(frames);

    const transport::Settings settings;
    Port port;
    radio::FrameAssembler assembler;
    radio::FrameDispatcher dispatcher;
    radio::PacketReassembler reassembler;
    turbine::PacketParser parser(settings);
    dispatcher.setPacketSender(&kTurbine);
    // The raw log is left out: what it keeps of a flood is a matter of its own.
    port.setPending(&assembler);
    assembler.setPending(&dispatcher);
    dispatcher.setPending(&reassembler);
    reassembler.setPending(&parser);
    port.sync();
    assembler.sync();
    dispatcher.sync();
    reassembler.sync();

    std::uint32_t held = 0;
    for (auto _ : state) {
        for (std::size_t at = 0; at < stream.size(); at += kChunk) {
            const auto n =
                static_cast<std::uint32_t>(std::min<std::size_t>(kChunk, stream.size() - at));
            port.receive(transport::ByteView(stream.data() + at, n));
        }
        held = std::max(held, reassembler.buffer().capacity());
        // Each exchange begins with a reset of the chain.
        assembler.reset();
    }
    state.SetComplexityN(frames);
    state.counters["frames"] = static_cast<double>(frames);
    state.counters["heldBytes"] = static_cast<double>(held);
    state.counters["perFrame"] = benchmark::Counter(
        static_cast<double>(frames),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(packetDataFlood)
    ->Arg(2000)
    ->Arg(4000)
    ->Arg(8000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

BENCHMARK_MAIN();
