#pragma once

#include <cstdint>

#include "transport/DriverError.h"

namespace transport {

using DeviceHandle = void*;

// The driver's codes for the line settings, as setDataCharacteristics and setFlowControl
// take them.
inline constexpr std::uint8_t kOneStopBit = 0;
inline constexpr std::uint8_t kTwoStopBits = 2;
inline constexpr std::uint8_t kNoParity = 0;  // then odd, even, mark, space: 1 to 4
inline constexpr std::uint16_t kNoFlowControl = 0x0000;
inline constexpr std::uint16_t kFlowRtsCts = 0x0100;
inline constexpr std::uint16_t kFlowDtrDsr = 0x0200;
inline constexpr std::uint16_t kFlowXonXoff = 0x0400;

// The USB serial chip's driver: the eight calls the port makes. Each answers success or why
// it failed. A read returns, with success, as soon as the wanted count has arrived or the
// read time-out has passed, reporting what arrived by then, possibly nothing.
class Driver {
public:
    virtual ~Driver() = default;
    virtual DriverError open(int deviceIndex, DeviceHandle* handle) = 0;
    virtual DriverError close(DeviceHandle handle) = 0;
    virtual DriverError read(DeviceHandle, void* buffer, std::uint32_t wanted,
                             std::uint32_t* got) = 0;
    virtual DriverError write(DeviceHandle, const void* buffer, std::uint32_t count,
                              std::uint32_t* written) = 0;
    virtual DriverError setBaudRate(DeviceHandle, std::uint32_t baud) = 0;
    virtual DriverError setDataCharacteristics(DeviceHandle, std::uint8_t wordLength,
                                               std::uint8_t stopBits, std::uint8_t parity) = 0;
    virtual DriverError setFlowControl(DeviceHandle, std::uint16_t flow, std::uint8_t xon,
                                       std::uint8_t xoff) = 0;
    virtual DriverError setTimeouts(DeviceHandle, std::uint32_t readMs, std::uint32_t writeMs) = 0;
};

}  // namespace transport
