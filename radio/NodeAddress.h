#pragma once

#include <array>
#include <cstdint>

namespace radio {

inline constexpr std::uint32_t kNodeAddressLength = 10;
inline constexpr std::uint32_t kNode64Length = 8;  // the first part of the address

// A radio node, by its 64-bit address: the one name no other node can take over.
using NodeId = std::uint64_t;

// Destination of addressed frames in transmission order: the 64-bit node address, then the
// 16-bit network address, each most significant byte first.
struct NodeAddress {
    std::array<std::uint8_t, kNodeAddressLength> bytes{};
};

// The destination for a node and its network address.
NodeAddress makeNodeAddress(NodeId node, std::uint16_t network);

// The node an address is for: its first eight bytes.
NodeId nodeOf(const NodeAddress& address);
// The node of the eight bytes at node64, most significant first.
NodeId readNodeId(const std::uint8_t* node64);

// Whether the eight bytes at node64 are this node. The network address is left out: a node
// may be given another one when it restarts. Node 0 is no node yet and matches nothing.
bool isNode(NodeId node, const std::uint8_t* node64);

}  // namespace radio
