#pragma once

#include <array>
#include <cstdint>

namespace radio {

inline constexpr std::uint32_t kNodeAddressLength = 10;
inline constexpr std::uint32_t kNode64Length = 8;  // the first part of the address

// Destination of addressed frames in transmission order: the 64-bit node address, then the
// 16-bit network address, each most significant byte first.
struct NodeAddress {
    std::array<std::uint8_t, kNodeAddressLength> bytes{};
};

// The address of a node record: two 32-bit halves and the network address.
NodeAddress makeNodeAddress(std::uint32_t high, std::uint32_t low, std::uint16_t network);

// Whether the eight bytes at node64 are the address's 64-bit node address. The network
// address is left out: a node may be given another one when it restarts. An address whose
// 64-bit part is all zero names no node yet and matches nothing.
bool isNode(const NodeAddress& address, const std::uint8_t* node64);

}  // namespace radio
