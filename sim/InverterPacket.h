#pragma once

#include <cstdint>
#include <functional>

#include "transport/ByteBuffer.h"

namespace sim {

// The inverter's packets as the field sees them: a 9-byte header (24-bit address,
// subaddress, sequence with the flags in its top two bits, 16-bit code, two reserved bytes),
// 16-bit words, then a CRC-16/ARC of everything before it. Numbers are least significant
// byte first. On the wire a packet sits between DLE SOH and DLE ETX, each DLE doubled.
inline constexpr std::uint8_t kDle = 0x10;
inline constexpr std::uint8_t kSoh = 0x01;
inline constexpr std::uint8_t kStx = 0x02;
inline constexpr std::uint8_t kEtx = 0x03;
inline constexpr std::uint32_t kPacketHeaderSize = 9;
inline constexpr std::uint32_t kPacketCheckSize = 2;
inline constexpr std::uint8_t kReplyFlags = 0x80;
inline constexpr std::uint8_t kFlagsMask = 0xC0;
inline constexpr std::uint8_t kSequenceMask = 0x3F;

// CRC-16/ARC: reflected polynomial 0xA001, initial value 0, no final XOR.
std::uint16_t crc16Arc(transport::ByteView bytes);

// Appends the packet and its CRC, DLE-framed and stuffed. With corruptCheck the CRC is wrong.
void appendFramedPacket(transport::ByteBuffer& out, transport::ByteView packet,
                        bool corruptCheck = false);

// The header fields of a received packet.
struct PacketHeader {
    std::uint32_t address = 0;
    std::uint8_t subaddress = 0;
    std::uint8_t sequence = 0;
    std::uint8_t flags = 0;
    std::uint16_t code = 0;
};

// Reads the header of an un-stuffed packet (check included); false when it is too short
// or its CRC is wrong.
bool readCheckedPacket(transport::ByteView packet, PacketHeader& header);

// Un-stuffs the DLE-framed stream the inverter receives, across as many pieces as it comes
// in, and hands on each whole packet (check bytes included). A new start mark drops an
// unfinished packet; bytes outside packets are dropped.
class PacketUnframer {
public:
    using PacketHandler = std::function<void(transport::ByteView packet)>;

    explicit PacketUnframer(PacketHandler onPacket) : onPacket_(std::move(onPacket)) {}

    void feed(transport::ByteView bytes);
    void reset();

private:
    PacketHandler onPacket_;
    transport::ByteBuffer packet_;
    bool inPacket_ = false;
    bool escaped_ = false;
};

}  // namespace sim
