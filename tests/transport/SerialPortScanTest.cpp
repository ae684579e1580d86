// The port listing and the serial-port driver's choice of a port, read from a device tree
// built in a temporary folder: sysfs's ttys and USB devices, /dev with its stable names,
// and /proc with programs that hold ports.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "transport/PortListing.h"
#include "transport/SerialPortDriver.h"
#include "transport/SerialPortScan.h"

using namespace transport;
namespace fs = std::filesystem;

namespace {

void write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text;
}

void link(const fs::path& at, const std::string& target) {
    fs::create_directories(at.parent_path());
    fs::create_directory_symlink(target, at);
}

struct DeviceTree {
    fs::path root = fs::temp_directory_path() / ("ports-" + std::to_string(getpid()));
    SystemRoots roots{root / "sys", root / "dev", root / "proc"};
    int usbDevices = 0;

    DeviceTree() { fs::remove_all(root); }
    ~DeviceTree() { fs::remove_all(root); }

    // A USB device with a serial port on its first interface, as the kernel lays it out:
    // the tty's device is the port, whose parent is the interface, whose parent is the USB
    // device with the ids. ACM ports have no port level: their device is the interface.
    void usbTty(const std::string& name, const char* vendor, const char* product,
                const std::string& serial = "", bool deviceFile = true) {
        const std::string usb = "1-" + std::to_string(++usbDevices);
        const fs::path device = root / "sys/devices/usb1" / usb;
        write(device / "idVendor", std::string(vendor) + "\n");
        write(device / "idProduct", std::string(product) + "\n");
        write(device / "product", "Radio dongle\n");
        if (!serial.empty()) write(device / "serial", serial + "\n");
        const bool acm = name.starts_with("ttyACM");
        const fs::path port = device / (usb + ":1.0") / (acm ? "" : name);
        fs::create_directories(port / "tty" / name);
        link(port / "tty" / name / "device", acm ? "../.." : "../../../" + name);
        link(root / "sys/class/tty" / name, "../../devices/usb1/" + usb + "/" + usb + ":1.0/" +
                                                (acm ? "" : name + "/") + "tty/" + name);
        if (deviceFile) write(root / "dev" / name, "");
    }
    void otherTty(const std::string& name, const std::string& bus) {
        const fs::path tty = root / "sys/devices" / bus / "tty" / name;
        fs::create_directories(tty);
        link(root / "sys/class/tty" / name, "../../devices/" + bus + "/tty/" + name);
        write(root / "dev" / name, "");
    }
    // A program that has the file open, as /proc shows it to its owner.
    void opener(int pid, const std::string& command, const std::string& file) {
        write(root / "proc" / std::to_string(pid) / "comm", command + "\n");
        link(root / "proc" / std::to_string(pid) / "fd/3", (root / "dev" / file).string());
    }
    // A line of the table of locks on the file.
    std::string lockOn(const std::string& file, const char* kind, int pid) {
        struct stat s {};
        stat((root / "dev" / file).c_str(), &s);
        char line[128];
        std::snprintf(line, sizeof line, "%s ADVISORY  WRITE %d %02x:%02x:%llu 0 EOF\n", kind, pid,
                      major(s.st_dev), minor(s.st_dev), static_cast<unsigned long long>(s.st_ino));
        return line;
    }
    std::string dev(const std::string& name) const { return (root / "dev" / name).string(); }
};

// Three dongles of the chip maker (one whose device file is not there yet), two other USB
// serial adapters, a board's own port and a pseudo-terminal's master; a terminal program
// on one port, this program's lock on another vendor's.
struct BusyMachine : DeviceTree {
    BusyMachine() {
        usbTty("ttyUSB10", "0403", "6015", "B2");
        usbTty("ttyUSB0", "10c4", "ea60");
        usbTty("ttyUSB1", "0403", "6001", "A1");
        usbTty("ttyUSB11", "0403", "6001", "", false);
        usbTty("ttyACM0", "2341", "0043");
        otherTty("ttyS0", "platform/serial8250");
        otherTty("ptmx", "virtual");
        link(root / "dev/serial/by-id/usb-Qor_Radio_dongle_A1-if00-port0", "../../ttyUSB1");
        opener(4242, "minicom", "ttyUSB10");
        write(root / "proc/4343/comm", "qor-comm-fix-cli\n");
        write(root / "proc/locks", "1: " + lockOn("ttyUSB0", "FLOCK ", 4343) + "1: -> " +
                                       lockOn("ttyUSB1", "FLOCK ", 4444) +
                                       "2: " + lockOn("ttyUSB1", "POSIX ", 4545));
    }
};

struct Row {
    int index;
    const char* name;
    int vendor;
    int product;
    const char* serial;
    const char* access;
};

TEST(PortListingTest, ListsTheChipMakersPortsInIndexOrderThenTheOthers) {
    BusyMachine tree;
    const PortListing listing = listPorts(tree.roots, FAKE_FTD2XX_PATH);
    const Row rows[] = {
        {0, "ttyUSB1", 0x0403, 0x6001, "A1", "free"},
        {1, "ttyUSB10", 0x0403, 0x6015, "B2", "in use by minicom (pid 4242)"},
        {2, "ttyUSB11", 0x0403, 0x6001, "",
         "missing: the system lists it, but its device file is not there"},
        {-1, "ttyACM0", 0x2341, 0x0043, "", "free"},
        {-1, "ttyUSB0", 0x10c4, 0xea60, "",
         "in use by qor-comm-fix-cli (pid 4343, holds its lock)"},
    };
    ASSERT_EQ(listing.ports.size(), std::size(rows));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const PortRecord& port = listing.ports[i];
        SCOPED_TRACE(rows[i].name);
        EXPECT_EQ(port.index, rows[i].index);
        EXPECT_EQ(port.path, tree.dev(rows[i].name));
        EXPECT_EQ(port.usbVendorId, rows[i].vendor);
        EXPECT_EQ(port.usbProductId, rows[i].product);
        EXPECT_EQ(port.serialNumber, rows[i].serial);
        EXPECT_EQ(port.description, "Radio dongle");
        EXPECT_EQ(describeAccess(port.access), rows[i].access);
    }
    EXPECT_EQ(listing.ports[0].byIdPath,
              tree.dev("serial/by-id/usb-Qor_Radio_dongle_A1-if00-port0"));
    EXPECT_EQ(listing.ports[1].byIdPath, "");
    EXPECT_EQ(listing.library.name, FAKE_FTD2XX_PATH);
    EXPECT_TRUE(listing.library.loads);
    EXPECT_EQ(listing.library.deviceCount, 1u);

    EXPECT_EQ(findPort(listing, DeviceChoice::ofIndex(1)), &listing.ports[1]);
    EXPECT_EQ(findPort(listing, DeviceChoice::ofPath(
                                    tree.dev("serial/by-id/usb-Qor_Radio_dongle_A1-if00-port0"))),
              &listing.ports[0]);
    EXPECT_EQ(findPort(listing, DeviceChoice::ofPath(tree.dev("ttyUSB0"))), &listing.ports[4]);
    EXPECT_EQ(findPort(listing, DeviceChoice::ofIndex(3)), nullptr);
    EXPECT_EQ(findPort(listing, DeviceChoice::ofPath(tree.dev("ttyS0"))), nullptr);
}

// As an ordinary user would see it: the administrator's rights given up in a child process.
TEST(PortListingTest, APortOfAnotherOwnerAndGroupIsDenied) {
    BusyMachine tree;
    ASSERT_EQ(chown(tree.dev("ttyUSB1").c_str(), 1, 20), 0);  // daemon, dialout
    ASSERT_EQ(chmod(tree.dev("ttyUSB1").c_str(), 0660), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(77);  // nobody
        const PortAccess access = serialport::checkAccess(tree.dev("ttyUSB1"), tree.roots);
        _exit(describeAccess(access) == "permission denied: owner daemon, group dialout, mode 0660"
                  ? 0
                  : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77) GTEST_SKIP() << "cannot become nobody";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(PortListingTest, ANameThatReachesNoPortSaysWhichPortsThereAre) {
    BusyMachine tree;
    DeviceHandle handle = nullptr;
    const std::string usb1 = "0 " + tree.dev("ttyUSB1");
    const std::string usb10 = "1 " + tree.dev("ttyUSB10");
    const std::string usb11 = "2 " + tree.dev("ttyUSB11");
    EXPECT_EQ(SerialPortDriver({}, tree.roots).open(3, &handle),
              (DriverError{DriverError::Cause::NoSuchDevice, 0, "3", {usb1, usb10, usb11}}));
    // A path may name any vendor's port, so all of them are offered.
    EXPECT_EQ(SerialPortDriver(tree.dev("ttyUSB9"), tree.roots).open(0, &handle),
              (DriverError{DriverError::Cause::NoSuchDevice,
                           0,
                           tree.dev("ttyUSB9"),
                           {usb1, usb10, usb11, tree.dev("ttyACM0"), tree.dev("ttyUSB0")}}));
    EXPECT_EQ(handle, nullptr);

    DeviceTree empty;
    EXPECT_EQ(SerialPortDriver({}, empty.roots).open(0, &handle),
              (DriverError{DriverError::Cause::NoDevice, 0, {}}));
    EXPECT_EQ(SerialPortDriver("/dev/ttyUSB9", empty.roots).open(0, &handle),
              (DriverError{DriverError::Cause::NoSuchDevice, 0, "/dev/ttyUSB9"}));
}

}  // namespace
