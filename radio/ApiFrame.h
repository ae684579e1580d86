#pragma once

#include <cstdint>

namespace radio {

// One radio module frame on the wire: start byte, 16-bit length of the frame data (most
// significant byte first), the frame data beginning with its type, and a checksum that makes
// the frame data plus the checksum sum to 0xFF. No byte is ever escaped.
inline constexpr std::uint8_t kApiStartByte = 0x7E;
inline constexpr std::uint32_t kApiHeaderLength = 3;          // start byte and length
inline constexpr std::uint32_t kApiFrameOverhead = 4;         // header plus checksum
inline constexpr std::uint32_t kMaxFrameDataLength = 0xFFFF;  // what the length field holds
inline constexpr std::uint8_t kChecksumTotal = 0xFF;

// Frame types the tool sends.
inline constexpr std::uint8_t kLocalCommandWithParameters = 0x08;
inline constexpr std::uint8_t kLocalCommand = 0x09;
inline constexpr std::uint8_t kTransmitRequest = 0x10;
inline constexpr std::uint8_t kRemoteCommand = 0x17;

// Frame types the receive side tells apart.
inline constexpr std::uint8_t kLocalCommandResponse = 0x88;
inline constexpr std::uint8_t kTransmitStatus = 0x8B;
inline constexpr std::uint8_t kReceivedPacket = 0x90;
inline constexpr std::uint8_t kNodeIdentification = 0x95;
inline constexpr std::uint8_t kRemoteCommandResponse = 0x97;

// Received types 0x90 to 0x95 carry no frame id after the type.
inline constexpr bool hasFrameId(std::uint8_t type) {
    return type < kReceivedPacket || type > kNodeIdentification;
}

// Where the fields of received frames start (frame-data offsets). A received packet carries
// the sender's 64-bit address, its 16-bit network address and the receive options before the
// packet data; a remote command response carries its frame id, then the responder's two
// addresses before the letters, the status and the value.
inline constexpr std::uint32_t kPacketSenderOffset = 1;
inline constexpr std::uint32_t kPacketDataOffset = 12;
inline constexpr std::uint32_t kResponderOffset = 2;

// The longest frame data the module sends. A received packet frame is the longest of the
// frames in use: 12 bytes before its packet data, and one radio packet carries well under
// 255 bytes of data. A longer length is a corrupted length byte or a start byte among noise,
// and waiting for up to 64 KiB to judge it would hide every frame behind it for seconds.
inline constexpr std::uint32_t kMaxReceivedPacketData = 255;
inline constexpr std::uint32_t kMaxReceivedFrameDataLength =
    kPacketDataOffset + kMaxReceivedPacketData;
inline constexpr std::uint32_t kRemoteResponseBodyOffset = 12;

// The frame ids of the command layer; a response counts only with its request's id.
inline constexpr std::uint8_t kLocalCommandFrameId = 1;
inline constexpr std::uint8_t kRemoteCommandFrameId = 3;

}  // namespace radio
