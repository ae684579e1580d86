#include "transport/SerialPortScan.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <optional>

#include "transport/SerialPortDriver.h"

namespace transport::serialport {

namespace {

// How far above the tty's device the USB device may sit: the tty's own device is the USB
// serial port, its parent the USB interface, and the USB device above that.
constexpr int kUsbDeviceLevels = 5;
// A USB string descriptor holds at most 126 characters; anything longer is not one.
constexpr std::size_t kMaxAttributeLength = 255;

std::vector<std::string> entriesOf(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return names;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
    return names;
}

std::optional<std::string> linkTarget(const std::string& path) {
    char target[PATH_MAX];
    const ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
    if (n <= 0) return std::nullopt;
    return std::string(target, static_cast<std::size_t>(n));
}

std::optional<std::string> resolved(const std::string& path) {
    char* full = realpath(path.c_str(), nullptr);
    if (!full) return std::nullopt;
    std::string result = full;
    free(full);
    return result;
}

// The first line of a device attribute, without its line end; empty when there is none.
std::string attribute(const std::string& path) {
    std::ifstream file(path);
    std::string line;
    if (!file || !std::getline(file, line) || line.size() > kMaxAttributeLength) return {};
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    return line;
}

int hexAttribute(const std::string& path) {
    const std::string text = attribute(path);
    if (text.empty() || text.size() > 4) return -1;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 16);
    return *end == '\0' ? static_cast<int>(value) : -1;
}

// The USB device a tty belongs to, or none when it is not on USB. The tree links each tty to
// its device; the kind of bus shows in that link's target.
std::optional<UsbSerialPort> usbPortOf(const std::string& ttyFolder) {
    auto target = linkTarget(ttyFolder);
    if (!target) target = linkTarget(ttyFolder + "/device");
    if (!target || target->find("virtual") != std::string::npos ||
        target->find("usb") == std::string::npos)
        return std::nullopt;
    std::string usbDevice = ttyFolder + "/device";
    for (int level = 0; level <= kUsbDeviceLevels; ++level, usbDevice += "/..") {
        UsbSerialPort port;
        port.vendorId = hexAttribute(usbDevice + "/idVendor");
        if (port.vendorId < 0) continue;
        port.productId = hexAttribute(usbDevice + "/idProduct");
        port.serialNumber = attribute(usbDevice + "/serial");
        port.manufacturer = attribute(usbDevice + "/manufacturer");
        port.product = attribute(usbDevice + "/product");
        return port;
    }
    return std::nullopt;
}

// The stable names under <dev>/serial/by-id, by the device file each links to.
std::map<std::string, std::string> stableNames(const std::string& dev) {
    std::map<std::string, std::string> byTarget;
    const std::string folder = dev + "/serial/by-id";
    std::vector<std::string> names = entriesOf(folder);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        if (const auto target = resolved(folder + "/" + name))
            byTarget.emplace(*target, folder + "/" + name);
    }
    return byTarget;
}

}  // namespace

UsbSerialPorts scanUsbSerialPorts(const SystemRoots& roots) {
    UsbSerialPorts found;
    const std::string ttys = roots.sys + "/class/tty";
    const auto byId = stableNames(roots.dev);
    for (const std::string& name : entriesOf(ttys)) {
        auto port = usbPortOf(ttys + "/" + name);
        if (!port) continue;
        port->path = roots.dev + "/" + name;
        if (const auto target = resolved(port->path)) {
            const auto link = byId.find(*target);
            if (link != byId.end()) port->byIdPath = link->second;
        }
        found.ports.push_back(std::move(*port));
    }
    std::sort(found.ports.begin(), found.ports.end(),
              [](const UsbSerialPort& a, const UsbSerialPort& b) {
                  return inDeviceOrder({a.path, a.vendorId}, {b.path, b.vendorId});
              });
    found.chipPorts = static_cast<std::size_t>(
        std::count_if(found.ports.begin(), found.ports.end(),
                      [](const UsbSerialPort& p) { return p.vendorId == kChipVendorId; }));
    return found;
}

std::vector<std::string> choosableNames(const UsbSerialPorts& ports, bool withOtherVendors) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < ports.ports.size(); ++i) {
        if (i < ports.chipPorts)
            names.push_back(std::to_string(i) + " " + ports.ports[i].path);
        else if (withOtherVendors)
            names.push_back(ports.ports[i].path);
    }
    return names;
}

}  // namespace transport::serialport
