#include "transport/PortFactory.h"

#include <new>

namespace transport {

DeviceHandle openDevice(Driver& driver, const Settings& settings, int deviceIndex, int baud,
                        std::FILE* out) {
    DeviceHandle handle = nullptr;
    if (driver.open(deviceIndex, &handle) != kDriverOk || !handle) {
        std::fputs("unable to open communication device", out);
        return nullptr;
    }
    if (settings.verbose) std::fputs("ftopen\n", out);

    const char* failure = nullptr;
    if (driver.setBaudRate(handle, static_cast<std::uint32_t>(baud)) != kDriverOk) {
        failure = "baud rate err";
    } else if (driver.setDataCharacteristics(handle, kWordLength, kOneStopBit, kNoParity) !=
               kDriverOk) {
        failure = "port setup err";
    } else if (driver.setFlowControl(handle, kNoFlowControl, 0, 0) != kDriverOk) {
        failure = "port flow err";
    }
    if (failure) {
        std::fputs(failure, out);
        // Not left open: a later attempt, or another program, could not open it again.
        driver.close(handle);
        return nullptr;
    }
    driver.setTimeouts(handle, kOpenReadTimeoutMs, 0);
    return handle;
}

std::unique_ptr<PortPoller> PortFactory::create(ByteSource*& source, int deviceIndex, int baud) {
    source = nullptr;
    DeviceHandle handle = openDevice(driver_, settings_, deviceIndex, baud);
    if (!handle) return nullptr;
    auto* port = new (std::nothrow) FtdiPort(driver_, clock_, handle);
    if (!port) {
        driver_.close(handle);
        return nullptr;
    }
    std::unique_ptr<PortPoller> poller(new (std::nothrow) PortPoller(port));
    if (!poller) {
        delete port;  // closes the device
        return nullptr;
    }
    source = port;
    return poller;
}

std::unique_ptr<PortPoller> PortFactory::createLinked(int deviceIndex, int baud, RawLog& rawLog,
                                                      ByteSink& top) {
    ByteSource* source = nullptr;
    std::unique_ptr<PortPoller> poller = create(source, deviceIndex, baud);
    if (!poller) return poller;
    source->setPending(&rawLog);
    source->sync();
    rawLog.setPending(&top);
    rawLog.sync();
    return poller;
}

}  // namespace transport
