#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "tests/support/Bytes.h"
#include "tests/support/InverterFrames.h"
#include "transport/SimulatedDevice.h"

namespace turbine::test {

using testsupport::apiFrame;
using testsupport::Bytes;
using testsupport::framedReply;

// The turbine radio's addresses: its 64-bit node address, then its network address.
inline const Bytes kTurbineRadio = testsupport::hex("00 13 A2 00 40 0A 0B 0C FF FE");

// A received packet frame (0x90) carrying the given packet data from a radio: by default the
// turbine's.
inline Bytes receivedPacketFrame(const Bytes& packetData, const Bytes& sender = kTurbineRadio) {
    using testsupport::operator+;
    return apiFrame(Bytes{0x90} + sender + Bytes{0x01} + packetData);
}

// A transmit status (0x8B) for a transmit request: delivered, no retries.
inline Bytes transmitStatusFrame(std::uint8_t frameId) {
    return apiFrame({0x8B, frameId, 0xFF, 0xFE, 0x00, 0x00, 0x00});
}

// The radio module and the inverter behind it, as far as the query needs them. Every
// transmit request written is recorded; each takes the next scripted answer, if any, and
// optionally a transmit status.
class InverterPeer final : public transport::DevicePeer {
public:
    struct Arrival {
        std::int64_t afterMs;  // after the write
        Bytes bytes;
    };
    struct Request {
        std::int64_t atMs;
        std::uint8_t frameId;
        Bytes frame;   // the whole API frame
        Bytes packet;  // its packet data, still framed and stuffed
    };

    void answerNext(std::vector<Arrival> arrivals) { answers_.push_back(std::move(arrivals)); }
    // Answers each transmit request with a transmit status after the given delay (-1: never).
    void setTransmitStatusAfter(std::int64_t ms) { statusAfterMs_ = ms; }

    void onWrite(transport::ByteView bytes, std::int64_t nowMs,
                 transport::DeviceLine& line) override {
        std::uint32_t at = 0;
        while (at + 4 <= bytes.length() && bytes[at] == 0x7E) {
            const std::uint32_t size = ((bytes[at + 1] << 8) | bytes[at + 2]) + 4u;
            if (at + size > bytes.length()) break;
            onFrame(transport::ByteView(bytes.data() + at, size), nowMs, line);
            at += size;
        }
    }

    // The sequence number of a framed packet (byte 4 once un-stuffed).
    static std::uint8_t sequenceOf(const Bytes& framed) {
        Bytes packet;
        for (std::size_t i = 2; i < framed.size() && packet.size() < 5; ++i) {
            packet.push_back(framed[i]);
            if (framed[i] == 0x10) ++i;
        }
        return packet.size() == 5 ? packet[4] : 0xFF;
    }

    std::vector<Request> requests;

private:
    static constexpr std::uint8_t kTransmitRequest = 0x10;
    static constexpr std::uint32_t kPacketDataOffset = 17;  // 7E, length, type, id, 10 + 2

    void onFrame(transport::ByteView frame, std::int64_t nowMs, transport::DeviceLine& line) {
        if (frame.length() < kPacketDataOffset + 1 || frame[3] != kTransmitRequest) return;
        requests.push_back(Request{nowMs, frame[4], Bytes(frame.begin(), frame.end()),
                                   Bytes(frame.begin() + kPacketDataOffset, frame.end() - 1)});
        if (statusAfterMs_ >= 0)
            schedule(line, nowMs + statusAfterMs_, transmitStatusFrame(frame[4]));
        if (answers_.empty()) return;
        for (const Arrival& arrival : answers_.front())
            schedule(line, nowMs + arrival.afterMs, arrival.bytes);
        answers_.pop_front();
    }

    static void schedule(transport::DeviceLine& line, std::int64_t atMs, const Bytes& bytes) {
        line.schedule(atMs, testsupport::viewOf(bytes));
    }

    std::deque<std::vector<Arrival>> answers_;
    std::int64_t statusAfterMs_ = -1;
};

}  // namespace turbine::test
