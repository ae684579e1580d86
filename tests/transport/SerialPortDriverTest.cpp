#include <gtest/gtest.h>

#include <libserialport.h>

#include "transport/SerialPortDriver.h"

using namespace transport;
using namespace transport::serialport;

namespace {

const std::vector<PortCandidate> kPorts = {
    {"/dev/ttyUSB10", 0x0403}, {"/dev/ttyS0", -1},       {"/dev/ttyACM0", 0x2341},
    {"/dev/ttyUSB2", 0x0403},  {"/dev/ttyUSB1", 0x10C4}, {"/dev/ttyUSB0", 0x0403},
};

struct Selection {
    int deviceIndex;
    std::optional<std::string> name;
};

void PrintTo(const Selection& s, std::ostream* os) { *os << "device " << s.deviceIndex; }

class PortSelectionTest : public ::testing::TestWithParam<Selection> {};

TEST_P(PortSelectionTest, CountsOnlyTheChipVendorsUsbPortsInNameOrder) {
    EXPECT_EQ(selectPort(kPorts, GetParam().deviceIndex), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(Ports, PortSelectionTest,
                         ::testing::Values(Selection{0, "/dev/ttyUSB0"},
                                           Selection{1, "/dev/ttyUSB2"},
                                           Selection{2, "/dev/ttyUSB10"}, Selection{3, {}},
                                           Selection{-1, {}}));

TEST(PortSelectionTest, NoPortsSelectNothing) { EXPECT_EQ(selectPort({}, 0), std::nullopt); }

TEST(PortSelectionTest, NamesCompareTheirNumbersByValue) {
    const std::vector<std::pair<const char*, const char*>> ordered = {
        {"ttyUSB2", "ttyUSB10"}, {"ttyUSB9", "ttyUSB09x"}, {"COM3", "COM12"},
        {"ttyACM5", "ttyUSB0"},  {"ttyUSB", "ttyUSB0"},    {"ttyUSB01", "ttyUSB1"},
    };
    for (const auto& [first, second] : ordered) {
        EXPECT_TRUE(namesInOrder(first, second)) << first << " < " << second;
        EXPECT_FALSE(namesInOrder(second, first)) << second << " !< " << first;
    }
    EXPECT_FALSE(namesInOrder("ttyUSB3", "ttyUSB3"));
}

struct DataCase {
    std::uint8_t wordLength, stopBits, parity;
    std::optional<LineSettings> line;
};

TEST(SerialArgumentsTest, DataCharacteristicsMapToLibraryTerms) {
    const std::vector<DataCase> cases = {
        {8, 0, 0, LineSettings{8, 1, SP_PARITY_NONE}},
        {7, 2, 2, LineSettings{7, 2, SP_PARITY_EVEN}},
        {8, 0, 1, LineSettings{8, 1, SP_PARITY_ODD}},
        {8, 0, 4, LineSettings{8, 1, SP_PARITY_SPACE}},
        {9, 0, 0, std::nullopt},
        {8, 1, 0, std::nullopt},
        {8, 0, 5, std::nullopt},
    };
    for (const DataCase& c : cases) {
        const auto line = mapDataCharacteristics(c.wordLength, c.stopBits, c.parity);
        ASSERT_EQ(line.has_value(), c.line.has_value()) << int(c.wordLength) << int(c.stopBits);
        if (!line) continue;
        EXPECT_EQ(line->bits, c.line->bits);
        EXPECT_EQ(line->stopBits, c.line->stopBits);
        EXPECT_EQ(line->parity, c.line->parity);
    }
}

TEST(SerialArgumentsTest, FlowControlMapsToLibraryTerms) {
    EXPECT_EQ(mapFlowControl(0x0000), SP_FLOWCONTROL_NONE);
    EXPECT_EQ(mapFlowControl(0x0100), SP_FLOWCONTROL_RTSCTS);
    EXPECT_EQ(mapFlowControl(0x0200), SP_FLOWCONTROL_DTRDSR);
    EXPECT_EQ(mapFlowControl(0x0400), SP_FLOWCONTROL_XONXOFF);
    EXPECT_EQ(mapFlowControl(0x0300), std::nullopt);
}

TEST(SerialPortDriverTest, AMissingDeviceFailsTheOpen) {
    SerialPortDriver driver;
    DeviceHandle handle = &driver;
    EXPECT_EQ(driver.open(99, &handle).cause, DriverError::Cause::NoDevice);
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(SerialPortDriver::openByName("/dev/nonexistent-port", &handle).cause,
              DriverError::Cause::NoDevice);
    EXPECT_EQ(handle, nullptr);
}

}  // namespace
