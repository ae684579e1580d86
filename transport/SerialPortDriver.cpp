#include "transport/SerialPortDriver.h"

#include <libserialport.h>
#include <limits.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <new>

#include "transport/SerialPortScan.h"

namespace transport {

namespace serialport {

namespace {
bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }
}  // namespace

bool namesInOrder(const std::string& a, const std::string& b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            std::size_t endA = i;
            std::size_t endB = j;
            while (endA < a.size() && isDigit(a[endA])) ++endA;
            while (endB < b.size() && isDigit(b[endB])) ++endB;
            // Without leading zeros, the longer run is the larger number.
            while (i + 1 < endA && a[i] == '0') ++i;
            while (j + 1 < endB && b[j] == '0') ++j;
            if (endA - i != endB - j) return endA - i < endB - j;
            const int order = a.compare(i, endA - i, b, j, endB - j);
            if (order != 0) return order < 0;
            i = endA;
            j = endB;
        } else {
            if (a[i] != b[j]) return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    if (a.size() - i != b.size() - j) return a.size() - i < b.size() - j;
    return a < b;
}

bool inDeviceOrder(const PortCandidate& a, const PortCandidate& b) {
    const bool chipA = a.usbVendorId == kChipVendorId;
    const bool chipB = b.usbVendorId == kChipVendorId;
    if (chipA != chipB) return chipA;
    return namesInOrder(a.name, b.name);
}

std::optional<std::string> selectPort(std::vector<PortCandidate> ports, int deviceIndex) {
    std::erase_if(ports, [](const PortCandidate& p) { return p.usbVendorId != kChipVendorId; });
    std::sort(ports.begin(), ports.end(), inDeviceOrder);
    if (deviceIndex < 0 || static_cast<std::size_t>(deviceIndex) >= ports.size()) return {};
    return ports[static_cast<std::size_t>(deviceIndex)].name;
}

std::optional<LineSettings> mapDataCharacteristics(std::uint8_t wordLength, std::uint8_t stopBits,
                                                   std::uint8_t parity) {
    if (wordLength != 7 && wordLength != 8) return {};
    int stop = 0;
    if (stopBits == kOneStopBit) {
        stop = 1;
    } else if (stopBits == kTwoStopBits) {
        stop = 2;
    } else {
        return {};
    }
    // The driver's parity codes 0 to 4 (none, odd, even, mark, space) are sp_parity's values.
    if (parity > SP_PARITY_SPACE) return {};
    return LineSettings{wordLength, stop, parity};
}

std::optional<int> mapFlowControl(std::uint16_t flow) {
    switch (flow) {
        case kNoFlowControl:
            return SP_FLOWCONTROL_NONE;
        case kFlowRtsCts:
            return SP_FLOWCONTROL_RTSCTS;
        case kFlowDtrDsr:
            return SP_FLOWCONTROL_DTRDSR;
        case kFlowXonXoff:
            return SP_FLOWCONTROL_XONXOFF;
        default:
            return {};
    }
}

}  // namespace serialport

namespace {

// What a handle points to.
struct OpenPort {
    sp_port* port;
    int fd;
    std::string name;
    std::uint32_t readTimeoutMs;
    std::uint32_t writeTimeoutMs;
};

OpenPort* portOf(DeviceHandle handle) { return static_cast<OpenPort*>(handle); }

DriverError ioError(const std::string& name, int systemError) {
    return {DriverError::Cause::IoError, static_cast<std::uint32_t>(systemError), name};
}

// A failed libserialport call; only SP_ERR_FAIL comes with the system's error number.
DriverError errorOf(sp_return result, const std::string& name) {
    if (result == SP_OK) return {};
    return ioError(name, result == SP_ERR_FAIL ? sp_last_error_code() : 0);
}

DriverError openError(const std::string& name, int systemError) {
    switch (systemError) {
        case EACCES:
        case EPERM:
            return {DriverError::Cause::PermissionDenied, 0, name};
        case EBUSY:
        case EWOULDBLOCK:
            return {DriverError::Cause::PortBusy, 0, name};
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return {DriverError::Cause::NoDevice, 0, {}};
        default:
            return ioError(name, systemError);
    }
}

void closePort(sp_port* port) {
    sp_close(port);
    sp_free_port(port);
}

// What the ports are, when the one asked for is not among them. A path may name any
// vendor's port; an index counts the chip maker's alone, and without any of those the
// dongle is simply not plugged in.
DriverError noSuchPort(const std::string& asked, const serialport::UsbSerialPorts& ports,
                       bool byPath) {
    if (!byPath && ports.chipPorts == 0) return {DriverError::Cause::NoDevice, 0, {}};
    return {DriverError::Cause::NoSuchDevice, 0, asked, serialport::choosableNames(ports, byPath)};
}

}  // namespace

SerialPortDriver::SerialPortDriver(std::string portPath, SystemRoots roots)
    : portPath_(std::move(portPath)), roots_(std::move(roots)) {}

DriverError SerialPortDriver::open(int deviceIndex, DeviceHandle* handle) {
    *handle = nullptr;
    if (!portPath_.empty()) return openPath(handle);
    const serialport::UsbSerialPorts ports = serialport::scanUsbSerialPorts(roots_);
    if (deviceIndex < 0 || static_cast<std::size_t>(deviceIndex) >= ports.chipPorts)
        return noSuchPort(std::to_string(deviceIndex), ports, false);
    return openByName(ports.ports[static_cast<std::size_t>(deviceIndex)].path, handle);
}

// libserialport knows a port only by the name the system lists it under, so a stable name
// that links to it is followed first.
DriverError SerialPortDriver::openPath(DeviceHandle* handle) {
    char* full = realpath(portPath_.c_str(), nullptr);
    const std::string port = full ? full : "";
    free(full);
    DriverError opened{DriverError::Cause::NoDevice, 0, {}};
    if (!port.empty()) opened = openByName(port, handle);
    if (opened.cause != DriverError::Cause::NoDevice) return opened;
    return noSuchPort(portPath_, serialport::scanUsbSerialPorts(roots_), true);
}

DriverError SerialPortDriver::openByName(const std::string& name, DeviceHandle* handle) {
    *handle = nullptr;
    sp_port* port = nullptr;
    if (sp_get_port_by_name(name.c_str(), &port) != SP_OK)
        return {DriverError::Cause::NoDevice, 0, {}};
    if (const sp_return opened = sp_open(port, SP_MODE_READ_WRITE); opened != SP_OK) {
        const int systemError = opened == SP_ERR_FAIL ? sp_last_error_code() : 0;
        sp_free_port(port);
        return openError(name, systemError);
    }
    int fd = -1;
    sp_get_port_handle(port, &fd);
    // The lock is released with the descriptor when the port closes.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int systemError = errno;
        closePort(port);
        return openError(name, systemError);
    }
    auto* open = new (std::nothrow) OpenPort{port, fd, name, 0, 0};
    if (!open) {
        closePort(port);
        return ioError(name, ENOMEM);
    }
    *handle = open;
    return {};
}

DriverError SerialPortDriver::close(DeviceHandle handle) {
    OpenPort* open = portOf(handle);
    if (!open) return ioError({}, EBADF);
    const DriverError result = errorOf(sp_close(open->port), open->name);
    sp_free_port(open->port);
    delete open;
    return result;
}

DriverError SerialPortDriver::read(DeviceHandle handle, void* buffer, std::uint32_t wanted,
                                   std::uint32_t* got) {
    using std::chrono::milliseconds;
    using std::chrono::steady_clock;
    *got = 0;
    OpenPort* open = portOf(handle);
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    // By hand rather than with libserialport's blocking read, which takes a hung-up port
    // (readable, yet reading nothing) for a quiet one and spins until its time-out.
    const auto deadline = steady_clock::now() + milliseconds(open->readTimeoutMs);
    while (*got < wanted) {
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - steady_clock::now());
        pollfd ready{open->fd, POLLIN, 0};
        const int polled =
            ::poll(&ready, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
        if (polled < 0 && errno == EINTR) continue;
        if (polled < 0) return ioError(open->name, errno);
        if (polled == 0) break;  // the time-out passed
        if ((ready.revents & POLLIN) == 0) {
            // Hung up or failed, with nothing left to read.
            if (*got > 0) break;  // what came first is delivered; the next read fails
            return ioError(open->name, EIO);
        }
        const ssize_t n = ::read(open->fd, bytes + *got, wanted - *got);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (n <= 0) {
            if (*got > 0) break;
            // Readable and at its end: the port was hung up.
            return ioError(open->name, n == 0 ? EIO : errno);
        }
        *got += static_cast<std::uint32_t>(n);
    }
    return {};
}

DriverError SerialPortDriver::write(DeviceHandle handle, const void* buffer, std::uint32_t count,
                                    std::uint32_t* written) {
    *written = 0;
    OpenPort* open = portOf(handle);
    const int result = sp_blocking_write(open->port, buffer, count, open->writeTimeoutMs);
    if (result < 0) return errorOf(static_cast<sp_return>(result), open->name);
    *written = static_cast<std::uint32_t>(result);
    return {};
}

DriverError SerialPortDriver::setBaudRate(DeviceHandle handle, std::uint32_t baud) {
    OpenPort* open = portOf(handle);
    return errorOf(sp_set_baudrate(open->port, static_cast<int>(baud)), open->name);
}

DriverError SerialPortDriver::setDataCharacteristics(DeviceHandle handle, std::uint8_t wordLength,
                                                     std::uint8_t stopBits, std::uint8_t parity) {
    OpenPort* open = portOf(handle);
    const auto line = serialport::mapDataCharacteristics(wordLength, stopBits, parity);
    if (!line) return ioError(open->name, EINVAL);
    if (const DriverError e = errorOf(sp_set_bits(open->port, line->bits), open->name); !e.ok())
        return e;
    if (const DriverError e = errorOf(sp_set_stopbits(open->port, line->stopBits), open->name);
        !e.ok())
        return e;
    return errorOf(sp_set_parity(open->port, static_cast<sp_parity>(line->parity)), open->name);
}

DriverError SerialPortDriver::setFlowControl(DeviceHandle handle, std::uint16_t flow,
                                             std::uint8_t xon, std::uint8_t xoff) {
    // libserialport keeps the usual XON and XOFF characters; the link uses no flow control.
    (void)xon;
    (void)xoff;
    OpenPort* open = portOf(handle);
    const auto mode = serialport::mapFlowControl(flow);
    if (!mode) return ioError(open->name, EINVAL);
    return errorOf(sp_set_flowcontrol(open->port, static_cast<sp_flowcontrol>(*mode)), open->name);
}

DriverError SerialPortDriver::setTimeouts(DeviceHandle handle, std::uint32_t readMs,
                                          std::uint32_t writeMs) {
    OpenPort* open = portOf(handle);
    open->readTimeoutMs = readMs;
    open->writeTimeoutMs = writeMs;
    return {};
}

}  // namespace transport
