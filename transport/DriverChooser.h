#pragma once

#include <memory>

#include "transport/Driver.h"

namespace transport {

// Decides, once and before any device is opened, which driver serves on this platform:
// the chip maker's library when it loads, else the platform's own serial ports. Each
// platform has its own implementation file. libraryPath replaces the library's usual name.
std::unique_ptr<Driver> chooseDriver(const char* libraryPath = nullptr);

}  // namespace transport
