#pragma once

#include <memory>
#include <vector>

#include "transport/DeviceChoice.h"
#include "transport/Driver.h"

namespace transport {

// The drivers that may reach the radio on this platform, in the order the port factory
// tries them when it opens the device: the chip maker's library first, when it loads, then
// whatever else the platform has. Each platform has its own implementation file.
// libraryPath replaces the library's usual name.
std::vector<std::unique_ptr<Driver>> platformDrivers(const char* libraryPath = nullptr);

// The drivers that reach the device a choice names, to be opened with choice.index(): for an
// index, platformDrivers; for a path, the serial-port backend on that port alone, whatever
// its vendor, or where the platform has no such backend a driver that says so.
std::vector<std::unique_ptr<Driver>> driversFor(const DeviceChoice& choice,
                                                const char* libraryPath = nullptr);

}  // namespace transport
