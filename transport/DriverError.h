#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace transport {

// What a driver call answers: success, or why it failed. Each backend translates its own
// failures into it; the open sequence carries it up to start-up, whose box tells the operator
// the cause and what to do about it.
struct DriverError {
    enum class Cause : std::uint8_t {
        None,
        NoDevice,          // no USB serial adapter of the chip maker's vendor id is plugged in
        PermissionDenied,  // the port is there, but this user may not open it
        PortBusy,          // another program holds the port
        IoError,           // the device failed a call; code: the system's error number, or 0
        LibraryMissing,    // the chip maker's driver library is not installed
        LibraryStatus,     // the library failed with a status of its own; code: that status
        NoSuchDevice,      // the index or path asked for names no device; existing: what is there
        PathNotSupported,  // a port was named by its path where no backend opens ports by path
    };

    Cause cause = Cause::None;
    std::uint32_t code = 0;
    std::string name;  // the port or the library concerned, where the backend knows it
    // NoSuchDevice: the devices that are there, each as it may be asked for, e.g.
    // "0 /dev/ttyUSB0". Its initialiser lets {cause, code, name} leave it out without a warning.
    std::vector<std::string> existing = {};

    bool ok() const { return cause == Cause::None; }
    bool operator==(const DriverError&) const = default;

    // One paragraph for the operator: the cause, then what to do.
    std::string describe() const;
};

}  // namespace transport
