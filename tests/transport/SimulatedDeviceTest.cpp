#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "transport/SimulatedDevice.h"

using namespace transport;

namespace {

struct Read {
    DriverError status;
    std::string bytes;
    std::int64_t endMs;
};

struct Device {
    VirtualClock clock;
    SimulatedDevice device{clock};
    DeviceHandle handle = nullptr;

    Device() {
        device.open(0, &handle);
        device.setTimeouts(handle, 20, 0);
    }
    void send(std::int64_t atMs, const char* text) { device.line().schedule(atMs, ByteView(text)); }
    Read read(std::uint32_t wanted) {
        char buffer[64] = {};
        std::uint32_t got = 0;
        const DriverError status = device.read(handle, buffer, wanted, &got);
        return {status, std::string(buffer, got), clock.nowMs()};
    }
};

struct ReadCase {
    const char* name;
    std::vector<std::pair<std::int64_t, const char*>> line;
    std::uint32_t wanted;
    std::string bytes;
    std::int64_t endMs;
    bool chunkPerRead = false;
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class DeviceReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(DeviceReadTest, ReturnsWhatArrivedEarlyAtTheCountElseAtTheTimeout) {
    const ReadCase& c = GetParam();
    Device d;
    d.device.line().setChunkPerRead(c.chunkPerRead);
    for (const auto& [at, text] : c.line) d.send(at, text);
    const Read read = d.read(c.wanted);
    EXPECT_TRUE(read.status.ok());
    EXPECT_EQ(read.bytes, c.bytes);
    EXPECT_EQ(read.endMs, c.endMs);
}

INSTANTIATE_TEST_SUITE_P(
    Semantics, DeviceReadTest,
    ::testing::Values(ReadCase{"Nothing", {}, 8, "", 20},
                      ReadCase{"NothingWanted", {{5, "ab"}}, 0, "", 0},
                      ReadCase{"LessThanWanted", {{5, "ab"}}, 8, "ab", 20},
                      ReadCase{"CountReachedEarly", {{5, "ab"}, {7, "cd"}}, 4, "abcd", 7},
                      ReadCase{"AlreadyThere", {{0, "abcdef"}}, 4, "abcd", 0},
                      ReadCase{"LaterThanTheTimeout", {{5, "ab"}, {30, "cd"}}, 4, "ab", 20},
                      ReadCase{"OrderedByTime", {{9, "cd"}, {3, "ab"}, {9, "ef"}}, 6, "abcdef", 9},
                      // As a recording is played back: one chunk per read, as soon as it is due.
                      ReadCase{
                          "ChunkPerReadEndsAtTheFirst", {{5, "ab"}, {7, "cd"}}, 8, "ab", 5, true},
                      ReadCase{"ChunkPerReadOneOfTwoDue", {{3, "ab"}, {3, "cd"}}, 8, "ab", 3, true},
                      ReadCase{"ChunkPerReadWantedPart", {{4, "abcdef"}}, 4, "abcd", 4, true},
                      ReadCase{"ChunkPerReadNoneDue", {{30, "ab"}}, 8, "", 20, true}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(SimulatedDeviceTest, ARemainderIsReadNext) {
    Device d;
    d.send(0, "abcdef");
    EXPECT_EQ(d.read(4).bytes, "abcd");
    EXPECT_EQ(d.read(4).bytes, "ef");
    EXPECT_EQ(d.device.line().pendingBytes(), 0u);
}

class Echo final : public DevicePeer {
public:
    void onWrite(ByteView bytes, std::int64_t nowMs, DeviceLine& line) override {
        line.schedule(nowMs + 3, bytes);
    }
};

TEST(SimulatedDeviceTest, ThePeerAnswersWrites) {
    Device d;
    Echo echo;
    d.device.setPeer(&echo);
    d.clock.sleepFor(100);
    std::uint32_t written = 0;
    EXPECT_TRUE(d.device.write(d.handle, "hi", 2, &written).ok());
    EXPECT_EQ(written, 2u);
    const Read read = d.read(2);
    EXPECT_EQ(read.bytes, "hi");
    EXPECT_EQ(read.endMs, 103);
    ASSERT_EQ(d.device.writes().size(), 1u);
    EXPECT_EQ(d.device.writes()[0].atMs, 100);
    const auto reads = d.device.reads();
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(reads[0].atMs, 100);
    EXPECT_EQ(reads[0].endMs, 103);
    EXPECT_EQ(reads[0].timeoutMs, 20u);
    EXPECT_EQ(reads[0].got, 2u);
}

// Sends a byte every 7 ms, unasked, as far as each read may reach.
class Ticker final : public DevicePeer {
public:
    void onWrite(ByteView, std::int64_t, DeviceLine&) override {}
    void onTime(std::int64_t untilMs, DeviceLine& line) override {
        for (; nextMs <= untilMs; nextMs += 7) line.schedule(nextMs, ByteView("t", 1));
    }
    std::int64_t nextMs = 7;
};

TEST(SimulatedDeviceTest, APeerSendsUnaskedWhatFallsWithinEachRead) {
    Device d;
    Ticker ticker;
    d.device.setPeer(&ticker);
    EXPECT_EQ(d.read(8).bytes, "tt");  // at 7 and 14 of the first 20 ms
    d.clock.sleepFor(30);
    // At 50 what fell due meanwhile is there at once.
    const Read read = d.read(4);
    EXPECT_EQ(read.bytes, "tttt");
    EXPECT_EQ(read.endMs, 50);
    EXPECT_EQ(ticker.nextMs, 77);
}

TEST(SimulatedDeviceTest, FaultsComeAndGoOnDemand) {
    Device d;
    std::uint32_t written = 0;
    d.device.setFault(DeviceFault::Write);
    EXPECT_FALSE(d.device.write(d.handle, "x", 1, &written).ok());
    d.device.setFault(DeviceFault::Write, false);
    EXPECT_TRUE(d.device.write(d.handle, "x", 1, &written).ok());
    d.device.setFault(DeviceFault::Read);
    const Read failed = d.read(1);
    EXPECT_FALSE(failed.status.ok());
    EXPECT_EQ(failed.endMs, 0);  // fails at once; the port waits the time-out out
}

TEST(SimulatedDeviceTest, AVanishingDeviceFailsTheReadInProgressAndEverythingAfter) {
    Device d;
    d.send(50, "late");
    d.device.vanishAt(12);
    const Read read = d.read(4);
    EXPECT_FALSE(read.status.ok());
    EXPECT_EQ(read.endMs, 12);
    std::uint32_t written = 0;
    EXPECT_FALSE(d.device.write(d.handle, "x", 1, &written).ok());
    d.device.close(d.handle);
    DeviceHandle again = nullptr;
    EXPECT_EQ(d.device.open(0, &again).cause, DriverError::Cause::NoDevice);
    EXPECT_EQ(again, nullptr);
}

// Plugged in again: the old handle stays dead, a new open works from the return on, and
// what the far end sent while the device was away never arrives.
TEST(SimulatedDeviceTest, APluggedInDeviceOpensAgainAndTheOldHandleStaysDead) {
    Device d;
    const DeviceHandle old = d.handle;
    d.send(15, "lost");
    d.send(45, "kept");
    d.device.vanishAt(10);
    d.device.returnAt(40);
    EXPECT_FALSE(d.read(4).status.ok());
    DeviceHandle again = nullptr;
    EXPECT_EQ(d.device.open(0, &again).cause, DriverError::Cause::NoDevice);  // at 10
    d.clock.sleepUntil(40);
    d.device.close(old);
    ASSERT_TRUE(d.device.open(0, &again).ok());
    d.handle = again;
    d.device.setTimeouts(again, 20, 0);
    const Read read = d.read(8);
    EXPECT_TRUE(read.status.ok());
    EXPECT_EQ(read.bytes, "kept");
    std::uint32_t written = 0;
    EXPECT_TRUE(d.device.write(again, "x", 1, &written).ok());
}

// Keeps what the device tells its peer besides writes.
class Witness final : public DevicePeer {
public:
    void onWrite(ByteView, std::int64_t, DeviceLine&) override {}
    void onOpen(std::int64_t nowMs, DeviceLine&) override { opens.push_back(nowMs); }
    void onLostWrite(ByteView bytes, std::int64_t nowMs) override {
        lost.emplace_back(nowMs, std::string(bytes.begin(), bytes.end()));
    }
    std::vector<std::int64_t> opens;
    std::vector<std::pair<std::int64_t, std::string>> lost;
};

TEST(SimulatedDeviceTest, ThePeerHearsOfTheOpenAndOfWritesThatFailed) {
    VirtualClock clock(40);
    SimulatedDevice device(clock);
    Witness witness;
    device.setPeer(&witness);
    device.setFault(DeviceFault::Open);
    DeviceHandle handle = nullptr;
    EXPECT_FALSE(device.open(0, &handle).ok());
    device.setFault(DeviceFault::Open, false);
    EXPECT_TRUE(device.open(0, &handle).ok());
    EXPECT_EQ(witness.opens, std::vector<std::int64_t>{40});

    std::uint32_t written = 0;
    EXPECT_TRUE(device.write(handle, "ok", 2, &written).ok());
    device.setFault(DeviceFault::Write);
    clock.sleepFor(5);
    EXPECT_FALSE(device.write(handle, "ab", 2, &written).ok());
    device.setFault(DeviceFault::Write, false);
    device.vanishAt(50);
    clock.sleepFor(15);
    EXPECT_FALSE(device.write(handle, "cd", 2, &written).ok());
    using Lost = std::pair<std::int64_t, std::string>;
    EXPECT_EQ(witness.lost, (std::vector<Lost>{{45, "ab"}, {60, "cd"}}));
}

TEST(SimulatedDeviceTest, CanBeConfiguredAndInspectedWhileAnotherThreadReads) {
    Device d;
    std::thread reader([&] {
        for (int i = 0; i < 200; ++i) d.read(8);
    });
    for (int i = 0; i < 200; ++i) {
        d.send(d.clock.nowMs() + 1, "z");
        d.device.setFault(DeviceFault::Read, i % 2 == 0);
        (void)d.device.reads();
    }
    reader.join();
    EXPECT_EQ(d.device.reads().size(), 200u);
}

}  // namespace
