#include <limits.h>
#include <stdlib.h>

#include "transport/PortListing.h"
#include "transport/SerialPortScan.h"

namespace transport {

namespace {
std::string resolved(const std::string& path) {
    char* full = realpath(path.c_str(), nullptr);
    std::string result = full ? full : path;
    free(full);
    return result;
}
}  // namespace

PortListing listPorts(const SystemRoots& roots, const char* libraryPath) {
    PortListing listing;
    const serialport::UsbSerialPorts found = serialport::scanUsbSerialPorts(roots);
    for (std::size_t i = 0; i < found.ports.size(); ++i) {
        const serialport::UsbSerialPort& port = found.ports[i];
        PortRecord record;
        record.index = i < found.chipPorts ? static_cast<int>(i) : -1;
        record.path = port.path;
        record.byIdPath = port.byIdPath;
        record.usbVendorId = port.vendorId;
        record.usbProductId = port.productId;
        record.serialNumber = port.serialNumber;
        record.manufacturer = port.manufacturer;
        record.description = port.product;
        record.access = serialport::checkAccess(port.path, roots);
        listing.ports.push_back(std::move(record));
    }
    listing.library = reportLibrary(libraryPath);
    return listing;
}

const PortRecord* findPort(const PortListing& listing, const DeviceChoice& choice) {
    const std::string wanted = choice.isPath() ? resolved(choice.path()) : std::string();
    for (const PortRecord& port : listing.ports) {
        if (choice.isPath() ? resolved(port.path) == wanted : port.index == choice.index())
            return &port;
    }
    return nullptr;
}

}  // namespace transport
