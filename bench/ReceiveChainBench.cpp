// Throughput of the radio receive chain: RawLog, FrameAssembler, FrameDispatcher and
// PacketReassembler, fed a realistic mix of frames in chunks of up to 512 bytes, as the port
// hands them on. The "line" counter is the rate as a multiple of what a 115200-baud line can
// carry (11,520 bytes per second with 10 bits per byte).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string_view>
#include <vector>

#include "BenchFrames.h"
#include "radio/FrameAssembler.h"
#include "radio/FrameDispatcher.h"
#include "radio/PacketReassembler.h"
#include "transport/RawLog.h"

namespace {

using bench::appendFrame;
using bench::Bytes;
using bench::Port;

constexpr double kLineBytesPerSecond = 11520.0;
constexpr std::size_t kStreamBytes = 256 * 1024;
constexpr std::uint32_t kMaxChunk = 512;

const Bytes kSender = {0x00, 0x13, 0xA2, 0x00, 0x40, 0x8B, 0x2C, 0x11, 0x5E, 0x21};
const radio::NodeAddress kSenderAddress = {
    {0x00, 0x13, 0xA2, 0x00, 0x40, 0x8B, 0x2C, 0x11, 0x5E, 0x21}};

// What a busy exchange brings: discovery answers, remote responses, transmit statuses,
// inverter replies in received packet frames, and line noise between frames.
struct Mix {
    Bytes stream;
    std::uint64_t nodes = 0;
    std::uint64_t packets = 0;
};

Mix realisticMix(std::mt19937& random) {
    Mix mix;
    Bytes& stream = mix.stream;
    std::uniform_int_distribution<int> kind(0, 9);
    std::uniform_int_distribution<int> byte(0, 255);
    while (stream.size() < kStreamBytes) {
        switch (kind(random)) {
            case 0:
            case 1: {  // "ND" answer
                Bytes data = {0x88, 0x01, 'N', 'D', 0x00, 0x5E, 0x21};
                data.insert(data.end(), kSender.begin(), kSender.begin() + 8);
                for (char c : std::string_view("WTG 00012345 NORTH")) data.push_back(c);
                data.insert(data.end(), {0x00, 0xFF, 0xFE, 0x01, 0x00, 0xC1, 0x05, 0x10, 0x1E, 0x00,
                                         0x00, 0x00, 0x01});
                appendFrame(stream, data);
                ++mix.nodes;
                break;
            }
            case 2: {  // remote response
                Bytes data = {0x97, 0x03};
                data.insert(data.end(), kSender.begin(), kSender.end());
                data.insert(data.end(), {'B', 'D', 0x00, 0x00, 0x00, 0x00, 0x06});
                appendFrame(stream, data);
                break;
            }
            case 3:
            case 4:  // transmit status
                appendFrame(stream, {0x8B, 0x05, 0x5E, 0x21, 0x00, 0x00, 0x00});
                break;
            case 5:
            case 6:
            case 7: {  // an inverter reply of 90 bytes, stuffed, in two packet frames
                Bytes packet = {0x10, 0x01};
                for (int i = 0; i < 90; ++i) {
                    const auto b = static_cast<std::uint8_t>(byte(random));
                    packet.push_back(b);
                    if (b == 0x10) packet.push_back(0x10);
                }
                packet.insert(packet.end(), {0x10, 0x03});
                const std::size_t half = packet.size() / 2;
                for (auto [from, to] :
                     {std::pair{std::size_t{0}, half}, std::pair{half, packet.size()}}) {
                    Bytes data = {0x90};
                    data.insert(data.end(), kSender.begin(), kSender.end());
                    data.push_back(0x01);
                    data.insert(data.end(), packet.begin() + from, packet.begin() + to);
                    appendFrame(stream, data);
                }
                ++mix.packets;
                break;
            }
            default: {  // noise without start bytes
                const int count = 1 + byte(random) % 24;
                for (int i = 0; i < count; ++i) {
                    const auto b = static_cast<std::uint8_t>(byte(random));
                    stream.push_back(b == 0x7E ? 0x00 : b);
                }
                break;
            }
        }
    }
    return mix;
}

class CountingParser final : public transport::ReceiveStage {
public:
    void receive(transport::ByteView bytes) override { packets += bytes.length() > 0; }
    bool ownedBySource() override { return false; }
    std::uint64_t packets = 0;
};

class CountingNodeSink final : public radio::NodeSink {
public:
    void onNode(std::uint32_t, std::uint32_t, std::uint16_t, const char*, std::int32_t) override {
        ++nodes;
    }
    std::uint64_t nodes = 0;
};

void receiveChain(benchmark::State& state) {
    std::mt19937 random(20261209);
    const Mix mix = realisticMix(random);
    const Bytes& stream = mix.stream;
    // Chunk sizes as reads bring them: mostly full, sometimes short.
    std::vector<std::uint32_t> chunks;
    std::uniform_int_distribution<std::uint32_t> size(1, kMaxChunk);
    for (std::size_t at = 0; at < stream.size();) {
        const std::uint32_t wanted = random() % 4 == 0 ? size(random) : kMaxChunk;
        const auto n = std::min(wanted, static_cast<std::uint32_t>(stream.size() - at));
        chunks.push_back(n);
        at += n;
    }

    Port port;
    transport::RawLog rawLog;
    radio::FrameAssembler assembler;
    radio::FrameDispatcher dispatcher;
    radio::PacketReassembler reassembler;
    CountingParser parser;
    CountingNodeSink nodes;
    dispatcher.setNodeSink(&nodes);
    dispatcher.setPacketSender(&kSenderAddress);
    assembler.setPending(&dispatcher);
    dispatcher.setPending(&reassembler);
    reassembler.setPending(&parser);
    port.setPending(&rawLog);
    port.sync();
    rawLog.setPending(&assembler);
    rawLog.sync();

    for (auto _ : state) {
        const std::uint8_t* at = stream.data();
        for (std::uint32_t n : chunks) {
            port.receive(transport::ByteView(at, n));
            at += n;
        }
        // Each exchange begins with a fresh log.
        rawLog.clear();
    }
    if (parser.packets != mix.packets * state.iterations() ||
        nodes.nodes != mix.nodes * state.iterations()) {
        state.SkipWithError("the chain lost frames");
    }
    const auto bytes = static_cast<double>(state.iterations()) * static_cast<double>(stream.size());
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    state.counters["line"] =
        benchmark::Counter(bytes / kLineBytesPerSecond, benchmark::Counter::kIsRate);
    // Per pass over the stream, to show the mix arrived whole.
    state.counters["packets"] =
        benchmark::Counter(static_cast<double>(parser.packets), benchmark::Counter::kAvgIterations);
    state.counters["nodes"] =
        benchmark::Counter(static_cast<double>(nodes.nodes), benchmark::Counter::kAvgIterations);
}

}  // namespace

BENCHMARK(receiveChain)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
