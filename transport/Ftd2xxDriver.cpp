#include "transport/Ftd2xxDriver.h"

#include "transport/Ftd2xxFunctions.h"

namespace transport {

Ftd2xxDriver::Ftd2xxDriver(void* library, std::unique_ptr<Ftd2xxFunctions> functions)
    : library_(library), functions_(std::move(functions)) {}

Ftd2xxDriver::~Ftd2xxDriver() { unload(library_); }

DriverStatus Ftd2xxDriver::open(int deviceIndex, DeviceHandle* handle) {
    return functions_->open(deviceIndex, handle);
}

DriverStatus Ftd2xxDriver::close(DeviceHandle handle) { return functions_->close(handle); }

DriverStatus Ftd2xxDriver::read(DeviceHandle handle, void* buffer, std::uint32_t wanted,
                                std::uint32_t* got) {
    return functions_->read(handle, buffer, wanted, got);
}

DriverStatus Ftd2xxDriver::write(DeviceHandle handle, const void* buffer, std::uint32_t count,
                                 std::uint32_t* written) {
    // The library takes a plain pointer but only reads from it.
    return functions_->write(handle, const_cast<void*>(buffer), count, written);
}

DriverStatus Ftd2xxDriver::setBaudRate(DeviceHandle handle, std::uint32_t baud) {
    return functions_->setBaudRate(handle, baud);
}

DriverStatus Ftd2xxDriver::setDataCharacteristics(DeviceHandle handle, std::uint8_t wordLength,
                                                  std::uint8_t stopBits, std::uint8_t parity) {
    return functions_->setDataCharacteristics(handle, wordLength, stopBits, parity);
}

DriverStatus Ftd2xxDriver::setFlowControl(DeviceHandle handle, std::uint16_t flow, std::uint8_t xon,
                                          std::uint8_t xoff) {
    return functions_->setFlowControl(handle, flow, xon, xoff);
}

DriverStatus Ftd2xxDriver::setTimeouts(DeviceHandle handle, std::uint32_t readMs,
                                       std::uint32_t writeMs) {
    return functions_->setTimeouts(handle, readMs, writeMs);
}

}  // namespace transport
