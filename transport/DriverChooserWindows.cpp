#include "transport/DriverChooser.h"
#include "transport/Ftd2xxDriver.h"

namespace transport {

namespace {

// Stands in for the chip maker's library where it is not installed: every call fails,
// saying that the library is missing.
class MissingLibraryDriver final : public Driver {
public:
    explicit MissingLibraryDriver(const char* libraryName)
        : missing_{DriverError::Cause::LibraryMissing, 0, libraryName} {}

    DriverError open(int, DeviceHandle* handle) override {
        *handle = nullptr;
        return missing_;
    }
    DriverError close(DeviceHandle) override { return missing_; }
    DriverError read(DeviceHandle, void*, std::uint32_t, std::uint32_t* got) override {
        *got = 0;
        return missing_;
    }
    DriverError write(DeviceHandle, const void*, std::uint32_t, std::uint32_t* written) override {
        *written = 0;
        return missing_;
    }
    DriverError setBaudRate(DeviceHandle, std::uint32_t) override { return missing_; }
    DriverError setDataCharacteristics(DeviceHandle, std::uint8_t, std::uint8_t,
                                       std::uint8_t) override {
        return missing_;
    }
    DriverError setFlowControl(DeviceHandle, std::uint16_t, std::uint8_t, std::uint8_t) override {
        return missing_;
    }
    DriverError setTimeouts(DeviceHandle, std::uint32_t, std::uint32_t) override {
        return missing_;
    }

private:
    DriverError missing_;
};

}  // namespace

// On Windows the radio is reached through the chip maker's library alone.
std::vector<std::unique_ptr<Driver>> platformDrivers(const char* libraryPath) {
    const char* library = libraryPath ? libraryPath : Ftd2xxDriver::kDefaultLibrary;
    std::vector<std::unique_ptr<Driver>> drivers;
    if (auto loaded = Ftd2xxDriver::load(library))
        drivers.push_back(std::move(loaded));
    else
        drivers.push_back(std::make_unique<MissingLibraryDriver>(library));
    return drivers;
}

}  // namespace transport
