#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "transport/Ftd2xxDriver.h"
#include "transport/Port.h"
#include "transport/RawLog.h"

// Checks of the chip maker's library through its stand-in, which differs by platform only in
// how it is reached, so both platforms' tests share them.
namespace transport {

// A port built on the loaded library writes, reads, reports a failing read and closes the
// device, each through the library.
template <typename FakeLibrary>
void expectRoundTripThroughTheLibrary(Driver& driver, FakeLibrary& fake) {
    VirtualClock clock;
    PortFactory factory(driver, clock, Settings{});
    ByteSource* source = nullptr;
    auto poller = factory.create(source, 0, 115200);
    ASSERT_NE(poller, nullptr);
    RawLog rawLog;
    source->setPending(&rawLog);
    fake.reset();

    EXPECT_EQ(poller->port().write(ByteView("~frame")), 6);
    EXPECT_EQ(fake.written(), "~frame");
    fake.feed("answer", 6);
    EXPECT_TRUE(poller->drain(0));
    EXPECT_EQ(std::string(rawLog.log().begin(), rawLog.log().end()), "answer");
    fake.fail(FakeLibrary::kRead, 4);
    EXPECT_EQ(poller->port().pump(), -1);
    poller.reset();
    EXPECT_STREQ(fake.log(), "write 6;timeouts 1 0;read 512;read 512;close;");
}

// The library counts its devices without opening one, and an index past them is a device
// that is not there, with those that are; index 0 stays the plain "no device".
template <typename FakeLibrary>
void expectTheLibrarysCount(Ftd2xxDriver& driver, FakeLibrary& fake) {
    fake.setDevices(2);
    EXPECT_EQ(driver.deviceCount(), 2u);
    fake.fail(FakeLibrary::kOpen, 2);  // the library's "device not found"
    DeviceHandle handle = nullptr;
    EXPECT_EQ(driver.open(2, &handle),
              (DriverError{DriverError::Cause::NoSuchDevice, 0, "2", {"0", "1"}}));
    EXPECT_EQ(driver.open(0, &handle), (DriverError{DriverError::Cause::NoDevice, 0, {}}));
    fake.setDevices(0);
    EXPECT_EQ(driver.open(2, &handle), (DriverError{DriverError::Cause::NoDevice, 0, {}}));
    EXPECT_STREQ(fake.log(), "open 2;open 0;open 2;");
}

// The library's own threads run on after the program has finished with the library, up to
// the end of the process: true when such a thread still runs the library's code once the
// driver is gone. Had the library been unloaded under it, the process crashes instead.
template <typename FakeLibrary>
bool libraryThreadOutlivesTheDriver(std::unique_ptr<Ftd2xxDriver> driver) {
    // The library's thread counts on for the life of the process, so its counter lives as
    // long: on this function's stack the thread would go on writing into later calls' frames.
    static std::atomic<unsigned> beats{0};
    {
        FakeLibrary fake;  // lets go of the library again when done
        fake.runThread(reinterpret_cast<unsigned*>(&beats));
    }
    DeviceHandle handle = nullptr;
    driver->open(0, &handle);
    driver->close(handle);
    driver.reset();
    const unsigned seen = beats.load();
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (beats.load() < seen + 3 && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return beats.load() >= seen + 3;
}

}  // namespace transport
