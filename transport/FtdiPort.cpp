#include "transport/FtdiPort.h"

#include <algorithm>

namespace transport {

FtdiChannel::FtdiChannel(Driver& driver, Clock& clock, DeviceHandle handle)
    : driver_(driver), clock_(clock), handle_(handle) {}

FtdiChannel::~FtdiChannel() {
    if (handle_) driver_.close(handle_);
}

int FtdiChannel::read(void* buffer, int count) {
    const std::int64_t start = clock_.nowMs();
    std::uint32_t got = 0;
    const DriverError status =
        driver_.read(handle_, buffer, static_cast<std::uint32_t>(std::max(count, 0)), &got);
    // A read that brings nothing ends no sooner than its time-out, whatever the driver did.
    if (!status.ok() || got == 0) clock_.sleepUntil(start + readTimeoutMs_);
    return status.ok() ? static_cast<int>(got) : -1;
}

int FtdiChannel::write(const void* buffer, int count) {
    std::uint32_t written = 0;
    const DriverError status =
        driver_.write(handle_, buffer, static_cast<std::uint32_t>(std::max(count, 0)), &written);
    return status.ok() ? static_cast<int>(written) : -1;
}

int PortReader::pump() {
    std::uint8_t buffer[kPumpBytes];
    const int got = read(buffer, kPumpBytes);
    if (got == 0) return 1;
    if (got < 0) return got;
    sync();
    receive(ByteView(buffer, static_cast<std::uint32_t>(got)));
    sync();
    return 0;
}

FtdiPort::FtdiPort(Driver& driver, Clock& clock, DeviceHandle handle)
    : FtdiChannel(driver, clock, handle) {
    open_ = true;
}

int FtdiPort::setReadTimeout(int ms) {
    readTimeoutMs_ = static_cast<std::uint32_t>(std::max(ms, 0));
    return driver_.setTimeouts(handle_, readTimeoutMs_, 0).ok() ? 0 : -1;
}

}  // namespace transport
