#pragma once

#include <gtest/gtest.h>

#include <string>

#include "transport/Port.h"
#include "transport/RawLog.h"

namespace transport {

// A port built on the loaded library writes, reads, reports a failing read and closes the
// device, each through the library. The fake library stand-in differs by platform only in
// how it is reached, so both platforms' tests share this.
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

}  // namespace transport
