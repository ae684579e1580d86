#include "sim/InverterPacket.h"

namespace sim {

namespace {

constexpr std::uint16_t kArcPolynomialReflected = 0xA001;

void appendStuffed(transport::ByteBuffer& out, std::uint8_t byte) {
    out.append(byte);
    if (byte == kDle) out.append(byte);
}

}  // namespace

std::uint16_t crc16Arc(transport::ByteView bytes) {
    std::uint16_t crc = 0;
    for (std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            const bool low = (crc & 1u) != 0;
            crc = static_cast<std::uint16_t>(crc >> 1);
            if (low) crc ^= kArcPolynomialReflected;
        }
    }
    return crc;
}

void appendFramedPacket(transport::ByteBuffer& out, transport::ByteView packet, bool corruptCheck) {
    std::uint16_t check = crc16Arc(packet);
    if (corruptCheck) check ^= 0x0101;
    out.append(kDle);
    out.append(kSoh);
    for (std::uint8_t byte : packet) appendStuffed(out, byte);
    appendStuffed(out, static_cast<std::uint8_t>(check & 0xFF));
    appendStuffed(out, static_cast<std::uint8_t>(check >> 8));
    out.append(kDle);
    out.append(kEtx);
}

bool readCheckedPacket(transport::ByteView packet, PacketHeader& header) {
    if (packet.length() < kPacketHeaderSize + kPacketCheckSize) return false;
    const std::uint32_t bodyLength = packet.length() - kPacketCheckSize;
    const std::uint16_t received =
        static_cast<std::uint16_t>(packet[bodyLength] | (packet[bodyLength + 1] << 8));
    if (crc16Arc(transport::ByteView(packet.data(), bodyLength)) != received) return false;
    header.address = packet[0] | (std::uint32_t{packet[1]} << 8) | (std::uint32_t{packet[2]} << 16);
    header.subaddress = packet[3];
    header.sequence = packet[4] & kSequenceMask;
    header.flags = packet[4] & kFlagsMask;
    header.code = static_cast<std::uint16_t>(packet[5] | (packet[6] << 8));
    return true;
}

void PacketUnframer::feed(transport::ByteView bytes) {
    for (std::uint8_t byte : bytes) {
        if (!escaped_) {
            if (byte == kDle) {
                escaped_ = true;
            } else if (inPacket_) {
                packet_.append(byte);
            }
            continue;
        }
        escaped_ = false;
        if (byte == kSoh || byte == kStx) {
            packet_.clear();
            inPacket_ = true;
        } else if (byte == kEtx) {
            if (inPacket_) onPacket_(packet_.view());
            reset();
        } else if (byte == kDle && inPacket_) {
            packet_.append(byte);
        }
        // Any other escaped byte is not part of the framing: dropped.
    }
}

void PacketUnframer::reset() {
    packet_.clear();
    inPacket_ = false;
    escaped_ = false;
}

}  // namespace sim
