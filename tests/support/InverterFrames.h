#pragma once

#include <cstdint>

#include "tests/support/Bytes.h"

// Inverter packets for the tests, built from the packet layout with a check of their own, so
// that a fault in the production check or framing is not hidden by the same fault here.
namespace testsupport {

// CRC-16/ARC the textbook way: reflected polynomial 0xA001, shifted right, initial 0.
inline std::uint16_t crc16Arc(const Bytes& bytes) {
    std::uint16_t crc = 0;
    for (std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1u) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001u)
                             : static_cast<std::uint16_t>(crc >> 1);
        }
    }
    return crc;
}

// The packet with its check, least significant byte first, between DLE SOH and DLE ETX,
// every DLE doubled.
inline Bytes framedPacket(Bytes packet) {
    const std::uint16_t check = crc16Arc(packet);
    packet.push_back(static_cast<std::uint8_t>(check));
    packet.push_back(static_cast<std::uint8_t>(check >> 8));
    Bytes framed{0x10, 0x01};
    for (std::uint8_t byte : packet) {
        framed.push_back(byte);
        if (byte == 0x10) framed.push_back(0x10);
    }
    framed.push_back(0x10);
    framed.push_back(0x03);
    return framed;
}

// An inverter's reply, framed: address 0, subaddress 10, then byte4 (flags in the top two
// bits, the sequence below), the code least significant byte first, two reserved bytes and
// the payload.
inline Bytes framedReply(std::uint8_t byte4, std::uint16_t code, const Bytes& payload) {
    return framedPacket(Bytes{0x00, 0x00, 0x00, 0x0A, byte4, static_cast<std::uint8_t>(code),
                              static_cast<std::uint8_t>(code >> 8), 0x00, 0x00} +
                        payload);
}

}  // namespace testsupport
