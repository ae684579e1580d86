// The receive chain as start-up wires it (port, RawLog, FrameAssembler, FrameDispatcher,
// PacketReassembler, PacketParser), pumped from a device that brings a busy field's traffic:
// frames of every type the chain tells apart, inverter packets, a neighbour's packet data
// without end marks, and noise. Reads bring 512 bytes, now and then fewer, and after each
// pass over the traffic an exchange begins (drain and reset), as the worker's exchanges do.
//
// Counters: "line" is the rate as a multiple of what a 115200-baud line carries (11,520
// bytes a second, ten bits to the byte); "allocs/pump" counts the heap allocations of the
// timed pumps, once the stages' buffers have grown to what the traffic needs. Allocations
// are counted at malloc, calloc and realloc, which the byte buffers call directly and
// operator new calls in turn.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string_view>
#include <vector>

#include "BenchFrames.h"
#include "engine/Attachment.h"
#include "engine/ProcessObjects.h"
#include "radio/NodeAddress.h"
#include "tests/support/ChunkDriver.h"
#include "turbine/PacketEncoder.h"

namespace {
std::atomic<std::uint64_t> heapAllocations{0};
}  // namespace

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
void __libc_free(void* pointer);

void* malloc(std::size_t size) noexcept {
    heapAllocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) noexcept {
    heapAllocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(count, size);
}
void* realloc(void* pointer, std::size_t size) noexcept {
    heapAllocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(pointer, size);
}
void free(void* pointer) noexcept { __libc_free(pointer); }
}

namespace {

using bench::appendFrame;
using bench::Bytes;

constexpr double kLineBytesPerSecond = 11520.0;
constexpr std::size_t kStreamBytes = 256 * 1024;
constexpr std::uint32_t kPumpBytes = 512;

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes textOf(std::string_view text) { return {text.begin(), text.end()}; }

// The turbine being fixed, and a neighbour.
const Bytes kTurbine = {0x00, 0x13, 0xA2, 0x00, 0x41, 0xC7, 0xF3, 0x21, 0x7A, 0x21};
const Bytes kNeighbour = {0x00, 0x13, 0xA2, 0x00, 0x41, 0xC7, 0xF3, 0x40, 0x04, 0x40};
const Bytes kNodeTail = {0xFF, 0xFE, 0x01, 0x00, 0xC1, 0x05, 0x10, 0x1E, 0x00, 0x03, 0x00, 0x00};

Bytes busyField(std::mt19937& random) {
    turbine::PacketEncoder packets;
    std::uniform_int_distribution<int> kind(0, 15);
    std::uniform_int_distribution<int> byte(0, 255);
    Bytes stream;
    std::uint32_t sequence = 0;
    while (stream.size() < kStreamBytes) {
        switch (kind(random)) {
            case 0:  // "ND" answer
                appendFrame(stream, Bytes{0x88, 0x01, 'N', 'D', 0x00, 0x7A, 0x21} +
                                        Bytes(kTurbine.begin(), kTurbine.begin() + 8) +
                                        textOf("QOR123-7654321") + Bytes{0x00} + kNodeTail);
                break;
            case 1:  // local response
                appendFrame(stream, {0x88, 0x01, 'c', 'b', 0x00});
                break;
            case 2:  // node identification
                appendFrame(stream, Bytes{0x95} + kNeighbour + Bytes{0x02, 0x04, 0x40} +
                                        Bytes(kNeighbour.begin(), kNeighbour.begin() + 8) +
                                        textOf("QOR123-7654340") + Bytes{0x00} + kNodeTail);
                break;
            case 3:  // remote response
                appendFrame(stream, Bytes{0x97, 0x03} + kTurbine + Bytes{'B', 'D', 0x00, 0x06});
                break;
            case 4:  // transmit status
                appendFrame(stream, {0x8B, 0x14, 0x7A, 0x21, 0x00, 0x00, 0x00});
                break;
            case 5:  // modem status, another indication, a type the chain does not know
                appendFrame(stream, {0x8A, 0x06});
                appendFrame(stream, Bytes{0x91} + kNeighbour + Bytes{0xE8, 0xE8, 0x00, 0x11});
                appendFrame(stream, {0xA5, 0x01, 0x00});
                break;
            case 6:
            case 7:
            case 8: {  // an inverter reply, in two packet frames
                packets.compose(0x8108, 10, sequence++, 0,
                                {static_cast<std::uint16_t>(byte(random) * 257)});
                const transport::ByteView framed = packets.encode();
                const Bytes packet(framed.begin(), framed.end());
                const std::size_t half = packet.size() / 2;
                appendFrame(stream, Bytes{0x90} + kTurbine + Bytes{0x01} +
                                        Bytes(packet.begin(), packet.begin() + half));
                appendFrame(stream, Bytes{0x90} + kTurbine + Bytes{0x01} +
                                        Bytes(packet.begin() + half, packet.end()));
                break;
            }
            case 9:
            case 10:
            case 11: {  // a neighbour's packet data without an end mark
                Bytes data = {0x90};
                data.insert(data.end(), kNeighbour.begin(), kNeighbour.end());
                data.push_back(0x01);
                for (int i = 0; i < 64; ++i)
                    data.push_back(static_cast<std::uint8_t>(byte(random)));
                std::replace(data.begin() + 12, data.end(), std::uint8_t{0x10}, std::uint8_t{0x11});
                appendFrame(stream, data);
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
    return stream;
}

class CountingNodeSink final : public radio::NodeSink {
public:
    void onNode(radio::NodeId, std::uint16_t, const char*, std::int32_t) override { ++nodes; }
    std::uint64_t nodes = 0;
};

void receiveChainPump(benchmark::State& state) {
    std::mt19937 random(20261209);
    const Bytes stream = busyField(random);
    transport::VirtualClock clock;
    testsupport::ChunkDriver driver(clock);
    // Reads as a busy line brings them: mostly full, now and then short.
    std::uniform_int_distribution<std::uint32_t> shortRead(1, kPumpBytes - 1);
    for (std::size_t at = 0; at < stream.size();) {
        const std::uint32_t wanted = random() % 4 == 0 ? shortRead(random) : kPumpBytes;
        const auto n = std::min(wanted, static_cast<std::uint32_t>(stream.size() - at));
        driver.queue(transport::ByteView(stream.data() + at, n));
        at += n;
    }

    transport::Settings settings;
    transport::PortFactory factory(driver, clock, settings);
    engine::ProcessObjects objects(&factory, settings, clock);
    engine::wireReceiveChain(objects);
    if (!engine::attachRadio(objects, objects.frameAssembler, 0, 115200)) {
        state.SkipWithError("the port did not open");
        return;
    }
    CountingNodeSink nodes;
    objects.frameDispatcher.setNodeSink(&nodes);
    radio::NodeAddress turbine;
    std::copy(kTurbine.begin(), kTurbine.end(), turbine.bytes.begin());
    objects.frameEncoder.setNodeAddress(turbine);
    transport::FtdiPort& port = objects.poller->port();

    // Each pass over the traffic is an exchange, begun once the device has brought it all,
    // so no frame is cut by the reset.
    const auto pass = [&] {
        if (!driver.drained()) return;
        objects.commandLink.beginExchange();
        driver.rewind();
    };
    // Twice through the traffic first, so the stages' buffers have all they need.
    for (int i = 0; i < 2; ++i) {
        while (!driver.drained()) port.pump();
        pass();
    }

    const std::uint64_t readsBefore = driver.reads();
    const std::uint64_t bytesBefore = driver.bytesRead();
    const std::uint64_t allocationsBefore = heapAllocations.load();
    for (auto _ : state) {
        port.pump();
        pass();
    }
    const std::uint64_t allocations = heapAllocations.load() - allocationsBefore;
    const auto reads = static_cast<double>(driver.reads() - readsBefore);
    const auto bytes = static_cast<double>(driver.bytesRead() - bytesBefore);
    if (nodes.nodes == 0) state.SkipWithError("no node record came through");

    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    state.counters["line"] =
        benchmark::Counter(bytes / kLineBytesPerSecond, benchmark::Counter::kIsRate);
    state.counters["allocs/pump"] = static_cast<double>(allocations) / reads;
    state.counters["bytes/pump"] = bytes / reads;
}

}  // namespace

BENCHMARK(receiveChainPump);

BENCHMARK_MAIN();
