#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/transport/PortTestSupport.h"

using namespace transport;

namespace {

// Runs openDevice with its output caught.
struct Opened {
    DeviceHandle handle;
    std::string printed;
};

Opened openCaught(SimulatedDevice& device, const Settings& settings) {
    std::FILE* out = std::tmpfile();
    DeviceHandle handle = openDevice(device, settings, 0, 115200, out);
    std::rewind(out);
    std::string printed;
    for (int c = std::fgetc(out); c != EOF; c = std::fgetc(out)) printed += static_cast<char>(c);
    std::fclose(out);
    return {handle, printed};
}

struct OpenFailure {
    DeviceFault fault;
    const char* message;
    std::vector<std::string> calls;
};

void PrintTo(const OpenFailure& f, std::ostream* os) { *os << f.message; }

class OpenFailureTest : public ::testing::TestWithParam<OpenFailure> {};

TEST_P(OpenFailureTest, PrintsItsMessageAndTriesNoLaterStep) {
    const OpenFailure& f = GetParam();
    VirtualClock clock;
    SimulatedDevice device(clock);
    device.setFault(f.fault);
    const Opened opened = openCaught(device, Settings{});
    EXPECT_EQ(opened.handle, nullptr);
    EXPECT_EQ(opened.printed, f.message);
    EXPECT_EQ(device.calls(), f.calls);
    EXPECT_FALSE(device.isOpen());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, OpenFailureTest,
    ::testing::Values(
        OpenFailure{DeviceFault::Open, "unable to open communication device", {"open 0"}},
        OpenFailure{DeviceFault::BaudRate, "baud rate err", {"open 0", "baud 115200", "close"}},
        OpenFailure{DeviceFault::DataCharacteristics,
                    "port setup err",
                    {"open 0", "baud 115200", "data 8 0 0", "close"}},
        OpenFailure{DeviceFault::FlowControl,
                    "port flow err",
                    {"open 0", "baud 115200", "data 8 0 0", "flow 0 0 0", "close"}}));

TEST(OpenDeviceTest, ConfiguresTheLineAndPrintsNothing) {
    VirtualClock clock;
    SimulatedDevice device(clock);
    const Opened opened = openCaught(device, Settings{});
    EXPECT_NE(opened.handle, nullptr);
    EXPECT_EQ(opened.printed, "");
    EXPECT_EQ(device.calls(), (std::vector<std::string>{"open 0", "baud 115200", "data 8 0 0",
                                                        "flow 0 0 0", "timeouts 200 0"}));
}

TEST(OpenDeviceTest, VerboseAnnouncesTheOpen) {
    VirtualClock clock;
    SimulatedDevice device(clock);
    Settings settings;
    settings.verbose = 1;
    EXPECT_EQ(openCaught(device, settings).printed, "ftopen\n");
    device.setFault(DeviceFault::BaudRate);
    EXPECT_EQ(openCaught(device, settings).printed, "ftopen\nbaud rate err");
}

TEST(PortFactoryTest, CreatesAnOpenPortWhoseChainStartsAtTheSource) {
    transport::testing::PortRig rig;
    ASSERT_NE(rig.poller, nullptr);
    FtdiPort& port = rig.poller->port();
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(rig.rawLog.upstream(), static_cast<ByteSource*>(&port));

    const std::uint8_t frame[] = {0x7E, 0x00, 0x04};
    EXPECT_EQ(port.write(ByteView(frame, sizeof frame)), 3);
    ASSERT_EQ(rig.device.writes().size(), 1u);
    EXPECT_EQ(rig.device.writes()[0].bytes, (std::vector<std::uint8_t>{0x7E, 0x00, 0x04}));

    rig.send(0, {0x01, 0x02});
    EXPECT_EQ(port.pump(), 0);
    EXPECT_EQ(rig.rawLog.log().length(), 2u);
    EXPECT_EQ(port.pump(), 1);
}

TEST(PortFactoryTest, AFailedWriteOrReadAnswersMinusOne) {
    transport::testing::PortRig rig;
    rig.device.setFault(DeviceFault::Write);
    rig.device.setFault(DeviceFault::Read);
    FtdiPort& port = rig.poller->port();
    EXPECT_EQ(port.write(ByteView("ab")), -1);
    EXPECT_EQ(port.pump(), -1);
}

TEST(PortFactoryTest, FailureAnswersNullAndClearsTheSource) {
    VirtualClock clock;
    SimulatedDevice device(clock);
    device.setFault(DeviceFault::Open);
    PortFactory factory(device, clock, Settings{});
    RawLog stale;
    ByteSource* source = &stale;
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(factory.create(source, 0, 115200), nullptr);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "unable to open communication device");
    EXPECT_EQ(source, nullptr);
}

// Drivers tried in turn: the first that opens and configures the device serves.
struct TwoDrivers {
    VirtualClock clock;
    SimulatedDevice first{clock};
    SimulatedDevice second{clock};
    PortFactory factory{std::vector<Driver*>{&first, &second}, clock, Settings{}};
    std::unique_ptr<PortPoller> poller;
    DriverError failure;
    std::string printed;

    void create() {
        ByteSource* source = nullptr;
        ::testing::internal::CaptureStdout();
        poller = factory.create(source, 0, 115200, &failure);
        printed = ::testing::internal::GetCapturedStdout();
    }
};

TEST(PortFactoryTest, TheNextDriverServesWhenOneCannotOpenTheDevice) {
    TwoDrivers rig;
    rig.first.setFault(DeviceFault::Open);
    rig.create();
    ASSERT_NE(rig.poller, nullptr);
    EXPECT_EQ(rig.printed, "");
    EXPECT_TRUE(rig.failure.ok());
    EXPECT_FALSE(rig.first.isOpen());
    EXPECT_EQ(rig.poller->port().write(ByteView("ab")), 2);
    EXPECT_EQ(rig.second.writes().size(), 1u);
}

TEST(PortFactoryTest, ADeviceThatWillNotTakeItsSettingsIsClosedAndTheNextDriverTried) {
    TwoDrivers rig;
    rig.first.setFault(DeviceFault::BaudRate);
    rig.create();
    ASSERT_NE(rig.poller, nullptr);
    EXPECT_EQ(rig.printed, "");
    EXPECT_EQ(rig.first.calls(), (std::vector<std::string>{"open 0", "baud 115200", "close"}));
    EXPECT_TRUE(rig.second.isOpen());
}

struct BothFail {
    DriverError first;
    DriverError second;
    DriverError reported;
};

// When every driver fails, the one failure told is the one the operator can act on: a driver
// that found no device, or is missing, says less than one that found the port and failed.
TEST(PortFactoryTest, WhenEveryDriverFailsTheMostTellingCauseIsReported) {
    using Cause = DriverError::Cause;
    const DriverError none{Cause::NoDevice, 0, {}};
    const DriverError denied{Cause::PermissionDenied, 0, "/dev/ttyUSB0"};
    const DriverError status{Cause::LibraryStatus, 3, "libftd2xx.so"};
    const DriverError busy{Cause::PortBusy, 0, "/dev/ttyUSB0"};
    const DriverError missing{Cause::LibraryMissing, 0, "FTD2XX.dll"};
    const std::vector<BothFail> cases = {
        {none, denied, denied},    {status, denied, denied}, {status, none, status},
        {status, busy, busy},      {none, none, none},       {missing, none, none},
        {missing, status, status},
    };
    for (const BothFail& c : cases) {
        TwoDrivers rig;
        rig.first.setFault(DeviceFault::Open);
        rig.first.setOpenError(c.first);
        rig.second.setFault(DeviceFault::Open);
        rig.second.setOpenError(c.second);
        rig.create();
        EXPECT_EQ(rig.poller, nullptr);
        EXPECT_EQ(rig.failure, c.reported) << c.first.describe() << " / " << c.second.describe();
        EXPECT_EQ(rig.printed, "unable to open communication device");
    }
}

TEST(PortFactoryTest, WhenEveryDriverFailsTheReportedFailurePrintsItsStepOnce) {
    TwoDrivers rig;
    rig.first.setFault(DeviceFault::Open);
    rig.second.setFault(DeviceFault::FlowControl);
    rig.create();
    EXPECT_EQ(rig.poller, nullptr);
    EXPECT_EQ(rig.printed, "port flow err");
    EXPECT_EQ(rig.failure.cause, DriverError::Cause::IoError);
}

// A driver whose reads come back early with nothing, or fail at once, must not make the
// port's caller spin: here the device's reads pass on a clock other than the port's.
TEST(PortFactoryTest, AReadThatBringsNothingTakesItsWholeTimeOut) {
    VirtualClock deviceClock;
    SimulatedDevice device(deviceClock);
    VirtualClock clock;
    PortFactory factory(device, clock, Settings{});
    ByteSource* source = nullptr;
    auto poller = factory.create(source, 0, 115200);
    ASSERT_NE(poller, nullptr);
    poller->port().setReadTimeout(20);
    EXPECT_EQ(poller->port().pump(), 1);
    EXPECT_EQ(clock.nowMs(), 20);
    device.setFault(DeviceFault::Read);
    EXPECT_EQ(poller->port().pump(), -1);
    EXPECT_EQ(clock.nowMs(), 40);
}

TEST(PortFactoryTest, DestroyingThePollerClosesTheDevice) {
    transport::testing::PortRig rig;
    EXPECT_TRUE(rig.device.isOpen());
    rig.poller.reset();
    EXPECT_FALSE(rig.device.isOpen());
    EXPECT_EQ(rig.device.calls(), std::vector<std::string>{"close"});
}

}  // namespace
