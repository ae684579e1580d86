#include "transport/TracingDriver.h"

namespace transport {

TracingDriver::TracingDriver(Driver& inner, DriverTrace& trace, std::string label)
    : inner_(inner), trace_(trace), label_(std::move(label)) {}

DriverError TracingDriver::told(const std::string& call, DriverError result) {
    trace_.onCall(label_ + " " + call, result);
    return result;
}

DriverError TracingDriver::open(int deviceIndex, DeviceHandle* handle) {
    readFailing_ = false;
    return told("open " + std::to_string(deviceIndex), inner_.open(deviceIndex, handle));
}

DriverError TracingDriver::close(DeviceHandle handle) {
    return told("close", inner_.close(handle));
}

DriverError TracingDriver::read(DeviceHandle handle, void* buffer, std::uint32_t wanted,
                                std::uint32_t* got) {
    DriverError result = inner_.read(handle, buffer, wanted, got);
    if (!result.ok()) {
        if (!readFailing_) trace_.onCall(label_ + " read", result);
        readFailing_ = true;
        return result;
    }
    readFailing_ = false;
    if (*got > 0) trace_.onRead(ByteView(static_cast<const std::uint8_t*>(buffer), *got));
    return result;
}

DriverError TracingDriver::write(DeviceHandle handle, const void* buffer, std::uint32_t count,
                                 std::uint32_t* written) {
    trace_.onWrite(ByteView(static_cast<const std::uint8_t*>(buffer), count));
    DriverError result = inner_.write(handle, buffer, count, written);
    if (!result.ok()) trace_.onCall(label_ + " write", result);
    return result;
}

DriverError TracingDriver::setBaudRate(DeviceHandle handle, std::uint32_t baud) {
    return told("baud " + std::to_string(baud), inner_.setBaudRate(handle, baud));
}

DriverError TracingDriver::setDataCharacteristics(DeviceHandle handle, std::uint8_t wordLength,
                                                  std::uint8_t stopBits, std::uint8_t parity) {
    return told("data " + std::to_string(wordLength) + " " + std::to_string(stopBits) + " " +
                    std::to_string(parity),
                inner_.setDataCharacteristics(handle, wordLength, stopBits, parity));
}

DriverError TracingDriver::setFlowControl(DeviceHandle handle, std::uint16_t flow, std::uint8_t xon,
                                          std::uint8_t xoff) {
    return told(
        "flow " + std::to_string(flow) + " " + std::to_string(xon) + " " + std::to_string(xoff),
        inner_.setFlowControl(handle, flow, xon, xoff));
}

DriverError TracingDriver::setTimeouts(DeviceHandle handle, std::uint32_t readMs,
                                       std::uint32_t writeMs) {
    DriverError result = inner_.setTimeouts(handle, readMs, writeMs);
    if (!result.ok()) {
        trace_.onCall(
            label_ + " timeouts " + std::to_string(readMs) + " " + std::to_string(writeMs), result);
    }
    return result;
}

}  // namespace transport
