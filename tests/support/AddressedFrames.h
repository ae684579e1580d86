#pragma once

#include <cstdint>
#include <ostream>
#include <vector>

#include "tests/support/Bytes.h"
#include "transport/SimulatedDevice.h"

namespace testsupport {

// A frame the tool wrote to a remote radio: a remote command (0x17) or a transmit request
// (0x10), with the 64-bit address it went to.
struct AddressedFrame {
    std::uint8_t type = 0;
    std::uint64_t destination = 0;
    Bytes frame;  // the whole frame, start byte to checksum

    bool operator==(const AddressedFrame&) const = default;
};

inline void PrintTo(const AddressedFrame& f, std::ostream* os) {
    *os << "{" << hexOf(Bytes{f.type}) << " to " << std::hex << f.destination << std::dec << ": "
        << hexOf(f.frame) << "}";
}

// Every remote command and transmit request in what the tool wrote, in order, read by the
// frame layout (7E, length, type, frame id, the 64-bit destination first in the ten address
// bytes) across the writes' boundaries. Other frames are skipped.
inline std::vector<AddressedFrame> addressedFrames(
    const std::vector<transport::WriteRecord>& writes) {
    constexpr std::uint8_t kRemoteCommand = 0x17;
    constexpr std::uint8_t kTransmitRequest = 0x10;
    constexpr std::size_t kDestinationAt = 5;  // 7E, two length bytes, type, frame id
    Bytes stream;
    for (const transport::WriteRecord& write : writes)
        stream.insert(stream.end(), write.bytes.begin(), write.bytes.end());
    std::vector<AddressedFrame> frames;
    std::size_t at = 0;
    while (at + 4 <= stream.size()) {
        if (stream[at] != 0x7E) {
            ++at;
            continue;
        }
        const std::size_t length = std::size_t{stream[at + 1]} << 8 | stream[at + 2];
        const std::size_t end = at + 3 + length + 1;
        if (end > stream.size()) break;
        const std::uint8_t type = stream[at + 3];
        if ((type == kRemoteCommand || type == kTransmitRequest) && length >= 2 + 8) {
            std::uint64_t destination = 0;
            for (std::size_t i = 0; i < 8; ++i)
                destination = destination << 8 | stream[at + kDestinationAt + i];
            frames.push_back({type, destination, Bytes(stream.begin() + at, stream.begin() + end)});
        }
        at = end;
    }
    return frames;
}

// The destinations alone, in order.
inline std::vector<std::uint64_t> destinationsOf(const std::vector<AddressedFrame>& frames) {
    std::vector<std::uint64_t> destinations;
    for (const AddressedFrame& f : frames) destinations.push_back(f.destination);
    return destinations;
}

}  // namespace testsupport
