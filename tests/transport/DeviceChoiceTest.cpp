#include <gtest/gtest.h>

#include <string>

#include "tests/transport/PortTestSupport.h"
#include "transport/DeviceChoice.h"
#include "transport/PortListing.h"

using namespace transport;

namespace {

struct ChoiceCase {
    const char* text;
    bool parses;
    DeviceChoice choice;
    const char* error;
};

TEST(DeviceChoiceTest, DigitsNameAnIndexAnythingElseAPath) {
    const ChoiceCase cases[] = {
        {"0", true, DeviceChoice::ofIndex(0), ""},
        {"1", true, DeviceChoice::ofIndex(1), ""},
        {"007", true, DeviceChoice::ofIndex(7), ""},
        {"2147483647", true, DeviceChoice::ofIndex(2147483647), ""},
        {"/dev/ttyUSB1", true, DeviceChoice::ofPath("/dev/ttyUSB1"), ""},
        {"/dev/serial/by-id/usb-Radio_A1-if00-port0", true,
         DeviceChoice::ofPath("/dev/serial/by-id/usb-Radio_A1-if00-port0"), ""},
        {"ttyUSB1", true, DeviceChoice::ofPath("ttyUSB1"), ""},
        {"1x", true, DeviceChoice::ofPath("1x"), ""},
        {"", false, {}, "no device named: give an index (0, 1, ...) or the path of a serial port"},
        {"2147483648",
         false,
         {},
         "device index 2147483648 is too large; the largest is 2147483647"},
        {"-1", false, {}, "a device index is a number from 0 up, without a sign; got -1"},
        {"+2", false, {}, "a device index is a number from 0 up, without a sign; got +2"},
        {"/dev/tty\x1b[2J", false, {}, "a device path holds no control characters"},
    };
    for (const ChoiceCase& c : cases) {
        DeviceChoice choice = DeviceChoice::ofIndex(9);
        std::string error;
        EXPECT_EQ(parseDeviceChoice(c.text, choice, error), c.parses) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
        EXPECT_EQ(choice, c.parses ? c.choice : DeviceChoice::ofIndex(9)) << c.text;
    }
    EXPECT_EQ(DeviceChoice::ofPath("/dev/ttyUSB1").index(), 0);
}

TEST(DeviceChoiceTest, ANameThatReachesNothingSaysWhatIsThere) {
    using Cause = DriverError::Cause;
    const std::pair<DriverError, const char*> cases[] = {
        {{Cause::NoSuchDevice, 0, "1", {"0 /dev/ttyUSB0"}},
         "There is no device 1. The one there is 0 /dev/ttyUSB0; name one of them."},
        {{Cause::NoSuchDevice,
          0,
          "/dev/ttyUSB9",
          {"0 /dev/ttyUSB0", "1 /dev/ttyUSB2", "/dev/ttyACM0"}},
         "There is no device /dev/ttyUSB9. The ones there are 0 /dev/ttyUSB0, 1 /dev/ttyUSB2 and "
         "/dev/ttyACM0; name one of them."},
        {{Cause::NoSuchDevice, 0, "/dev/ttyUSB9", {}},
         "There is no device /dev/ttyUSB9. No USB serial adapter is plugged in."},
        {{Cause::PathNotSupported, 0, "COM3"},
         "Ports cannot be named by their path here (COM3): the dongle is reached through the "
         "driver library, by its index (0, 1, ...)."},
    };
    for (const auto& [error, text] : cases) EXPECT_EQ(error.describe(), text);
}

// The simulated device standing as device 1: an index reaches it as it reaches a dongle.
TEST(DeviceChoiceTest, AnIndexReachesTheDeviceItNames) {
    VirtualClock clock;
    SimulatedDevice device(clock);
    device.setDeviceIndex(1);
    PortFactory factory(device, clock, Settings{});
    ByteSource* source = nullptr;
    DriverError failure;
    EXPECT_EQ(factory.create(source, 0, 115200, &failure), nullptr);
    EXPECT_EQ(
        failure,
        (DriverError{DriverError::Cause::NoSuchDevice, 0, "0", {"1 (the simulated device)"}}));
    EXPECT_NE(factory.create(source, 1, 115200, &failure), nullptr);
    EXPECT_TRUE(failure.ok());
    EXPECT_EQ(device.calls().front(), "open 0");
    EXPECT_EQ(device.calls()[1], "open 1");
}

PortListing withPorts(int ttys, bool libraryLoads, std::optional<std::uint32_t> libraryDevices) {
    PortListing listing;
    for (int i = 0; i < ttys; ++i)
        listing.ports.push_back({.index = i, .path = "/dev/ttyUSB" + std::to_string(i)});
    listing.ports.push_back({.index = -1, .path = "/dev/ttyACM0"});  // another vendor's
    listing.library = {"libftd2xx.so", libraryLoads, libraryDevices};
    return listing;
}

struct HolderCase {
    int ttys;
    bool loads;
    std::optional<std::uint32_t> libraryDevices;
    int index;
    DongleHolder holder;
};

TEST(DongleHolderTest, ATtyMeansTheKernelsDriverADeviceWithoutOneTheLibrary) {
    using enum DongleHolder;
    const HolderCase cases[] = {
        {1, true, 1, 0, KernelDriver}, {1, false, {}, 0, KernelDriver},
        {2, true, 2, 1, KernelDriver}, {0, true, 1, 0, Library},
        {1, true, 2, 1, Library},      {1, true, 2, 2, Nobody},
        {0, false, {}, 0, Nobody},     {0, true, {}, 0, Unknown},
        {1, true, 0, 1, Nobody},       {1, true, 1, -1, Nobody},
    };
    for (const HolderCase& c : cases) {
        EXPECT_EQ(dongleHolder(withPorts(c.ttys, c.loads, c.libraryDevices), c.index), c.holder)
            << c.ttys << " ttys, index " << c.index;
    }
}

}  // namespace
