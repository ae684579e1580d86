// The first two checks of the doctor, judged from lists of devices as the system may give
// them: which device a choice finds, and what keeps this user from it.
#include <gtest/gtest.h>

#include "cli/DoctorChecks.h"

namespace {

using transport::DeviceChoice;
using transport::PortAccess;
using transport::PortListing;
using State = transport::PortAccess::State;

transport::PortRecord port(int index, const std::string& path, PortAccess access = {}) {
    transport::PortRecord record;
    record.index = index;
    record.path = path;
    record.usbVendorId = index >= 0 ? 0x0403 : 0x10c4;
    record.usbProductId = index >= 0 ? 0x6001 : 0xea60;
    record.access = std::move(access);
    return record;
}

transport::LibraryReport library(bool loads, std::optional<std::uint32_t> count = {}) {
    return {"libftd2xx.so", loads, count};
}

const PortListing kNothing{};
const PortListing kOneDongle{{port(0, "/dev/ttyUSB0")}, library(false)};
const PortListing kDongleAndAnother{{port(0, "/dev/ttyUSB0"), port(-1, "/dev/ttyUSB1")},
                                    library(false)};
const PortListing kLibraryHoldsTwo{{}, library(true, 2)};
const PortListing kLibraryUncounted{{}, library(true)};
const PortListing kLibraryAlone{{}, library(true, 1), false};  // no serial-port backend

struct DeviceCase {
    const char* name;
    const PortListing& listing;
    DeviceChoice choice;
    bool pathExists;
    bool passed;
    const char* finding;
    const char* advice;  // the whole advice; null when it passed
};

TEST(DoctorChecksTest, TheDeviceCheckFindsWhatAChoiceNames) {
    const DeviceCase cases[] = {
        {"nothing plugged in", kNothing, DeviceChoice::ofIndex(0), false, false,
         "no USB serial adapter of the dongle's vendor is plugged in",
         "No USB serial adapter of vendor 0x0403 is plugged in. Plug in the radio dongle, then "
         "start the program again."},
        {"the dongle's port", kOneDongle, DeviceChoice::ofIndex(0), false, true,
         "/dev/ttyUSB0 (device 0; USB 0403:6001)", nullptr},
        {"an index past the ports", kDongleAndAnother, DeviceChoice::ofIndex(1), false, false,
         "there is no device 1",
         "There is no device 1. The ones there are 0 /dev/ttyUSB0 and /dev/ttyUSB1; name one "
         "of them."},
        {"another vendor's port by path", kDongleAndAnother, DeviceChoice::ofPath("/dev/ttyUSB1"),
         false, true, "/dev/ttyUSB1 (by path only; USB 10c4:ea60)", nullptr},
        {"a path the list lacks, there", kOneDongle, DeviceChoice::ofPath("/dev/ttyS0"), true, true,
         "/dev/ttyS0 (not a USB serial port the system lists; opened as a serial port all the "
         "same)",
         nullptr},
        {"a path that is nothing", kOneDongle, DeviceChoice::ofPath("/dev/ttyS9"), false, false,
         "nothing is at /dev/ttyS9",
         "There is no device /dev/ttyS9. The one there is 0 /dev/ttyUSB0; name one of them."},
        {"a device only the library sees", kLibraryHoldsTwo, DeviceChoice::ofIndex(1), false, true,
         "device 1 of the driver library libftd2xx.so, which sees 2 devices", nullptr},
        {"past the library's devices", kLibraryHoldsTwo, DeviceChoice::ofIndex(2), false, false,
         "there is no device 2",
         "There is no device 2. The ones there are 0 (through the driver library) and 1 "
         "(through the driver library); name one of them."},
        {"a path where ports go by index", kLibraryAlone, DeviceChoice::ofPath("COM3"), true, false,
         "devices are named here by their index only",
         "Ports cannot be named by their path here (COM3): the dongle is reached through the "
         "driver library, by its index (0, 1, ...)."},
        {"a library that does not count", kLibraryUncounted, DeviceChoice::ofIndex(0), false, true,
         "no serial port 0; the driver library libftd2xx.so loads but does not say how many "
         "devices it sees: opening tells",
         nullptr},
    };
    for (const DeviceCase& c : cases) {
        SCOPED_TRACE(c.name);
        const cli::DoctorStep step = cli::checkDevice(c.listing, c.choice, c.pathExists);
        EXPECT_EQ(step.check, cli::DoctorStep::Check::Device);
        EXPECT_EQ(step.passed, c.passed);
        EXPECT_EQ(step.finding, c.finding);
        EXPECT_EQ(step.advice, c.advice ? c.advice : "");
    }
}

struct AccessCase {
    const char* name;
    PortListing listing;
    bool passed;
    const char* finding;
    const char* advice;  // in the advice; null when it passed
};

TEST(DoctorChecksTest, TheAccessCheckSaysWhatStandsInTheWayAndWhoHoldsTheDongle) {
    const AccessCase cases[] = {
        {"free, no library", kOneDongle, true, "/dev/ttyUSB0: free", nullptr},
        {"free, the library loads",
         {{port(0, "/dev/ttyUSB0")}, library(true, 0)},
         true,
         "/dev/ttyUSB0: free; the kernel's serial driver holds the dongle, so it is reached "
         "through /dev/ttyUSB0 and the driver library cannot open it meanwhile",
         nullptr},
        {"the library holds it", kLibraryHoldsTwo, true,
         "the driver library holds the dongle: there is no serial port for it, so the kernel's "
         "serial driver does not; whether this user may open it shows as it opens",
         nullptr},
        {"permission denied",
         {{port(0, "/dev/ttyUSB0", {State::PermissionDenied, "root", "dialout", 0660, {}})}},
         false,
         "/dev/ttyUSB0: permission denied: owner root, group dialout, mode 0660",
         "Permission denied on /dev/ttyUSB0. At the desktop: install the qor-comm-fix package"},
        {"busy",
         {{port(0, "/dev/ttyUSB0", {State::Busy, {}, {}, 0, {{0, {}, true}}})}},
         false,
         "/dev/ttyUSB0: in use by a program (holds its lock)",
         "/dev/ttyUSB0 is in use by another program. Close that program"},
        {"device file missing",
         {{port(0, "/dev/ttyUSB0", {State::Missing, {}, {}, 0, {}})}},
         false,
         "/dev/ttyUSB0: missing: the system lists it, but its device file is not there",
         "Unplug the dongle, plug it in again"},
    };
    for (const AccessCase& c : cases) {
        SCOPED_TRACE(c.name);
        const cli::DoctorStep step = cli::checkAccess(c.listing, DeviceChoice::ofIndex(0));
        EXPECT_EQ(step.check, cli::DoctorStep::Check::Access);
        EXPECT_EQ(step.passed, c.passed);
        EXPECT_EQ(step.finding, c.finding);
        if (c.advice)
            EXPECT_NE(step.advice.find(c.advice), std::string::npos) << step.advice;
        else
            EXPECT_EQ(step.advice, "");
    }
}

}  // namespace
