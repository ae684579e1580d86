// The whole receive chain as start-up wires it, under a device that brings what the input
// says, in the chunks the input chooses, with the command layer's exchanges in between.
//
// The input is a series of steps, each starting with one byte c:
//   0x00-0x7F  a chunk of c + 1 bytes follows, for the device to bring in one read
//   0x80-0xEF  a chunk of (c - 0x7F) x 8 bytes follows (longer ones take several reads)
//   0xF0       begin an exchange: drain, then reset the chain
//   0xF1       continue an exchange (the short drain between discovery answers)
//   0xF2       wait 250 ms for completion, reading what the device brings
//   0xF3       wait 1800 ms likewise
//   0xF4       stop or start handing node records to the sink
//   0xF5       aim the encoder at the node whose 10 address bytes follow
//   0xF6       the last chunk again, (n + 1) x 4 times, n being the next byte: enough
//              for a chattering node to reach every buffer's cap
//   0xF7-0xFF  one read
// A chunk cut short by the end of the input is what is left of it. At the end the device
// is read until it has brought everything.
//
// After every step: no buffer of the chain is above its cap, and a wait has ended within
// its time and one read.
#include <cstring>

#include "engine/Attachment.h"
#include "engine/ProcessObjects.h"
#include "radio/CommandSender.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/support/ChunkDriver.h"

namespace {

// A frame is at most 271 bytes, so its stages never grow past their first kibibyte.
constexpr std::uint32_t kFrameCapacity = 1024;
// The packet stages: far above their own caps, with the buffer's growth.
constexpr std::uint32_t kFrameStageCapacity = 64 * 1024 + 8192;
// RawLog keeps the last 64 KiB, in twice that.
constexpr std::uint32_t kRawLogKept = 64 * 1024;
constexpr std::uint32_t kRawLogCapacity = 2 * kRawLogKept + 8192;
// The longest read: 512 bytes at line rate (the longest read time-out is 40 ms).
constexpr std::int64_t kLongestReadMs = 45;

class CheckingSink final : public radio::NodeSink {
public:
    void onNode(radio::NodeId, std::uint16_t, const char* name, std::int32_t) override {
        FUZZ_CHECK(std::strlen(name) <= radio::kMaxNodeNameLength);
    }
};

struct Rig {
    transport::VirtualClock clock;
    testsupport::ChunkDriver device{clock};
    transport::Settings settings;
    transport::PortFactory factory{device, clock, settings};
    engine::ProcessObjects objects{&factory, settings, clock};
    CheckingSink sink;
    bool recordsHandedOn = true;

    Rig() {
        engine::wireReceiveChain(objects);
        FUZZ_CHECK(engine::attachRadio(objects, objects.frameAssembler, 0, 115200));
        objects.frameDispatcher.setNodeSink(&sink);
    }

    void wait(int ms) {
        const std::int64_t start = clock.nowMs();
        objects.commandLink.waitForCompletion(ms);
        FUZZ_CHECK(clock.nowMs() - start <= ms + kLongestReadMs);
        std::uint32_t value = 0;
        radio::checkResponse("bd", objects.frameDispatcher.body(), value);
        objects.turbineQuery.replyWord(turbine::TurbineQuery::kProbeCode);
    }

    void checkCaps() const {
        FUZZ_CHECK(objects.rawLog.log().length() <= kRawLogKept);
        FUZZ_CHECK(objects.rawLog.buffer().capacity() <= kRawLogCapacity);
        FUZZ_CHECK(objects.frameAssembler.buffer().capacity() <= kFrameCapacity);
        FUZZ_CHECK(objects.frameDispatcher.buffer().capacity() <= kFrameCapacity);
        FUZZ_CHECK(objects.packetReassembler.buffer().capacity() <= kFrameStageCapacity);
        FUZZ_CHECK(objects.packetParser.buffer().capacity() <= kFrameStageCapacity);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Rig rig;
    transport::FtdiPort& port = rig.objects.poller->port();
    transport::ByteView lastChunk;
    std::size_t at = 0;
    while (at < size) {
        const std::uint8_t step = data[at++];
        if (step <= 0xEF) {
            const std::size_t wanted = step < 0x80 ? step + 1u : (step - 0x7Fu) * 8u;
            const std::size_t n = std::min(wanted, size - at);
            lastChunk = transport::ByteView(data + at, static_cast<std::uint32_t>(n));
            if (n > 0) rig.device.queue(lastChunk);
            at += n;
        } else if (step == 0xF0) {
            rig.objects.commandLink.beginExchange();
        } else if (step == 0xF1) {
            rig.objects.commandLink.continueExchange();
        } else if (step == 0xF2) {
            rig.wait(250);
        } else if (step == 0xF3) {
            rig.wait(1800);
        } else if (step == 0xF4) {
            rig.recordsHandedOn = !rig.recordsHandedOn;
            rig.objects.frameDispatcher.setNodeSink(rig.recordsHandedOn ? &rig.sink : nullptr);
        } else if (step == 0xF5) {
            radio::NodeAddress address;
            const std::size_t n = std::min<std::size_t>(address.bytes.size(), size - at);
            std::memcpy(address.bytes.data(), data + at, n);
            at += n;
            rig.objects.frameEncoder.setNodeAddress(address);
        } else if (step == 0xF6) {
            const int times = at < size ? (data[at++] + 1) * 4 : 4;
            for (int i = 0; i < times && !lastChunk.empty(); ++i) rig.device.queue(lastChunk);
        } else {
            port.pump();
        }
        rig.checkCaps();
    }
    while (!rig.device.drained()) port.pump();
    rig.checkCaps();
    return 0;
}
