#pragma once

#include <cstdint>

#include "radio/NodeAddress.h"
#include "transport/ByteBuffer.h"

namespace radio {

// Appends the checksum of the frame that begins at frameStart in buffer: 0xFF minus the sum
// (mod 256) of every byte from the frame type to the current end.
void appendChecksum(transport::ByteBuffer& buffer, std::uint32_t frameStart);

// Builds outgoing frames into its own buffer; each build replaces what the last one made.
class FrameEncoder {
public:
    // Addressed frames carry at most this many payload bytes each.
    static constexpr std::uint32_t kMaxPiece = 72;

    // One frame: type, frame id, payload. A payload too long for the length field builds
    // nothing.
    void buildFrame(std::uint8_t type, std::uint8_t frameId, transport::ByteView payload);
    // Frames to the current node address, back to back, the payload cut into pieces of at
    // most kMaxPiece bytes, frame ids counting up from firstFrameId (mod 256). Transmit
    // requests carry a broadcast radius byte that remote commands lack. An empty payload
    // builds nothing.
    void buildAddressedFrames(std::uint8_t type, std::uint8_t firstFrameId,
                              transport::ByteView payload);

    // What the last build made; valid until the next build.
    transport::ByteView bytes() const { return buffer_.view(); }

    void setNodeAddress(const NodeAddress& address) { nodeAddress_ = address; }
    const NodeAddress& nodeAddress() const { return nodeAddress_; }

private:
    transport::ByteBuffer buffer_;
    NodeAddress nodeAddress_;
};

}  // namespace radio
