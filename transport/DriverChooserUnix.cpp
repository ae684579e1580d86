#include "transport/DriverChooser.h"
#include "transport/Ftd2xxDriver.h"
#include "transport/SerialPortDriver.h"

namespace transport {

// The library cannot open a dongle that the kernel's serial driver holds, the usual state
// on Linux; the serial port then serves.
std::vector<std::unique_ptr<Driver>> platformDrivers(const char* libraryPath) {
    std::vector<std::unique_ptr<Driver>> drivers;
    if (auto library =
            Ftd2xxDriver::load(libraryPath ? libraryPath : Ftd2xxDriver::kDefaultLibrary))
        drivers.push_back(std::move(library));
    drivers.push_back(std::make_unique<SerialPortDriver>());
    return drivers;
}

std::vector<std::unique_ptr<Driver>> driversFor(const DeviceChoice& choice,
                                                const char* libraryPath) {
    if (!choice.isPath()) return platformDrivers(libraryPath);
    std::vector<std::unique_ptr<Driver>> drivers;
    drivers.push_back(std::make_unique<SerialPortDriver>(choice.path()));
    return drivers;
}

}  // namespace transport
