#include "transport/DriverError.h"

#include <cstring>

namespace transport {

namespace {
constexpr const char* kReplug =
    " Unplug the dongle, plug it in again, then start the program again.";

std::string orDefault(const std::string& name, const char* fallback) {
    return name.empty() ? fallback : name;
}

std::string noSuchDevice(const std::string& name, const std::vector<std::string>& existing) {
    std::string text = "There is no device " + orDefault(name, "of that name") + ".";
    if (existing.empty()) return text + " No USB serial adapter is plugged in.";
    text += existing.size() == 1 ? " The one there is " : " The ones there are ";
    for (std::size_t i = 0; i < existing.size(); ++i)
        text += (i == 0 ? "" : i + 1 == existing.size() ? " and " : ", ") + existing[i];
    return text + "; name one of them.";
}
}  // namespace

std::string DriverError::describe() const {
    switch (cause) {
        case Cause::None:
            return "No fault.";
        case Cause::NoDevice:
            return "No USB serial adapter of vendor 0x0403 is plugged in. Plug in the radio "
                   "dongle, then start the program again.";
        case Cause::PermissionDenied:
            // The package's udev rule serves the person at the desktop only; a login over
            // SSH or at a console needs the group that owns the serial ports.
            return "Permission denied on " + orDefault(name, "the dongle's serial port") +
                   ". At the desktop: install the qor-comm-fix package, then plug the dongle in "
                   "again. Over SSH or at a console: join the dialout group (sudo adduser $USER "
                   "dialout), then log in again.";
        case Cause::PortBusy:
            return orDefault(name, "The dongle's serial port") +
                   " is in use by another program. Close that program, then start this one "
                   "again.";
        case Cause::IoError: {
            std::string text = name.empty() ? "The dongle failed" : name + " failed";
            if (code != 0) text += std::string(": ") + std::strerror(static_cast<int>(code));
            return text + "." + kReplug;
        }
        case Cause::LibraryMissing:
            return orDefault(name, "The driver library") +
                   " not found. Install the driver of the dongle's USB serial chip, or put " +
                   orDefault(name, "the library") + " beside the program.";
        case Cause::LibraryStatus:
            return "The driver library " + orDefault(name, "of the USB serial chip") +
                   " reported status " + std::to_string(code) + "." + kReplug;
        case Cause::NoSuchDevice:
            return noSuchDevice(name, existing);
        case Cause::PathNotSupported:
            return "Ports cannot be named by their path here" +
                   (name.empty() ? std::string() : " (" + name + ")") +
                   ": the dongle is reached through the driver library, by its index (0, 1, ...).";
    }
    return "The dongle failed." + std::string(kReplug);
}

}  // namespace transport
