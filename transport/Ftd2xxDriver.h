#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "transport/Driver.h"

namespace transport {

struct Ftd2xxFunctions;

// The chip maker's own driver library, loaded at run time so the program also runs where
// it is not installed. Each role calls the library's published C function of that name.
// Once loaded the library stays loaded until the process ends: it runs threads of its own,
// which would crash in code unloaded under them.
class Ftd2xxDriver final : public Driver {
public:
    // The library's usual name on this platform, as the build gives it.
    static const char* const kDefaultLibrary;

    // Null when the library cannot be loaded or lacks one of the eight functions.
    // Each platform has its own loader.
    static std::unique_ptr<Ftd2xxDriver> load(const char* libraryPath = kDefaultLibrary);
    ~Ftd2xxDriver() override;
    Ftd2xxDriver(const Ftd2xxDriver&) = delete;
    Ftd2xxDriver& operator=(const Ftd2xxDriver&) = delete;

    // The devices the library sees, counted without opening any; none when the library has
    // no count call or the count fails.
    std::optional<std::uint32_t> deviceCount();

    // An index past the devices the library sees is NoSuchDevice, with those it sees.
    DriverError open(int deviceIndex, DeviceHandle* handle) override;
    DriverError close(DeviceHandle handle) override;
    DriverError read(DeviceHandle handle, void* buffer, std::uint32_t wanted,
                     std::uint32_t* got) override;
    DriverError write(DeviceHandle handle, const void* buffer, std::uint32_t count,
                      std::uint32_t* written) override;
    DriverError setBaudRate(DeviceHandle handle, std::uint32_t baud) override;
    DriverError setDataCharacteristics(DeviceHandle handle, std::uint8_t wordLength,
                                       std::uint8_t stopBits, std::uint8_t parity) override;
    DriverError setFlowControl(DeviceHandle handle, std::uint16_t flow, std::uint8_t xon,
                               std::uint8_t xoff) override;
    DriverError setTimeouts(DeviceHandle handle, std::uint32_t readMs,
                            std::uint32_t writeMs) override;

private:
    Ftd2xxDriver(std::string libraryName, std::unique_ptr<Ftd2xxFunctions> functions);
    DriverError errorOf(std::uint32_t status) const;

    std::string libraryName_;
    std::unique_ptr<Ftd2xxFunctions> functions_;
};

}  // namespace transport
