#pragma once

#include <cstdint>
#include <string_view>

#include "tests/support/Bytes.h"

namespace sim::test {

using namespace testsupport;

// Frames as the tool writes them, built from the frame layout (apiFrame) rather than with the
// field's own codec, so that a fault in one is not hidden by the same fault in the other.

inline Bytes localCommand(std::string_view letters, const Bytes& parameter = {}) {
    return apiFrame(Bytes{static_cast<std::uint8_t>(parameter.empty() ? 0x09 : 0x08), 0x01} +
                    text(letters) + parameter);
}

// addresses: the 8 + 2 address bytes of the destination.
inline Bytes remoteCommand(const Bytes& addresses, std::string_view letters,
                           const Bytes& parameter = {}) {
    return apiFrame(Bytes{0x17, 0x03} + addresses + Bytes{0x00} + text(letters) + parameter);
}

inline Bytes transmitRequest(std::uint8_t frameId, const Bytes& addresses, const Bytes& data) {
    return apiFrame(Bytes{0x10, frameId} + addresses + Bytes{0x00, 0x00} + data);
}

}  // namespace sim::test
