#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "transport/ByteBuffer.h"

namespace turbine::test {

// "10 01 0a" -> the bytes; spaces are ignored.
inline std::vector<std::uint8_t> hexBytes(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    int high = -1;
    for (char c : text) {
        int nibble;
        if (c >= '0' && c <= '9')
            nibble = c - '0';
        else if (c >= 'a' && c <= 'f')
            nibble = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            nibble = c - 'A' + 10;
        else
            continue;
        if (high < 0) {
            high = nibble;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(high * 16 + nibble));
            high = -1;
        }
    }
    return bytes;
}

// The bytes as upper-case hex pairs separated by spaces, to compare with hexBytes tables.
inline std::string hexOf(transport::ByteView bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::uint8_t byte : bytes) {
        if (!text.empty()) text += ' ';
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0xF];
    }
    return text;
}

inline std::string hexOf(const std::vector<std::uint8_t>& bytes) {
    return hexOf(transport::ByteView(bytes.data(), static_cast<std::uint32_t>(bytes.size())));
}

inline transport::ByteView viewOf(const std::vector<std::uint8_t>& bytes) {
    return transport::ByteView(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

}  // namespace turbine::test
