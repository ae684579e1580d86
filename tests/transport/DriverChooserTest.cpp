#include <gtest/gtest.h>

#include "transport/DriverChooser.h"
#include "transport/Ftd2xxDriver.h"
#include "transport/SerialPortDriver.h"

using namespace transport;

namespace {

TEST(DriverChooserTest, TheLibraryServesWhenItLoads) {
    auto driver = chooseDriver(FAKE_FTD2XX_PATH);
    EXPECT_NE(dynamic_cast<Ftd2xxDriver*>(driver.get()), nullptr);
}

TEST(DriverChooserTest, TheSerialPortsServeWithoutTheLibrary) {
    auto driver = chooseDriver("/nonexistent/libftd2xx.so");
    EXPECT_NE(dynamic_cast<SerialPortDriver*>(driver.get()), nullptr);
    driver = chooseDriver(FAKE_FTD2XX_INCOMPLETE_PATH);
    EXPECT_NE(dynamic_cast<SerialPortDriver*>(driver.get()), nullptr);
}

}  // namespace
