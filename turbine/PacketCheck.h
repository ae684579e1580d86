#pragma once

#include <cstdint>

#include "transport/ByteBuffer.h"

namespace turbine {

// The low n bits of value in mirrored order: bit 0 becomes bit n - 1.
std::uint32_t reverseBits(std::uint32_t value, unsigned n);

// One byte into the non-reflected CRC register (polynomial 0x8005). The byte goes in
// mirrored, and the final register is mirrored again, which together give the reflected
// CRC-16/ARC.
std::uint16_t crc16Update(std::uint16_t reg, std::uint8_t byte);

// The check of an inverter packet: CRC-16/ARC (initial 0, no final XOR) of the bytes.
std::uint16_t packetCheck(transport::ByteView bytes);

}  // namespace turbine
