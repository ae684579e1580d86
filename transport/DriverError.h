#pragma once

#include <cstdint>
#include <string>

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
    };

    Cause cause = Cause::None;
    std::uint32_t code = 0;
    std::string name;  // the port or the library concerned, where the backend knows it

    bool ok() const { return cause == Cause::None; }
    bool operator==(const DriverError&) const = default;

    // One paragraph for the operator: the cause, then what to do.
    std::string describe() const;
};

}  // namespace transport
