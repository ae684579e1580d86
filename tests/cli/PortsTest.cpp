#include <gtest/gtest.h>

#include "CliRig.h"

using namespace clitest;

namespace {

using State = transport::PortAccess::State;

// Two of the dongle's vendor, one of another, as the system lists them: the dongle's first,
// in the order --device counts them.
transport::PortListing siteComputer() {
    transport::PortListing listing;
    transport::PortRecord radio;
    radio.index = 0;
    radio.path = "/dev/ttyUSB0";
    radio.byIdPath = "/dev/serial/by-id/usb-Qor_Radio_dongle_A1-if00-port0";
    radio.usbVendorId = 0x0403;
    radio.usbProductId = 0x6001;
    radio.serialNumber = "A1";
    radio.manufacturer = "Qor";
    radio.description = "Radio dongle";
    transport::PortRecord console = radio;
    console.index = 1;
    console.path = "/dev/ttyUSB2";
    console.byIdPath.clear();
    console.serialNumber = "C\x1b[2J";  // untrusted: the adapter says what it likes
    console.access = {State::Busy, {}, {}, 0, {{4242, "minicom", true}}};
    transport::PortRecord meter;
    meter.path = "/dev/ttyACM0";
    meter.usbVendorId = 0x10c4;
    meter.usbProductId = 0xea60;
    meter.access = {State::PermissionDenied, "root", "dialout", 0660, {}};
    listing.ports = {radio, console, meter};
    listing.library = {"libftd2xx.so", true, 3};
    return listing;
}

TEST(PortsTest, EachDeviceIsARowAndTheLibrarySaysWhatItSees) {
    const CliResult run = runCli({"ports"}, {}, nullptr, siteComputer);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out,
              "DEV  PORT          STABLE NAME                                           USB ID"
              "     SERIAL    ACCESS\n"
              "0    /dev/ttyUSB0  /dev/serial/by-id/usb-Qor_Radio_dongle_A1-if00-port0  "
              "0403:6001  A1        free\n"
              "1    /dev/ttyUSB2  -                                                     "
              "0403:6001  C\\x1B[2J  in use by minicom (pid 4242, holds its lock)\n"
              "-    /dev/ttyACM0  -                                                     "
              "10c4:ea60  -         permission denied: owner root, group dialout, mode 0660\n"
              "The driver library libftd2xx.so loads and sees 3 devices.\n");
    EXPECT_FALSE(run.fieldMade);
}

TEST(PortsTest, TheJsonReportHoldsEachDeviceAndTheLibrary) {
    const CliResult run = runCli({"ports", "--json"}, {}, nullptr, siteComputer);
    ASSERT_TRUE(run.jsonValid) << run.out;
    EXPECT_EQ(run.json.at("command"), "ports");
    EXPECT_EQ(run.json.at("exitCode"), 0);
    const Json& ports = run.json.at("ports");
    ASSERT_EQ(ports.size(), 3u);
    EXPECT_EQ(ports[0].at("index"), 0);
    EXPECT_EQ(ports[0].at("byIdPath"), "/dev/serial/by-id/usb-Qor_Radio_dongle_A1-if00-port0");
    EXPECT_EQ(ports[0].at("usbVendorId"), 0x0403);
    EXPECT_EQ(ports[0].at("access").at("state"), "free");
    EXPECT_EQ(ports[1].at("serialNumber"), "C\x1b[2J");
    EXPECT_EQ(ports[1].at("access").at("holders"),
              Json::parse(R"([{"pid": 4242, "command": "minicom", "locks": true}])"));
    EXPECT_TRUE(ports[2].at("index").is_null());
    EXPECT_EQ(ports[2].at("access").at("state"), "permission-denied");
    EXPECT_EQ(ports[2].at("access").at("mode"), "0660");
    EXPECT_EQ(run.json.at("library"),
              Json::parse(R"({"name": "libftd2xx.so", "loads": true, "deviceCount": 3})"));
}

TEST(PortsTest, NoDeviceAndTheSimulatedField) {
    const CliResult none = runCli({"ports"});
    EXPECT_EQ(none.out,
              "No USB serial port is there.\n"
              "The driver library does not load: the serial ports alone reach the dongle.\n");
    const CliResult sim = runCli({"ports", "--sim"});
    EXPECT_EQ(sim.out, "0  the simulated field's device, the only one with --sim\n");
    const CliResult json = runCli({"--sim", "--json", "ports"});
    ASSERT_TRUE(json.jsonValid) << json.out;
    EXPECT_EQ(json.json.at("ports").size(), 1u);
    EXPECT_TRUE(json.json.at("library").is_null());
    EXPECT_TRUE(sim.writes.empty());
}

// --device names the simulated field's one device by its index; any other is not there.
TEST(PortsTest, DeviceChoiceOnTheSimulatedField) {
    const CliResult first = runCli({"--device", "0", "--sim", "scan"});
    EXPECT_EQ(first.exitCode, 0);
    const CliResult second = runCli({"scan", "--sim", "--device", "1"});
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_EQ(second.err,
              "qor-comm-fix-cli: Could not find downtower tallis radio. There is no device 1. "
              "The one there is 0 (the simulated device); name one of them.\n");
    EXPECT_TRUE(second.writes.empty());
}

}  // namespace
