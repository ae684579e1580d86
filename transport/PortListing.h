#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "transport/DeviceChoice.h"

namespace transport {

// Where the system's device tree is read: its own folders, or a tree a test builds in their
// place. (The records below give every member an initialiser, so that a brace list may leave
// any of them out.)
struct SystemRoots {
    std::string sys = "/sys";
    std::string dev = "/dev";
    std::string proc = "/proc";
};

// A program that has a port open, or holds the lock this program's driver takes on a port
// it opens (flock), so that the driver would find the port busy.
struct PortHolder {
    int pid = 0;               // 0 when the system does not say
    std::string command = {};  // its command name, as the system shows it
    bool locks = false;
    bool operator==(const PortHolder&) const = default;
};

// Whether this user may open a port, and if not, why.
struct PortAccess {
    enum class State : std::uint8_t {
        Free,              // nothing stands in the way
        Missing,           // the system lists the port, but its device file is not there
        PermissionDenied,  // the device file's owner, group and mode keep this user out
        Busy,              // another program has it open or holds its lock
    };
    State state = State::Free;
    // PermissionDenied: the device file's owner and group, by name where they have one, and
    // its permission bits.
    std::string owner = {};
    std::string group = {};
    std::uint32_t mode = 0;
    // The programs that have the port open or locked, where the system lets this user see
    // them: its own programs, and every program's lock.
    std::vector<PortHolder> holders = {};

    bool mayOpen() const { return state == State::Free; }
};

// One serial port a device choice can name.
struct PortRecord {
    int index = -1;             // as a device index names it; -1 for another vendor's port
    std::string path = {};      // e.g. /dev/ttyUSB0
    std::string byIdPath = {};  // the stable name under /dev/serial/by-id that links to it, if any
    int usbVendorId = -1;
    int usbProductId = -1;
    std::string serialNumber = {};
    std::string manufacturer = {};
    std::string description = {};  // the product's name, as the adapter gives it
    PortAccess access = {};
};

// The chip maker's driver library, as far as it can be seen without opening a device.
struct LibraryReport {
    std::string name = {};
    bool loads = false;  // loaded, with every function the driver needs
    // The devices it reports; none when it has no count call or the count failed.
    std::optional<std::uint32_t> deviceCount = {};
};

struct PortListing {
    // The chip maker's ports first, in the order device indices count them, then the other
    // vendors' USB serial ports by name, which only a path reaches.
    std::vector<PortRecord> ports = {};
    LibraryReport library = {};
    // Whether this build opens a port named by its path; else devices go by index alone.
    bool pathsOpen = true;
};

// Every candidate device and the library's report. Writes nothing to any device and opens
// none: what a port's access is comes from its device file, the processes' open files and
// the system's table of locks. Each platform has its own implementation file; where the
// platform has no serial-port backend the list of ports is empty.
PortListing listPorts(const SystemRoots& roots = {}, const char* libraryPath = nullptr);

// The library's report alone; loads the library, opens no device.
LibraryReport reportLibrary(const char* libraryPath = nullptr);

// The port a choice names, if the listing has it: by index, or by a path that is the port's
// own or links to it.
const PortRecord* findPort(const PortListing& listing, const DeviceChoice& choice);

// On Linux the kernel's serial driver and the chip maker's library cannot both hold a
// dongle: while the kernel's driver has it there is a tty, which the library cannot open;
// when the library has it (or the kernel's driver is not loaded) the library still lists it
// but there is no tty. Which of the two holds the dongle at index, as device indices count
// them: the ttys first, then the library's devices beyond them, since the library names no
// tty for its devices and counting is all it offers without opening one.
enum class DongleHolder : std::uint8_t {
    KernelDriver,  // a tty exists for it: the serial port reaches it, the library cannot
    Library,       // the library sees it and there is no tty: only the library reaches it
    Nobody,        // no such dongle on either side
    Unknown,       // no tty, and the library loads but does not say how many it sees
};
DongleHolder dongleHolder(const PortListing& listing, int index);

// One line about a port's access for people: "free", "permission denied: owner root, group
// dialout, mode 0660", "in use by minicom (pid 4242, holds its lock)", ...
std::string describeAccess(const PortAccess& access);

}  // namespace transport
