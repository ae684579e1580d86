#include "transport/DriverChooser.h"
#include "transport/Ftd2xxDriver.h"

namespace transport {

namespace {

// Stands in for the chip maker's library where it is not installed: there is then no device
// to open, and the open sequence fails as it does with the radio unplugged.
class NoLibraryDriver final : public Driver {
public:
    DriverStatus open(int, DeviceHandle* handle) override {
        *handle = nullptr;
        return kDeviceNotFound;
    }
    DriverStatus close(DeviceHandle) override { return kInvalidHandle; }
    DriverStatus read(DeviceHandle, void*, std::uint32_t, std::uint32_t* got) override {
        *got = 0;
        return kInvalidHandle;
    }
    DriverStatus write(DeviceHandle, const void*, std::uint32_t, std::uint32_t* written) override {
        *written = 0;
        return kInvalidHandle;
    }
    DriverStatus setBaudRate(DeviceHandle, std::uint32_t) override { return kInvalidHandle; }
    DriverStatus setDataCharacteristics(DeviceHandle, std::uint8_t, std::uint8_t,
                                        std::uint8_t) override {
        return kInvalidHandle;
    }
    DriverStatus setFlowControl(DeviceHandle, std::uint16_t, std::uint8_t, std::uint8_t) override {
        return kInvalidHandle;
    }
    DriverStatus setTimeouts(DeviceHandle, std::uint32_t, std::uint32_t) override {
        return kInvalidHandle;
    }

private:
    // The library's own statuses for these cases.
    static constexpr DriverStatus kInvalidHandle = 1;
    static constexpr DriverStatus kDeviceNotFound = 2;
};

}  // namespace

// On Windows the radio is reached through the chip maker's library alone.
std::unique_ptr<Driver> chooseDriver(const char* libraryPath) {
    if (auto library =
            Ftd2xxDriver::load(libraryPath ? libraryPath : Ftd2xxDriver::kDefaultLibrary))
        return library;
    return std::make_unique<NoLibraryDriver>();
}

}  // namespace transport
