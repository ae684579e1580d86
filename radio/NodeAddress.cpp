#include "radio/NodeAddress.h"

#include <algorithm>

namespace radio {

NodeAddress makeNodeAddress(NodeId node, std::uint16_t network) {
    NodeAddress address;
    auto& b = address.bytes;
    for (unsigned i = 0; i < kNode64Length; ++i) {
        b[i] = static_cast<std::uint8_t>(node >> (56 - 8 * i));
    }
    b[8] = static_cast<std::uint8_t>(network >> 8);
    b[9] = static_cast<std::uint8_t>(network);
    return address;
}

bool isNode(const NodeAddress& address, const std::uint8_t* node64) {
    const auto node = address.bytes.begin();
    if (std::all_of(node, node + kNode64Length, [](std::uint8_t b) { return b == 0; }))
        return false;
    return std::equal(node, node + kNode64Length, node64);
}

}  // namespace radio
