#pragma once

#include <cstdint>

#include "transport/ByteBuffer.h"

namespace radio {

// The body of a command response, local or remote: the two letters as the module echoes
// them, the status, then any value bytes, most significant first.
inline constexpr std::uint32_t kResponseHeaderLength = 3;
inline constexpr std::uint8_t kStatusOk = 0;

// Command letters are echoed in either case; only ASCII letters are folded.
inline constexpr std::uint8_t lowerAscii(std::uint8_t c) {
    return c >= 'A' && c <= 'Z' ? static_cast<std::uint8_t>(c - 'A' + 'a') : c;
}

// Whether the body begins with the two letters of command (its first two bytes), in either
// case. A command of fewer than two bytes names nothing and is never echoed.
bool echoesCommand(transport::ByteView body, transport::ByteView command);

// echoesCommand, and the status that follows the letters reports success.
bool reportsSuccess(transport::ByteView body, transport::ByteView command);

}  // namespace radio
