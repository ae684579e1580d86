#include "radio/NodeAddress.h"

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

NodeId nodeOf(const NodeAddress& address) { return readNodeId(address.bytes.data()); }

NodeId readNodeId(const std::uint8_t* node64) {
    NodeId node = 0;
    for (unsigned i = 0; i < kNode64Length; ++i) node = (node << 8) | node64[i];
    return node;
}

bool isNode(NodeId node, const std::uint8_t* node64) {
    return node != 0 && node == readNodeId(node64);
}

}  // namespace radio
