#pragma once

#include <cstdint>

namespace transport {

using DeviceHandle = void*;
using DriverStatus = std::uint32_t;  // 0 = success

inline constexpr DriverStatus kDriverOk = 0;

// The USB serial chip's driver: the eight calls the port makes. Each answers a status,
// 0 for success. A read returns, with status 0, as soon as the wanted count has arrived
// or the read time-out has passed, reporting what arrived by then, possibly nothing.
class Driver {
public:
    virtual ~Driver() = default;
    virtual DriverStatus open(int deviceIndex, DeviceHandle* handle) = 0;
    virtual DriverStatus close(DeviceHandle handle) = 0;
    virtual DriverStatus read(DeviceHandle, void* buffer, std::uint32_t wanted,
                              std::uint32_t* got) = 0;
    virtual DriverStatus write(DeviceHandle, const void* buffer, std::uint32_t count,
                               std::uint32_t* written) = 0;
    virtual DriverStatus setBaudRate(DeviceHandle, std::uint32_t baud) = 0;
    virtual DriverStatus setDataCharacteristics(DeviceHandle, std::uint8_t wordLength,
                                                std::uint8_t stopBits, std::uint8_t parity) = 0;
    virtual DriverStatus setFlowControl(DeviceHandle, std::uint16_t flow, std::uint8_t xon,
                                        std::uint8_t xoff) = 0;
    virtual DriverStatus setTimeouts(DeviceHandle, std::uint32_t readMs, std::uint32_t writeMs) = 0;
};

}  // namespace transport
