#include "turbine/PacketCheck.h"

namespace turbine {

namespace {
constexpr std::uint16_t kCrcPolynomial = 0x8005;
}

std::uint32_t reverseBits(std::uint32_t value, unsigned n) {
    std::uint32_t mirrored = 0;
    for (unsigned bit = 0; bit < n; ++bit) {
        mirrored = (mirrored << 1) | (value & 1u);
        value >>= 1;
    }
    return mirrored;
}

std::uint16_t crc16Update(std::uint16_t reg, std::uint8_t byte) {
    std::uint32_t r = reg ^ (reverseBits(byte, 8) << 8);
    for (int i = 0; i < 8; ++i) {
        const bool carry = (r & 0x8000u) != 0;
        r = (r << 1) & 0xFFFFu;
        if (carry) r ^= kCrcPolynomial;
    }
    return static_cast<std::uint16_t>(r);
}

std::uint16_t packetCheck(transport::ByteView bytes) {
    std::uint16_t reg = 0;
    for (std::uint8_t byte : bytes) reg = crc16Update(reg, byte);
    return static_cast<std::uint16_t>(reverseBits(reg, 16));
}

}  // namespace turbine
