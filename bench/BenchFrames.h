#pragma once

#include <cstdint>
#include <vector>

#include "transport/ByteSink.h"

// What the benchmarks share: frames built from the frame layout, and the bottom of a chain.
namespace bench {

using Bytes = std::vector<std::uint8_t>;

// 0x7E, the length most significant byte first, the frame data, the checksum.
inline void appendFrame(Bytes& out, const Bytes& frameData) {
    std::uint8_t sum = 0;
    for (std::uint8_t b : frameData) sum = static_cast<std::uint8_t>(sum + b);
    out.push_back(0x7E);
    out.push_back(static_cast<std::uint8_t>(frameData.size() >> 8));
    out.push_back(static_cast<std::uint8_t>(frameData.size()));
    out.insert(out.end(), frameData.begin(), frameData.end());
    out.push_back(static_cast<std::uint8_t>(0xFF - sum));
}

// Stands where the port stands: hands each chunk up, keeps the completion flag.
class Port final : public transport::ByteSource, public transport::CompletionFlag {
public:
    void receive(transport::ByteView bytes) override { deliver(bytes); }
};

}  // namespace bench
