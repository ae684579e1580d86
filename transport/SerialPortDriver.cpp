#include "transport/SerialPortDriver.h"

#include <libserialport.h>

#include <algorithm>
#include <cctype>
#include <new>

namespace transport {

namespace serialport {

namespace {
// The driver's codes for the line settings.
constexpr std::uint8_t kOneStopBitCode = 0;
constexpr std::uint8_t kTwoStopBitsCode = 2;
constexpr std::uint16_t kFlowNone = 0x0000;
constexpr std::uint16_t kFlowRtsCts = 0x0100;
constexpr std::uint16_t kFlowDtrDsr = 0x0200;
constexpr std::uint16_t kFlowXonXoff = 0x0400;

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

std::optional<std::string> selectPort(std::vector<PortCandidate> ports, int deviceIndex) {
    std::erase_if(ports, [](const PortCandidate& p) { return p.usbVendorId != kChipVendorId; });
    std::sort(ports.begin(), ports.end(), [](const PortCandidate& a, const PortCandidate& b) {
        return namesInOrder(a.name, b.name);
    });
    if (deviceIndex < 0 || static_cast<std::size_t>(deviceIndex) >= ports.size()) return {};
    return ports[static_cast<std::size_t>(deviceIndex)].name;
}

std::optional<LineSettings> mapDataCharacteristics(std::uint8_t wordLength, std::uint8_t stopBits,
                                                   std::uint8_t parity) {
    if (wordLength != 7 && wordLength != 8) return {};
    int stop = 0;
    if (stopBits == kOneStopBitCode) {
        stop = 1;
    } else if (stopBits == kTwoStopBitsCode) {
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
        case kFlowNone:
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
    std::uint32_t readTimeoutMs;
    std::uint32_t writeTimeoutMs;
};

OpenPort* portOf(DeviceHandle handle) { return static_cast<OpenPort*>(handle); }

DriverStatus statusOf(sp_return result) {
    return result == SP_OK ? kDriverOk : SerialPortDriver::kIoError;
}

std::vector<serialport::PortCandidate> listPorts() {
    std::vector<serialport::PortCandidate> candidates;
    sp_port** ports = nullptr;
    if (sp_list_ports(&ports) != SP_OK) return candidates;
    for (sp_port** p = ports; *p; ++p) {
        int vid = -1;
        int pid = -1;
        if (sp_get_port_transport(*p) != SP_TRANSPORT_USB ||
            sp_get_port_usb_vid_pid(*p, &vid, &pid) != SP_OK) {
            vid = -1;
        }
        candidates.push_back({sp_get_port_name(*p), vid});
    }
    sp_free_port_list(ports);
    return candidates;
}

}  // namespace

DriverStatus SerialPortDriver::open(int deviceIndex, DeviceHandle* handle) {
    *handle = nullptr;
    const auto name = serialport::selectPort(listPorts(), deviceIndex);
    if (!name) return kDeviceNotFound;
    return openByName(*name, handle);
}

DriverStatus SerialPortDriver::openByName(const std::string& name, DeviceHandle* handle) {
    *handle = nullptr;
    sp_port* port = nullptr;
    if (sp_get_port_by_name(name.c_str(), &port) != SP_OK) return kDeviceNotFound;
    if (sp_open(port, SP_MODE_READ_WRITE) != SP_OK) {
        sp_free_port(port);
        return kIoError;
    }
    auto* open = new (std::nothrow) OpenPort{port, 0, 0};
    if (!open) {
        sp_close(port);
        sp_free_port(port);
        return kIoError;
    }
    *handle = open;
    return kDriverOk;
}

DriverStatus SerialPortDriver::close(DeviceHandle handle) {
    OpenPort* open = portOf(handle);
    if (!open) return kInvalidParameter;
    const sp_return result = sp_close(open->port);
    sp_free_port(open->port);
    delete open;
    return statusOf(result);
}

DriverStatus SerialPortDriver::read(DeviceHandle handle, void* buffer, std::uint32_t wanted,
                                    std::uint32_t* got) {
    *got = 0;
    OpenPort* open = portOf(handle);
    // libserialport reads a time-out of 0 as "wait for ever"; here it means "do not wait".
    const int result = open->readTimeoutMs == 0
                           ? sp_nonblocking_read(open->port, buffer, wanted)
                           : sp_blocking_read(open->port, buffer, wanted, open->readTimeoutMs);
    if (result < 0) return kIoError;
    *got = static_cast<std::uint32_t>(result);
    return kDriverOk;
}

DriverStatus SerialPortDriver::write(DeviceHandle handle, const void* buffer, std::uint32_t count,
                                     std::uint32_t* written) {
    *written = 0;
    OpenPort* open = portOf(handle);
    const int result = sp_blocking_write(open->port, buffer, count, open->writeTimeoutMs);
    if (result < 0) return kIoError;
    *written = static_cast<std::uint32_t>(result);
    return kDriverOk;
}

DriverStatus SerialPortDriver::setBaudRate(DeviceHandle handle, std::uint32_t baud) {
    return statusOf(sp_set_baudrate(portOf(handle)->port, static_cast<int>(baud)));
}

DriverStatus SerialPortDriver::setDataCharacteristics(DeviceHandle handle, std::uint8_t wordLength,
                                                      std::uint8_t stopBits, std::uint8_t parity) {
    const auto line = serialport::mapDataCharacteristics(wordLength, stopBits, parity);
    if (!line) return kInvalidParameter;
    sp_port* port = portOf(handle)->port;
    if (sp_set_bits(port, line->bits) != SP_OK) return kIoError;
    if (sp_set_stopbits(port, line->stopBits) != SP_OK) return kIoError;
    return statusOf(sp_set_parity(port, static_cast<sp_parity>(line->parity)));
}

DriverStatus SerialPortDriver::setFlowControl(DeviceHandle handle, std::uint16_t flow,
                                              std::uint8_t xon, std::uint8_t xoff) {
    // libserialport keeps the usual XON and XOFF characters; the link uses no flow control.
    (void)xon;
    (void)xoff;
    const auto mode = serialport::mapFlowControl(flow);
    if (!mode) return kInvalidParameter;
    return statusOf(sp_set_flowcontrol(portOf(handle)->port, static_cast<sp_flowcontrol>(*mode)));
}

DriverStatus SerialPortDriver::setTimeouts(DeviceHandle handle, std::uint32_t readMs,
                                           std::uint32_t writeMs) {
    OpenPort* open = portOf(handle);
    open->readTimeoutMs = readMs;
    open->writeTimeoutMs = writeMs;
    return kDriverOk;
}

}  // namespace transport
