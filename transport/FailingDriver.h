#pragma once

#include <utility>

#include "transport/Driver.h"

namespace transport {

// Stands in for a driver that cannot serve on this machine: every call fails with the one
// error it was given, which then tells the operator why.
class FailingDriver final : public Driver {
public:
    explicit FailingDriver(DriverError error) : error_(std::move(error)) {}

    DriverError open(int, DeviceHandle* handle) override {
        *handle = nullptr;
        return error_;
    }
    DriverError close(DeviceHandle) override { return error_; }
    DriverError read(DeviceHandle, void*, std::uint32_t, std::uint32_t* got) override {
        *got = 0;
        return error_;
    }
    DriverError write(DeviceHandle, const void*, std::uint32_t, std::uint32_t* written) override {
        *written = 0;
        return error_;
    }
    DriverError setBaudRate(DeviceHandle, std::uint32_t) override { return error_; }
    DriverError setDataCharacteristics(DeviceHandle, std::uint8_t, std::uint8_t,
                                       std::uint8_t) override {
        return error_;
    }
    DriverError setFlowControl(DeviceHandle, std::uint16_t, std::uint8_t, std::uint8_t) override {
        return error_;
    }
    DriverError setTimeouts(DeviceHandle, std::uint32_t, std::uint32_t) override { return error_; }

private:
    DriverError error_;
};

}  // namespace transport
