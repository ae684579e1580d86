#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "transport/ByteBuffer.h"

namespace sim::test {

using Bytes = std::vector<std::uint8_t>;

// "7E 00 04" -> the bytes; spaces are optional between pairs.
inline Bytes hex(std::string_view text) {
    Bytes bytes;
    int high = -1;
    for (char c : text) {
        int digit = -1;
        if (c >= '0' && c <= '9') digit = c - '0';
        if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        if (digit < 0) continue;
        if (high < 0) {
            high = digit;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(high * 16 + digit));
            high = -1;
        }
    }
    return bytes;
}

inline Bytes bytesOf(transport::ByteView view) {
    return Bytes(view.begin(), view.end());
}
inline transport::ByteView viewOf(const Bytes& bytes) {
    return transport::ByteView(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

inline Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
inline Bytes text(std::string_view s) {
    return Bytes(s.begin(), s.end());
}

// Frames as the tool writes them, built here from the frame layout rather than with the
// field's own codec, so that a fault in one is not hidden by the same fault in the other.
inline Bytes toolFrame(const Bytes& frameData) {
    std::uint8_t sum = 0;
    for (std::uint8_t b : frameData) sum = static_cast<std::uint8_t>(sum + b);
    Bytes frame{0x7E, static_cast<std::uint8_t>(frameData.size() >> 8),
                static_cast<std::uint8_t>(frameData.size() & 0xFF)};
    frame = frame + frameData;
    frame.push_back(static_cast<std::uint8_t>(0xFF - sum));
    return frame;
}

inline Bytes localCommand(std::string_view letters, const Bytes& parameter = {}) {
    return toolFrame(Bytes{static_cast<std::uint8_t>(parameter.empty() ? 0x09 : 0x08), 0x01} +
                     text(letters) + parameter);
}

// addresses: the 8 + 2 address bytes of the destination.
inline Bytes remoteCommand(const Bytes& addresses, std::string_view letters,
                           const Bytes& parameter = {}) {
    return toolFrame(Bytes{0x17, 0x03} + addresses + Bytes{0x00} + text(letters) + parameter);
}

inline Bytes transmitRequest(std::uint8_t frameId, const Bytes& addresses, const Bytes& data) {
    return toolFrame(Bytes{0x10, frameId} + addresses + Bytes{0x00, 0x00} + data);
}

}  // namespace sim::test
