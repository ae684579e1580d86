#pragma once

#include <string>
#include <string_view>

#include "transport/ByteBuffer.h"
#include "transport/Driver.h"

namespace transport {

// Told of the traffic through a TracingDriver, on the thread that makes the calls.
class DriverTrace {
public:
    virtual ~DriverTrace() = default;
    // The bytes a read brought; never empty.
    virtual void onRead(ByteView bytes) = 0;
    // The bytes handed to a write, as it is made.
    virtual void onWrite(ByteView bytes) = 0;
    // Another call, such as "open 0" or "baud 115200", and its answer, prefixed by the
    // driver's label.
    virtual void onCall(std::string_view call, const DriverError& result) = 0;
};

// Passes every call on to another driver and tells a trace of it: the bytes of every read
// and write, the open, close and line settings with their answers. The read time-out, set
// before nearly every wait, is told only when setting it fails; of a run of failed reads,
// as a pulled dongle gives at every poll, only the first is told.
class TracingDriver final : public Driver {
public:
    TracingDriver(Driver& inner, DriverTrace& trace, std::string label);

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
    DriverError told(const std::string& call, DriverError result);

    Driver& inner_;
    DriverTrace& trace_;
    std::string label_;
    bool readFailing_ = false;
};

}  // namespace transport
