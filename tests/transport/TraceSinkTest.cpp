#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/Bytes.h"
#include "transport/SimulatedDevice.h"
#include "transport/TraceSink.h"
#include "transport/TracingDriver.h"

using namespace transport;
using testsupport::Bytes;
using testsupport::hexOf;

namespace {

class CapturedTrace final : public TraceSink, public DriverTrace {
public:
    void output(std::string_view text) override { events.push_back("out " + std::string(text)); }
    void error(std::string_view text) override { events.push_back("err " + std::string(text)); }
    void onRead(ByteView bytes) override { events.push_back("rx " + hexOf(bytes)); }
    void onWrite(ByteView bytes) override { events.push_back("tx " + hexOf(bytes)); }
    void onCall(std::string_view call, const DriverError& result) override {
        events.push_back(std::string(call) + (result.ok() ? " ok" : " failed"));
    }
    std::vector<std::string> events;
};

// The process's sink is replaced and put back; a formatted print longer than any small
// buffer arrives whole.
TEST(TraceSinkTest, ReplacedAndPutBack) {
    CapturedTrace captured;
    TraceSink& standard = traceSink();
    EXPECT_EQ(setTraceSink(&captured), &standard);
    const std::string longText(1000, 'z');
    traceSink().print("%s|%d", longText.c_str(), 42);
    traceSink().dumpHex(ByteView());
    const std::uint8_t bytes[] = {0x7E, 0x0A};
    traceSink().dumpHex(ByteView(bytes, 2));
    EXPECT_EQ(setTraceSink(nullptr), &captured);
    EXPECT_EQ(&traceSink(), &standard);
    EXPECT_EQ(captured.events, (std::vector<std::string>{"out " + longText + "|42", "out 7e0a\n"}));
}

// Every chunk through the driver is told, with the calls around them; empty reads are not,
// and of a run of failed reads only the first.
TEST(TracingDriverTest, TellsChunksAndCalls) {
    VirtualClock clock;
    SimulatedDevice device(clock);
    CapturedTrace trace;
    TracingDriver driver(device, trace, "sim");
    DeviceHandle handle = nullptr;
    ASSERT_TRUE(driver.open(0, &handle).ok());
    driver.setBaudRate(handle, 115200);
    driver.setTimeouts(handle, 20, 0);  // told only when it fails
    const std::uint8_t frame[] = {0x7E, 0x00};
    std::uint32_t count = 0;
    driver.write(handle, frame, 2, &count);
    std::uint8_t buffer[16];
    driver.read(handle, buffer, sizeof buffer, &count);  // nothing has arrived
    device.line().schedule(clock.nowMs(), ByteView(frame, 2));
    driver.read(handle, buffer, sizeof buffer, &count);
    device.vanishAt(clock.nowMs());
    for (int i = 0; i < 3; ++i) driver.read(handle, buffer, sizeof buffer, &count);
    driver.close(handle);
    EXPECT_EQ(trace.events,
              (std::vector<std::string>{"sim open 0 ok", "sim baud 115200 ok", "tx 7E 00",
                                        "rx 7E 00", "sim read failed", "sim close ok"}));
}

}  // namespace
