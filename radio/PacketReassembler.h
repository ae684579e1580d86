#pragma once

#include "transport/ByteSink.h"

namespace radio {

// Gathers the packet data of received packet frames until the packet's end mark, 0x10 0x03,
// and hands the gathered bytes to the packet parser. Inside a packet 0x10 is doubled, so
// 0x10 0x10 0x03 is data and 0x10 0x10 0x10 0x03 is an end.
class PacketReassembler final : public transport::ReceiveStage {
public:
    // Hands on at most one packet per call: the whole buffer, bytes after the end mark
    // included, which are then kept for the next packet.
    void receive(transport::ByteView data) override;
    bool reset() override;
    bool ownedBySource() override { return false; }

private:
    // Offset just past the first end mark in the buffer, or 0 when it holds none.
    std::uint32_t endOfFirstPacket() const;
};

}  // namespace radio
