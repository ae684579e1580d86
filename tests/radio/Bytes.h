#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "transport/ByteBuffer.h"

namespace radio::test {

using Bytes = std::vector<std::uint8_t>;

// "7E 00 04" -> the bytes; spaces are ignored. A malformed table is a test error, so it fails
// loudly.
inline Bytes hex(std::string_view text) {
    Bytes bytes;
    int high = -1;
    for (char c : text) {
        if (c == ' ') continue;
        int digit = -1;
        if (c >= '0' && c <= '9') digit = c - '0';
        if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        if (digit < 0) throw std::invalid_argument("not a hex digit in table");
        if (high < 0) {
            high = digit;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(high * 16 + digit));
            high = -1;
        }
    }
    if (high >= 0) throw std::invalid_argument("odd number of hex digits in table");
    return bytes;
}

inline Bytes text(std::string_view characters) { return {characters.begin(), characters.end()}; }

inline Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline Bytes bytesOf(transport::ByteView view) { return {view.begin(), view.end()}; }

inline transport::ByteView viewOf(const Bytes& bytes) {
    return transport::ByteView(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

// For failure messages: "7e 00 04".
inline std::string hexOf(const Bytes& bytes) {
    static const char* const digits = "0123456789abcdef";
    std::string out;
    for (std::uint8_t b : bytes) {
        if (!out.empty()) out += ' ';
        out += digits[b >> 4];
        out += digits[b & 0xF];
    }
    return out;
}

// A whole frame around the given frame data, with its checksum.
inline Bytes frame(const Bytes& frameData) {
    std::uint8_t sum = 0;
    for (std::uint8_t b : frameData) sum = static_cast<std::uint8_t>(sum + b);
    Bytes out{0x7E, static_cast<std::uint8_t>(frameData.size() >> 8),
              static_cast<std::uint8_t>(frameData.size())};
    out = out + frameData;
    out.push_back(static_cast<std::uint8_t>(0xFF - sum));
    return out;
}

}  // namespace radio::test
