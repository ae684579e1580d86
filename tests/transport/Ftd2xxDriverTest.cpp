#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Ftd2xxLibraryChecks.h"
#include "transport/Ftd2xxDriver.h"
#include "transport/Port.h"
#include "transport/PortListing.h"
#include "transport/RawLog.h"

using namespace transport;

namespace {

// The fake library's own controls, reached the way the driver reaches the library.
struct FakeLibrary {
    void* handle = dlopen(FAKE_FTD2XX_PATH, RTLD_NOW | RTLD_LOCAL);
    const char* (*log)() = nullptr;
    void (*reset)() = nullptr;
    void (*fail)(int, std::uint32_t) = nullptr;
    void (*feed)(const void*, std::uint32_t) = nullptr;
    const unsigned char* (*output)(std::uint32_t*) = nullptr;
    void (*runThread)(unsigned*) = nullptr;
    void (*setDevices)(std::uint32_t) = nullptr;

    enum Function { kOpen, kClose, kRead, kWrite, kBaud, kData, kFlow, kTimeouts };

    FakeLibrary() {
        log = reinterpret_cast<decltype(log)>(dlsym(handle, "FakeFtd2xx_log"));
        reset = reinterpret_cast<decltype(reset)>(dlsym(handle, "FakeFtd2xx_reset"));
        fail = reinterpret_cast<decltype(fail)>(dlsym(handle, "FakeFtd2xx_fail"));
        feed = reinterpret_cast<decltype(feed)>(dlsym(handle, "FakeFtd2xx_feed"));
        output = reinterpret_cast<decltype(output)>(dlsym(handle, "FakeFtd2xx_output"));
        runThread = reinterpret_cast<decltype(runThread)>(dlsym(handle, "FakeFtd2xx_runThread"));
        setDevices = reinterpret_cast<decltype(setDevices)>(dlsym(handle, "FakeFtd2xx_setDevices"));
        reset();
    }
    ~FakeLibrary() { dlclose(handle); }
    std::string written() {
        std::uint32_t count = 0;
        const unsigned char* bytes = output(&count);
        return std::string(bytes, bytes + count);
    }
};

TEST(Ftd2xxDriverTest, AnAbsentLibraryLoadsNothing) {
    EXPECT_EQ(Ftd2xxDriver::load("/nonexistent/libftd2xx.so"), nullptr);
}

TEST(Ftd2xxDriverTest, ALibraryLackingAFunctionLoadsNothing) {
    EXPECT_EQ(Ftd2xxDriver::load(FAKE_FTD2XX_INCOMPLETE_PATH), nullptr);
}

TEST(Ftd2xxDriverTest, TheLibrarysCountTellsTheDevicesThere) {
    FakeLibrary fake;
    auto driver = Ftd2xxDriver::load(FAKE_FTD2XX_PATH);
    ASSERT_NE(driver, nullptr);
    expectTheLibrarysCount(*driver, fake);
}

// The count is not one of the eight: a library without it still serves, and says nothing.
TEST(Ftd2xxDriverTest, ALibraryWithoutACountLoadsAndCountsNothing) {
    auto driver = Ftd2xxDriver::load(FAKE_FTD2XX_UNCOUNTED_PATH);
    ASSERT_NE(driver, nullptr);
    EXPECT_EQ(driver->deviceCount(), std::nullopt);
    const LibraryReport report = reportLibrary(FAKE_FTD2XX_UNCOUNTED_PATH);
    EXPECT_TRUE(report.loads);
    EXPECT_EQ(report.deviceCount, std::nullopt);
    EXPECT_FALSE(reportLibrary("/nonexistent/libftd2xx.so").loads);
}

TEST(Ftd2xxDriverTest, TheOpenSequenceCallsTheLibrary) {
    FakeLibrary fake;
    auto driver = Ftd2xxDriver::load(FAKE_FTD2XX_PATH);
    ASSERT_NE(driver, nullptr);
    DeviceHandle handle = openDevice(*driver, Settings{}, 0, 115200);
    EXPECT_NE(handle, nullptr);
    EXPECT_STREQ(fake.log(), "open 0;baud 115200;data 8 0 0;flow 0 0 0;timeouts 200 0;");
}

TEST(Ftd2xxDriverTest, ALibraryStatusFailsItsStep) {
    FakeLibrary fake;
    auto driver = Ftd2xxDriver::load(FAKE_FTD2XX_PATH);
    ASSERT_NE(driver, nullptr);
    fake.fail(FakeLibrary::kData, 4);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(openDevice(*driver, Settings{}, 0, 115200), nullptr);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "port setup err");
    EXPECT_STREQ(fake.log(), "open 0;baud 115200;data 8 0 0;close;");
}

TEST(Ftd2xxDriverTest, TheLibrarysStatusesSayWhyTheOpenFailed) {
    FakeLibrary fake;
    auto driver = Ftd2xxDriver::load(FAKE_FTD2XX_PATH);
    ASSERT_NE(driver, nullptr);
    fake.fail(FakeLibrary::kOpen, 2);  // the library's "device not found"
    EXPECT_EQ(runOpenSequence(*driver, 0, 115200).error,
              (DriverError{DriverError::Cause::NoDevice, 0, {}}));
    fake.fail(FakeLibrary::kOpen, 3);
    EXPECT_EQ(runOpenSequence(*driver, 0, 115200).error,
              (DriverError{DriverError::Cause::LibraryStatus, 3, FAKE_FTD2XX_PATH}));
    fake.reset();
    fake.fail(FakeLibrary::kBaud, 4);
    const OpenOutcome baud = runOpenSequence(*driver, 0, 115200);
    EXPECT_EQ(baud.failedStep, OpenStep::BaudRate);
    EXPECT_EQ(baud.error, (DriverError{DriverError::Cause::LibraryStatus, 4, FAKE_FTD2XX_PATH}));
}

// In a process of its own: the crash, were the library unloaded, would end it.
TEST(Ftd2xxDriverTest, TheLibraryStaysLoadedForItsOwnThreads) {
    EXPECT_EXIT(
        std::_Exit(libraryThreadOutlivesTheDriver<FakeLibrary>(Ftd2xxDriver::load(FAKE_FTD2XX_PATH))
                       ? 0
                       : 2),
        ::testing::ExitedWithCode(0), "");
}

TEST(Ftd2xxDriverTest, APortReadsWritesAndClosesThroughTheLibrary) {
    FakeLibrary fake;
    auto driver = Ftd2xxDriver::load(FAKE_FTD2XX_PATH);
    ASSERT_NE(driver, nullptr);
    expectRoundTripThroughTheLibrary(*driver, fake);
}

}  // namespace
