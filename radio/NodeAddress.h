#pragma once

#include <array>
#include <cstdint>
#include <memory>

namespace radio {

inline constexpr std::uint32_t kNodeAddressLength = 10;

// Destination of addressed frames in transmission order: the 64-bit node address, then the
// 16-bit network address, each most significant byte first.
struct NodeAddress {
    std::array<std::uint8_t, kNodeAddressLength> bytes{};
};

// The address of a node record (two 32-bit halves and the network address); null when memory
// runs out.
std::unique_ptr<NodeAddress> makeNodeAddress(std::uint32_t high, std::uint32_t low,
                                             std::uint16_t network);

}  // namespace radio
