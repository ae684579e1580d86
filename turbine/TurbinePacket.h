#pragma once

#include <cstdint>

// The inverter's packet: a 9-byte header, 16-bit words and a 16-bit check, every number
// least significant byte first (the radio frames around it are the other way round).
// On the wire it sits between DLE SOH and DLE ETX, with every DLE inside doubled.
namespace turbine::packet {

// Header offsets.
inline constexpr std::uint32_t kAddressOffset = 0;     // 24 bits
inline constexpr std::uint32_t kSubaddressOffset = 3;  // 8 bits
inline constexpr std::uint32_t kSequenceOffset = 4;    // sequence in bits 0-5, flags in 6-7
inline constexpr std::uint32_t kCodeOffset = 5;        // 16 bits
inline constexpr std::uint32_t kReservedOffset = 7;    // 16 bits, 0 when sent
inline constexpr std::uint32_t kHeaderLength = 9;      // the words start here

inline constexpr std::uint32_t kCheckLength = 2;
// Header and check without words: the shortest packet the parser accepts.
inline constexpr std::uint32_t kMinimumLength = kHeaderLength + kCheckLength;

inline constexpr std::uint8_t kSequenceMask = 0x3F;
inline constexpr std::uint32_t kSequenceModulus = 64;
inline constexpr std::uint8_t kFlagsMask = 0xC0;
inline constexpr std::uint8_t kReplyFlags = 0x80;

// Framing.
inline constexpr std::uint8_t kDle = 0x10;
inline constexpr std::uint8_t kStartMark = 0x01;     // DLE SOH, what we send
inline constexpr std::uint8_t kAltStartMark = 0x02;  // DLE STX, also accepted
inline constexpr std::uint8_t kEndMark = 0x03;       // DLE ETX

}  // namespace turbine::packet
