#include "radio/NodeAddress.h"

#include <new>

namespace radio {

std::unique_ptr<NodeAddress> makeNodeAddress(std::uint32_t high, std::uint32_t low,
                                             std::uint16_t network) {
    std::unique_ptr<NodeAddress> address(new (std::nothrow) NodeAddress);
    if (!address) return nullptr;
    auto& b = address->bytes;
    for (unsigned i = 0; i < 4; ++i) {
        const unsigned shift = 24 - 8 * i;
        b[i] = static_cast<std::uint8_t>(high >> shift);
        b[4 + i] = static_cast<std::uint8_t>(low >> shift);
    }
    b[8] = static_cast<std::uint8_t>(network >> 8);
    b[9] = static_cast<std::uint8_t>(network);
    return address;
}

}  // namespace radio
