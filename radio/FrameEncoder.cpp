#include "radio/FrameEncoder.h"

#include <algorithm>

#include "radio/ApiFrame.h"

namespace radio {

namespace {
constexpr std::uint8_t kBroadcastRadius = 0x00;
constexpr std::uint8_t kNoOptions = 0x00;
// Frame type and frame id before the payload.
constexpr std::uint32_t kTypeAndId = 2;
}  // namespace

void appendChecksum(transport::ByteBuffer& buffer, std::uint32_t frameStart) {
    std::uint8_t sum = 0;
    for (std::uint32_t i = frameStart + kApiHeaderLength; i < buffer.length(); ++i) {
        sum = static_cast<std::uint8_t>(sum + buffer[i]);
    }
    buffer.append(static_cast<std::uint8_t>(kChecksumTotal - sum));
}

void FrameEncoder::buildFrame(std::uint8_t type, std::uint8_t frameId,
                              transport::ByteView payload) {
    buffer_.clear();
    if (payload.length() > kMaxFrameDataLength - kTypeAndId) return;
    buffer_.append(kApiStartByte);
    buffer_.appendUint16(static_cast<std::uint16_t>(payload.length() + kTypeAndId));
    buffer_.append(type);
    buffer_.append(frameId);
    buffer_.append(payload);
    appendChecksum(buffer_, 0);
}

void FrameEncoder::buildAddressedFrames(std::uint8_t type, std::uint8_t firstFrameId,
                                        transport::ByteView payload) {
    buffer_.clear();
    const bool transmitRequest = type == kTransmitRequest;
    // Type, id, address, options, and for a transmit request the radius.
    const std::uint32_t fields = kTypeAndId + kNodeAddressLength + 1 + (transmitRequest ? 1 : 0);
    std::uint8_t frameId = firstFrameId;
    for (std::uint32_t offset = 0; offset < payload.length(); offset += kMaxPiece) {
        const std::uint32_t piece = std::min(kMaxPiece, payload.length() - offset);
        const std::uint32_t start = buffer_.length();
        buffer_.append(kApiStartByte);
        buffer_.appendUint16(static_cast<std::uint16_t>(piece + fields));
        buffer_.append(type);
        buffer_.append(frameId);
        buffer_.append(nodeAddress_.bytes.data(), kNodeAddressLength);
        if (transmitRequest) buffer_.append(kBroadcastRadius);
        buffer_.append(kNoOptions);
        buffer_.append(payload.data() + offset, piece);
        appendChecksum(buffer_, start);
        frameId = static_cast<std::uint8_t>(frameId + 1);
    }
}

}  // namespace radio
