#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>

#include "Ftd2xxLibraryChecks.h"
#include "transport/DriverChooser.h"
#include "transport/Ftd2xxDriver.h"
#include "transport/Port.h"
#include "transport/PortListing.h"
#include "transport/RawLog.h"

using namespace transport;

namespace {

// The stand-in FTD2XX.dll lies beside the test program, where the program's own search for
// the library by its usual name looks first. Its test controls are exported by name.
struct FakeLibrary {
    HMODULE handle = LoadLibraryA("FTD2XX.dll");
    const char* (*log)() = nullptr;
    void (*reset)() = nullptr;
    void (*fail)(int, std::uint32_t) = nullptr;
    void (*feed)(const void*, std::uint32_t) = nullptr;
    const unsigned char* (*output)(std::uint32_t*) = nullptr;
    void (*runThread)(unsigned*) = nullptr;
    void (*setDevices)(std::uint32_t) = nullptr;

    enum Function { kOpen, kClose, kRead, kWrite, kBaud, kData, kFlow, kTimeouts };

    template <typename Function>
    void bind(const char* name, Function*& function) {
        function =
            reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(GetProcAddress(handle, name)));
    }
    FakeLibrary() {
        bind("FakeFtd2xx_log", log);
        bind("FakeFtd2xx_reset", reset);
        bind("FakeFtd2xx_fail", fail);
        bind("FakeFtd2xx_feed", feed);
        bind("FakeFtd2xx_output", output);
        bind("FakeFtd2xx_runThread", runThread);
        bind("FakeFtd2xx_setDevices", setDevices);
        reset();
    }
    ~FakeLibrary() { FreeLibrary(handle); }
    std::string written() {
        std::uint32_t count = 0;
        const unsigned char* bytes = output(&count);
        return std::string(bytes, bytes + count);
    }
};

struct Opened {
    DeviceHandle handle;
    std::string printed;
};

Opened openCaught(Driver& driver) {
    std::FILE* out = std::tmpfile();
    DeviceHandle handle = openDevice(driver, Settings{}, 0, 115200, out);
    std::rewind(out);
    std::string printed;
    for (int c = std::fgetc(out); c != EOF; c = std::fgetc(out)) printed += static_cast<char>(c);
    std::fclose(out);
    return {handle, printed};
}

TEST(Ftd2xxDriverWindowsTest, OnlyALibraryWithAllEightOrdinalsLoads) {
    EXPECT_EQ(Ftd2xxDriver::load("NoSuchLibrary.dll"), nullptr);
    EXPECT_EQ(Ftd2xxDriver::load("ftd2xx_incomplete.dll"), nullptr);
    EXPECT_NE(Ftd2xxDriver::load(), nullptr);
}

TEST(Ftd2xxDriverWindowsTest, TheOpenSequenceCallsTheLibraryByOrdinal) {
    FakeLibrary fake;
    const auto drivers = platformDrivers();
    ASSERT_EQ(drivers.size(), 1u);
    ASSERT_NE(dynamic_cast<Ftd2xxDriver*>(drivers[0].get()), nullptr);
    const Opened opened = openCaught(*drivers[0]);
    EXPECT_NE(opened.handle, nullptr);
    EXPECT_EQ(opened.printed, "");
    EXPECT_STREQ(fake.log(), "open 0;baud 115200;data 8 0 0;flow 0 0 0;timeouts 200 0;");
}

TEST(Ftd2xxDriverWindowsTest, ALibraryStatusFailsItsStep) {
    FakeLibrary fake;
    auto driver = Ftd2xxDriver::load();
    ASSERT_NE(driver, nullptr);
    fake.fail(FakeLibrary::kFlow, 4);
    const Opened opened = openCaught(*driver);
    EXPECT_EQ(opened.handle, nullptr);
    EXPECT_EQ(opened.printed, "port flow err");
    EXPECT_STREQ(fake.log(), "open 0;baud 115200;data 8 0 0;flow 0 0 0;close;");
}

TEST(Ftd2xxDriverWindowsTest, APortReadsWritesAndClosesThroughTheLibrary) {
    FakeLibrary fake;
    auto driver = Ftd2xxDriver::load();
    ASSERT_NE(driver, nullptr);
    expectRoundTripThroughTheLibrary(*driver, fake);
}

TEST(Ftd2xxDriverWindowsTest, TheLibrarysCountByNameTellsTheDevicesThere) {
    FakeLibrary fake;
    auto driver = Ftd2xxDriver::load();
    ASSERT_NE(driver, nullptr);
    expectTheLibrarysCount(*driver, fake);
}

// Without a serial-port backend a path reaches nothing; an index still reaches the library.
TEST(Ftd2xxDriverWindowsTest, APathIsRefusedAndAnIndexServed) {
    FakeLibrary fake;
    auto drivers = driversFor(DeviceChoice::ofPath("COM3"));
    ASSERT_EQ(drivers.size(), 1u);
    DeviceHandle handle = nullptr;
    EXPECT_EQ(drivers[0]->open(0, &handle),
              (DriverError{DriverError::Cause::PathNotSupported, 0, "COM3"}));
    drivers = driversFor(DeviceChoice::ofIndex(1));
    ASSERT_EQ(drivers.size(), 1u);
    EXPECT_NE(dynamic_cast<Ftd2xxDriver*>(drivers[0].get()), nullptr);
    const PortListing listing = listPorts();
    EXPECT_TRUE(listing.ports.empty());
    EXPECT_FALSE(listing.pathsOpen);
    EXPECT_TRUE(listing.library.loads);
    EXPECT_EQ(listing.library.deviceCount, 1u);
}

TEST(Ftd2xxDriverWindowsTest, WithoutTheLibraryTheOpenSaysItIsMissing) {
    const auto drivers = platformDrivers("NoSuchLibrary.dll");
    ASSERT_EQ(drivers.size(), 1u);
    EXPECT_EQ(openCaught(*drivers[0]).printed, "unable to open communication device");

    VirtualClock clock;
    PortFactory factory(drivers, clock, Settings{});
    ByteSource* source = nullptr;
    DriverError failure;
    EXPECT_EQ(factory.create(source, 0, 115200, &failure), nullptr);
    EXPECT_EQ(source, nullptr);
    EXPECT_EQ(failure, (DriverError{DriverError::Cause::LibraryMissing, 0, "NoSuchLibrary.dll"}));
}

TEST(Ftd2xxDriverWindowsTest, TheLibraryStaysLoadedForItsOwnThreads) {
    EXPECT_TRUE(libraryThreadOutlivesTheDriver<FakeLibrary>(Ftd2xxDriver::load()));
}

}  // namespace
