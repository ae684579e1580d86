#include "transport/DriverChooser.h"
#include "transport/FailingDriver.h"
#include "transport/Ftd2xxDriver.h"

namespace transport {

// On Windows the radio is reached through the chip maker's library alone; where it is not
// installed, a driver that says so stands in its place.
std::vector<std::unique_ptr<Driver>> platformDrivers(const char* libraryPath) {
    const char* library = libraryPath ? libraryPath : Ftd2xxDriver::kDefaultLibrary;
    std::vector<std::unique_ptr<Driver>> drivers;
    if (auto loaded = Ftd2xxDriver::load(library))
        drivers.push_back(std::move(loaded));
    else
        drivers.push_back(std::make_unique<FailingDriver>(
            DriverError{DriverError::Cause::LibraryMissing, 0, library}));
    return drivers;
}

// The library opens devices by index only, and this build has no serial-port backend.
std::vector<std::unique_ptr<Driver>> driversFor(const DeviceChoice& choice,
                                                const char* libraryPath) {
    if (!choice.isPath()) return platformDrivers(libraryPath);
    std::vector<std::unique_ptr<Driver>> drivers;
    drivers.push_back(std::make_unique<FailingDriver>(
        DriverError{DriverError::Cause::PathNotSupported, 0, choice.path()}));
    return drivers;
}

}  // namespace transport
