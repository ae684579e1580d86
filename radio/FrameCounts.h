#pragma once

#include <cstdint>

namespace radio {

// Running totals of what reached the frame assembler, never reset: the bytes received and
// the frames that passed and failed their checksum. Each wraps around; the difference
// between two readings counts what came between them.
struct FrameCounts {
    std::uint32_t bytes = 0;
    std::uint32_t passed = 0;
    std::uint32_t failed = 0;

    FrameCounts since(const FrameCounts& earlier) const;
    bool operator==(const FrameCounts&) const = default;
};

}  // namespace radio
