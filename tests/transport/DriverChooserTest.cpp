#include <gtest/gtest.h>

#include "transport/DriverChooser.h"
#include "transport/Ftd2xxDriver.h"
#include "transport/SerialPortDriver.h"

using namespace transport;

namespace {

TEST(DriverChooserTest, TheLibraryComesFirstWhenItLoadsThenTheSerialPorts) {
    auto drivers = platformDrivers(FAKE_FTD2XX_PATH);
    ASSERT_EQ(drivers.size(), 2u);
    EXPECT_NE(dynamic_cast<Ftd2xxDriver*>(drivers[0].get()), nullptr);
    EXPECT_NE(dynamic_cast<SerialPortDriver*>(drivers[1].get()), nullptr);
    for (const char* absent : {"/nonexistent/libftd2xx.so", FAKE_FTD2XX_INCOMPLETE_PATH}) {
        drivers = platformDrivers(absent);
        ASSERT_EQ(drivers.size(), 1u) << absent;
        EXPECT_NE(dynamic_cast<SerialPortDriver*>(drivers[0].get()), nullptr);
    }
}

}  // namespace
