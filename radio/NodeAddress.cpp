#include "radio/NodeAddress.h"

#include <algorithm>

namespace radio {

NodeAddress makeNodeAddress(std::uint32_t high, std::uint32_t low, std::uint16_t network) {
    NodeAddress address;
    auto& b = address.bytes;
    for (unsigned i = 0; i < 4; ++i) {
        const unsigned shift = 24 - 8 * i;
        b[i] = static_cast<std::uint8_t>(high >> shift);
        b[4 + i] = static_cast<std::uint8_t>(low >> shift);
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
