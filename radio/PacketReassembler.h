#pragma once

#include "transport/ByteSink.h"

namespace radio {

// Gathers the packet data of received packet frames, however it is split into frames, and
// hands each inverter packet to the packet parser as soon as its end mark arrives: its
// start mark (0x10 0x01 or 0x10 0x02), its stuffed bytes and its end mark (0x10 0x03). Inside
// a packet 0x10 is doubled, so 0x10 0x10 0x03 is data and 0x10 0x10 0x10 0x03 an end.
//
// It reads 0x10 escapes exactly as the parser does, so both agree where each packet begins
// and ends, and every packet in a chunk is handed on in turn. Bytes outside packets are
// dropped, except an end mark there, which is handed on alone: the tail of a packet whose
// start was lost, for the parser to report. Its scan state lives in its fields, so it gives
// the same result fed byte by byte or in one chunk, at a cost linear in the bytes.
class PacketReassembler final : public transport::ReceiveStage {
public:
    // A packet that grows past this many bytes without its end mark is given up, and the
    // bytes after it are hunted for the next start mark. Real packets are a few dozen bytes.
    static constexpr std::uint32_t kMaxPacketBytes = 4096;

    void receive(transport::ByteView data) override;
    bool reset() override;
    bool ownedBySource() override { return false; }

private:
    void takeEscaped(std::uint8_t byte);
    // Appends to the packet being gathered, or gives it up when it would pass the cap.
    void gatherRun(const std::uint8_t* bytes, std::uint32_t count);
    void gather(std::uint8_t first, std::uint8_t second);
    void handOn();

    bool inPacket_ = false;
    bool escaped_ = false;
};

}  // namespace radio
