#include "transport/Ftd2xxDriver.h"

#include "transport/Ftd2xxFunctions.h"

namespace transport {

namespace {
// The library's own statuses that the system tells apart.
constexpr std::uint32_t kLibraryOk = 0;
constexpr std::uint32_t kLibraryDeviceNotFound = 2;
}  // namespace

Ftd2xxDriver::Ftd2xxDriver(std::string libraryName, std::unique_ptr<Ftd2xxFunctions> functions)
    : libraryName_(std::move(libraryName)), functions_(std::move(functions)) {}

Ftd2xxDriver::~Ftd2xxDriver() = default;

DriverError Ftd2xxDriver::errorOf(std::uint32_t status) const {
    if (status == kLibraryOk) return {};
    if (status == kLibraryDeviceNotFound) return {DriverError::Cause::NoDevice, 0, {}};
    return {DriverError::Cause::LibraryStatus, status, libraryName_};
}

std::optional<std::uint32_t> Ftd2xxDriver::deviceCount() {
    Ftd2xxFunctions::Dword count = 0;
    if (!functions_->createDeviceInfoList || functions_->createDeviceInfoList(&count) != kLibraryOk)
        return std::nullopt;
    return count;
}

DriverError Ftd2xxDriver::open(int deviceIndex, DeviceHandle* handle) {
    DriverError error = errorOf(functions_->open(deviceIndex, handle));
    if (error.cause != DriverError::Cause::NoDevice || deviceIndex <= 0) return error;
    const auto count = deviceCount();
    if (!count || *count == 0) return error;
    error = {DriverError::Cause::NoSuchDevice, 0, std::to_string(deviceIndex)};
    for (std::uint32_t i = 0; i < *count; ++i) error.existing.push_back(std::to_string(i));
    return error;
}

DriverError Ftd2xxDriver::close(DeviceHandle handle) { return errorOf(functions_->close(handle)); }

DriverError Ftd2xxDriver::read(DeviceHandle handle, void* buffer, std::uint32_t wanted,
                               std::uint32_t* got) {
    return errorOf(functions_->read(handle, buffer, wanted, got));
}

DriverError Ftd2xxDriver::write(DeviceHandle handle, const void* buffer, std::uint32_t count,
                                std::uint32_t* written) {
    // The library takes a plain pointer but only reads from it.
    return errorOf(functions_->write(handle, const_cast<void*>(buffer), count, written));
}

DriverError Ftd2xxDriver::setBaudRate(DeviceHandle handle, std::uint32_t baud) {
    return errorOf(functions_->setBaudRate(handle, baud));
}

DriverError Ftd2xxDriver::setDataCharacteristics(DeviceHandle handle, std::uint8_t wordLength,
                                                 std::uint8_t stopBits, std::uint8_t parity) {
    return errorOf(functions_->setDataCharacteristics(handle, wordLength, stopBits, parity));
}

DriverError Ftd2xxDriver::setFlowControl(DeviceHandle handle, std::uint16_t flow, std::uint8_t xon,
                                         std::uint8_t xoff) {
    return errorOf(functions_->setFlowControl(handle, flow, xon, xoff));
}

DriverError Ftd2xxDriver::setTimeouts(DeviceHandle handle, std::uint32_t readMs,
                                      std::uint32_t writeMs) {
    return errorOf(functions_->setTimeouts(handle, readMs, writeMs));
}

}  // namespace transport
