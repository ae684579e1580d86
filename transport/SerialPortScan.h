#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "transport/PortListing.h"

// The system's serial ports on USB, read from its device tree without opening any, and who
// may open them: the ground both the serial-port driver and the port listing stand on, so
// that a device index means the same port to both.
namespace transport::serialport {

struct UsbSerialPort {
    std::string path;      // <dev>/ttyUSB0
    std::string byIdPath;  // <dev>/serial/by-id/... when one links to it
    int vendorId = -1;
    int productId = -1;
    std::string serialNumber;
    std::string manufacturer;
    std::string product;
};

struct UsbSerialPorts {
    // The chip maker's ports first, in the order device indices count them (names with
    // their digit runs compared as numbers), then the others in the same order.
    std::vector<UsbSerialPort> ports;
    std::size_t chipPorts = 0;  // how many of the first are the chip maker's
};

// Every tty under <sys>/class/tty whose device sits on USB, with the USB device's ids and
// strings.
UsbSerialPorts scanUsbSerialPorts(const SystemRoots& roots = {});

// The ports as a device choice names them, for messages: "0 /dev/ttyUSB0" for the chip
// maker's, the bare path for the others, which only a path reaches; those only when asked.
std::vector<std::string> choosableNames(const UsbSerialPorts& ports, bool withOtherVendors);

// Whether this user may open the port at path, judged from its device file, the open files
// of the processes under <proc> that this user may see, and <proc>/locks. Opens nothing.
PortAccess checkAccess(const std::string& path, const SystemRoots& roots = {});

}  // namespace transport::serialport
