#pragma once

#include <deque>
#include <memory>
#include <vector>

#include "StageProbes.h"
#include "radio/CommandLink.h"
#include "radio/FrameAssembler.h"
#include "radio/FrameDispatcher.h"
#include "radio/FrameEncoder.h"
#include "radio/PacketReassembler.h"
#include "tests/support/Bytes.h"
#include "tests/support/SimulatedPort.h"
#include "transport/Port.h"
#include "transport/RawLog.h"
#include "transport/SimulatedDevice.h"

namespace radio::test {

// The radio module as far as these tests need it: each write is answered by the frames
// prepared for it, each arriving a given time after the write. Unprepared writes get nothing.
class AnsweringPeer final : public transport::DevicePeer {
public:
    struct Reply {
        std::int64_t afterMs;
        Bytes bytes;
    };

    void answerNextWrite(std::vector<Reply> replies) { answers_.push_back(std::move(replies)); }

    void onWrite(transport::ByteView, std::int64_t nowMs, transport::DeviceLine& line) override {
        if (answers_.empty()) return;
        for (const Reply& reply : answers_.front()) {
            line.schedule(nowMs + reply.afterMs, testsupport::viewOf(reply.bytes));
        }
        answers_.pop_front();
    }

private:
    std::deque<std::vector<Reply>> answers_;
};

// The simulated device on virtual time, its port and poller, and the radio receive chain
// wired as the program wires it, with a recorder where the packet parser would be.
struct LinkRig {
    transport::Settings settings;
    transport::VirtualClock clock;
    transport::SimulatedDevice device{clock};
    AnsweringPeer peer;
    FrameEncoder encoder;
    FrameAssembler assembler;
    FrameDispatcher dispatcher;
    PacketReassembler reassembler;
    ChunkRecorder packets;
    transport::RawLog rawLog;
    std::unique_ptr<transport::PortPoller> poller;
    CommandLink link;

    explicit LinkRig(const transport::Settings& chosen = {})
        : settings(chosen), link(settings, rawLog, encoder, dispatcher) {
        testsupport::linkChain(assembler, dispatcher, reassembler, packets);
        dispatcher.setPacketSender(&encoder.nodeAddress());
        poller = testsupport::openSimulatedPort(device, clock, settings, rawLog, assembler);
        // Current up front, as start-up makes them.
        testsupport::makeCurrent(assembler, dispatcher, reassembler);
        link.setPoller(poller.get());
        device.setPeer(&peer);
        device.clearRecords();
    }

    std::vector<Bytes> written() const {
        std::vector<Bytes> frames;
        for (const auto& write : device.writes()) frames.push_back(write.bytes);
        return frames;
    }

    // Reads that brought nothing, from the given time on, made with the given read time-out.
    int emptyReads(std::int64_t fromMs, std::uint32_t timeoutMs) const {
        int count = 0;
        for (const auto& read : device.reads()) {
            if (read.atMs >= fromMs && read.timeoutMs == timeoutMs && read.got == 0) ++count;
        }
        return count;
    }
};

}  // namespace radio::test
