#include "transport/DriverChooser.h"
#include "transport/Ftd2xxDriver.h"
#include "transport/SerialPortDriver.h"

namespace transport {

std::unique_ptr<Driver> chooseDriver(const char* libraryPath) {
    if (auto library =
            Ftd2xxDriver::load(libraryPath ? libraryPath : Ftd2xxDriver::kDefaultLibrary))
        return library;
    return std::make_unique<SerialPortDriver>();
}

}  // namespace transport
