#include <gtest/gtest.h>

#include <sstream>

#include "ToolFrames.h"
#include "sim/Replay.h"
#include "sim/ReplayReport.h"

namespace sim::test {
namespace {

using transport::DeviceHandle;
using Kind = ReplayResult::Kind;

const Bytes kTarget = hex("00 13 A2 00 41 C7 F3 21 7A 21");

std::string hexText(const Bytes& bytes) { return hexOf(bytes); }

// One line of a recording.
std::string rx(std::int64_t ms, const Bytes& bytes) {
    return std::to_string(ms) + " rx " + hexText(bytes) + "\n";
}
std::string tx(std::int64_t ms, const Bytes& bytes) {
    return std::to_string(ms) + " tx " + hexText(bytes) + "\n";
}
std::string note(std::int64_t ms, const std::string& text) {
    return std::to_string(ms) + " note " + text + "\n";
}

const std::string kOpened = "# a recording\n" + note(100, "driver 1 open 0: ok");
const std::string kEnded = note(9000, "outcome speed-fixed, exit code 0");

struct Read {
    Bytes bytes;
    std::int64_t endMs;
    bool ok;
    bool operator==(const Read&) const = default;
};

void PrintTo(const Read& r, std::ostream* os) {
    *os << "{" << hexOf(r.bytes) << " at " << r.endMs << (r.ok ? "" : ", failed") << "}";
}

// The tool's side: the driver calls on virtual time against a recording held in memory.
struct Rig {
    explicit Rig(std::string recording) {
        replay = Replay::open(
            [recording] { return std::make_unique<std::istringstream>(recording); }, clock, error);
    }

    transport::Driver& driver() { return *replay->drivers().back().driver; }
    bool open() {
        const bool opened = driver().open(0, &handle).ok();
        driver().setTimeouts(handle, 20, 0);
        return opened;
    }
    bool write(const Bytes& bytes) {
        std::uint32_t written = 0;
        return driver()
            .write(handle, bytes.data(), static_cast<std::uint32_t>(bytes.size()), &written)
            .ok();
    }
    Read read() {
        std::uint8_t buffer[512];
        std::uint32_t got = 0;
        const bool ok = driver().read(handle, buffer, sizeof buffer, &got).ok();
        return {Bytes(buffer, buffer + got), clock.nowMs(), ok};
    }
    std::vector<Read> readsUntil(std::int64_t ms) {
        std::vector<Read> reads;
        while (clock.nowMs() < ms) {
            Read r = read();
            const bool failed = !r.ok;
            if (!r.bytes.empty() || failed) reads.push_back(std::move(r));
            if (failed) break;
        }
        return reads;
    }

    transport::VirtualClock clock;
    std::string error;
    std::unique_ptr<Replay> replay;
    DeviceHandle handle = nullptr;
};

TEST(ReplayTest, AnswersComeAsRecordedChunksAtTheirDelaysAfterTheOpenAndEachWrite) {
    Rig rig(kOpened + rx(150, hex("01 02")) + tx(1000, localCommand("ND")) + rx(1030, hex("03")) +
            rx(1030, hex("04 05")) + rx(1100, hex("06")) + kEnded);
    ASSERT_TRUE(rig.replay) << rig.error;
    rig.clock.sleepFor(5000);
    ASSERT_TRUE(rig.open());
    EXPECT_EQ(rig.readsUntil(6000), (std::vector<Read>{{hex("01 02"), 5050, true}}));
    rig.clock.sleepUntil(7000);
    EXPECT_TRUE(rig.write(localCommand("ND")));
    EXPECT_EQ(rig.readsUntil(8000),
              (std::vector<Read>{
                  {hex("03"), 7030, true}, {hex("04 05"), 7030, true}, {hex("06"), 7100, true}}));
    EXPECT_EQ(rig.replay->finish().kind, Kind::Matched);
}

TEST(ReplayTest, AFrameWrittenInOtherPiecesIsTheSameFrame) {
    const Bytes cb = localCommand("cb", {0x02});
    const Bytes nd = localCommand("ND");
    // Two frames in one recorded write; then one frame in two recorded writes.
    const Bytes query = remoteCommand(kTarget, "bd");
    const Bytes head(query.begin(), query.begin() + 5);
    const Bytes tail(query.begin() + 5, query.end());
    Rig rig(kOpened + tx(1000, cb + nd) + rx(1005, hex("0A")) + tx(2000, head) + tx(2000, tail) +
            rx(2040, hex("0B")) + kEnded);
    ASSERT_TRUE(rig.open());
    rig.clock.sleepFor(3000);
    rig.write(Bytes(cb.begin(), cb.begin() + 4));
    // Nothing answers a write until the recorded one is complete.
    EXPECT_EQ(rig.readsUntil(3100), std::vector<Read>{});
    rig.write(Bytes(cb.begin() + 4, cb.end()) + Bytes(nd.begin(), nd.begin() + 2));
    rig.write(Bytes(nd.begin() + 2, nd.end()));
    EXPECT_EQ(rig.readsUntil(3500), (std::vector<Read>{{hex("0A"), 3105, true}}));
    rig.clock.sleepUntil(4000);
    rig.write(query);
    EXPECT_EQ(rig.readsUntil(4500), (std::vector<Read>{{hex("0B"), 4040, true}}));
    const ReplayResult result = rig.replay->finish();
    EXPECT_EQ(result.kind, Kind::Matched);
    EXPECT_EQ(result.framesMatched, 3u);
}

TEST(ReplayTest, AOneByteChangeIsADivergenceAtItsLineWithBothFramesDecoded) {
    const Bytes query = remoteCommand(kTarget, "bd");
    Bytes edited = query;
    edited[12] = 0x22;  // the address's last byte, checksum left as it was
    Rig rig(kOpened + tx(1000, localCommand("ND")) + rx(1010, hex("0A")) + tx(2000, edited) +
            rx(2030, hex("0B")) + kEnded);
    int stops = 0;
    rig.replay->setOnStop([&] { ++stops; });
    rig.open();
    rig.clock.sleepFor(1000);
    rig.write(localCommand("ND"));
    rig.readsUntil(2000);
    rig.write(query);
    EXPECT_TRUE(rig.replay->stopped());
    EXPECT_EQ(stops, 1);
    // Nothing is served after it, however long the tool waits.
    EXPECT_EQ(rig.readsUntil(5000), std::vector<Read>{});
    rig.write(localCommand("ND"));
    EXPECT_EQ(stops, 1);

    const ReplayResult result = rig.replay->finish();
    EXPECT_EQ(result.kind, Kind::Diverged);
    EXPECT_EQ(result.line, 5u);
    EXPECT_EQ(result.expected, edited);
    EXPECT_EQ(result.written, query);
    EXPECT_EQ(describeReplay(result),
              "Replay: diverged at line 5 of the recording, after 1 frame written as recorded:\n"
              "  recorded: 7E 00 0F 17 03 00 13 A2 00 41 C7 F3 22 7A 21 00 62 64 B3\n"
              "            remote command (17), frame id 3, to 0013A20041C7F322 7A21, \"bd\", "
              "checksum wrong\n"
              "  written:  7E 00 0F 17 03 00 13 A2 00 41 C7 F3 21 7A 21 00 62 64 B3\n"
              "            remote command (17), frame id 3, to 0013A20041C7F321 7A21, \"bd\"\n");
}

struct EndCase {
    const char* name;
    std::string recording;
    std::vector<Bytes> writes;
    Kind kind;
    std::uint64_t line;
    Bytes expected;
    Bytes written;
};

void PrintTo(const EndCase& c, std::ostream* os) { *os << c.name; }

class ReplayEndTest : public ::testing::TestWithParam<EndCase> {};

TEST_P(ReplayEndTest, TellsWhichSideStoppedFirst) {
    const EndCase& c = GetParam();
    Rig rig(c.recording);
    ASSERT_TRUE(rig.replay) << rig.error;
    rig.open();
    for (const Bytes& bytes : c.writes) {
        rig.clock.sleepFor(1000);
        rig.write(bytes);
    }
    const ReplayResult result = rig.replay->finish();
    EXPECT_EQ(result.kind, c.kind);
    EXPECT_EQ(result.line, c.line);
    EXPECT_EQ(result.expected, c.expected);
    EXPECT_EQ(result.written, c.written);
}

const Bytes kCb = localCommand("cb", {0x02});
const Bytes kNd = localCommand("ND");
const std::string kCutOff = kOpened + tx(1000, kCb) + rx(1010, hex("0A"));  // lines 2 to 4

INSTANTIATE_TEST_SUITE_P(
    Ends, ReplayEndTest,
    ::testing::Values(
        EndCase{"BothEndTogether", kCutOff + kEnded, {kCb}, Kind::Matched, 5, {}, {}},
        EndCase{
            "RecordingCutOffWhileTheRunWrites", kCutOff, {kCb, kNd}, Kind::EndedEarly, 4, {}, kNd},
        EndCase{"RecordingCutOffWhileTheRunWaits", kCutOff, {kCb}, Kind::EndedEarly, 4, {}, {}},
        EndCase{"RecordingCutInsideAFrame",
                kCutOff + tx(2000, Bytes(kNd.begin(), kNd.begin() + 4)),
                {kCb, kNd},
                Kind::Diverged,
                5,
                Bytes(kNd.begin(), kNd.begin() + 4),
                kNd},
        EndCase{"RunWritesPastTheRecordedEnd",
                kCutOff + kEnded,
                {kCb, kNd},
                Kind::Diverged,
                5,
                {},
                kNd},
        EndCase{"RunStopsBeforeTheRecording",
                kCutOff + tx(2000, kNd) + kEnded,
                {kCb},
                Kind::Diverged,
                5,
                kNd,
                {}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(ReplayTest, TheDriversFailToAttachAsRecorded) {
    Rig rig(note(0,
                 "driver 1 open 0: failed: No USB serial adapter of vendor 0x0403 is plugged "
                 "in. Plug in the radio dongle, then start the program again.") +
            note(2, "driver 2 open 0: ok") +
            note(3, "driver 2 baud 115200: failed: The dongle failed.") +
            note(4, "driver 2 close: ok") + "5 out unable to open communication device\n" +
            note(6, "outcome no-radio, exit code 1"));
    ASSERT_TRUE(rig.replay) << rig.error;
    const std::vector<ReplayDriver>& drivers = rig.replay->drivers();
    ASSERT_EQ(drivers.size(), 2u);
    EXPECT_EQ(drivers[0].label, "driver 1");
    EXPECT_EQ(drivers[1].label, "driver 2");
    DeviceHandle handle = nullptr;
    EXPECT_EQ(drivers[0].driver->open(0, &handle).cause, transport::DriverError::Cause::NoDevice);
    ASSERT_TRUE(drivers[1].driver->open(0, &handle).ok());
    EXPECT_FALSE(drivers[1].driver->setBaudRate(handle, 115200).ok());
    const ReplayResult result = rig.replay->finish();
    EXPECT_EQ(result.kind, Kind::Matched);
    EXPECT_TRUE(result.hasRecordedOutcome);
    EXPECT_EQ(result.recordedOutcome.name, "no-radio");
    EXPECT_EQ(result.recordedOutcome.exitCode, 1);
}

TEST(ReplayTest, ARecordedFailureIsTheDonglePulledThenAndLaterWritesStillCount) {
    Rig rig(kOpened + tx(1000, kCb) + rx(1010, hex("0A")) +
            note(1300, "driver 1 read: failed: The dongle failed.") + tx(2000, kNd) + kEnded);
    rig.open();
    rig.clock.sleepFor(1000);
    rig.write(kCb);
    EXPECT_EQ(rig.readsUntil(1400),
              (std::vector<Read>{{hex("0A"), 1010, true}, {{}, 1300, false}}));
    rig.clock.sleepUntil(2000);
    EXPECT_FALSE(rig.write(kNd));
    EXPECT_EQ(rig.replay->finish().kind, Kind::Matched);
}

TEST(ReplayTest, AMalformedRecordingIsRefusedWithItsLine) {
    Rig rig(kOpened + "200 rx 7E 0\n");
    EXPECT_FALSE(rig.replay);
    EXPECT_EQ(rig.error, "line 3: not a byte in hex at column 11");
}

TEST(ReplayReportTest, FramesAreDescribedByWhatTheirTypeHolds) {
    const struct {
        Bytes frame;
        const char* text;
    } cases[] = {
        {localCommand("cb", {0x02}), "local command (08), frame id 1, \"cb\" 02"},
        {transmitRequest(0x20, kTarget, hex("10 01 00")),
         "transmit request (10), frame id 32, to 0013A20041C7F321 7A21, 3 data bytes"},
        {apiFrame(hex("97 03") + kTarget + text("bd") + hex("00 04")),
         "remote command response (97), frame id 3, from 0013A20041C7F321 7A21, \"bd\" 00 04"},
        {apiFrame(hex("90") + kTarget + hex("01 AA BB")),
         "received packet (90), from 0013A20041C7F321 7A21, 2 data bytes"},
        {apiFrame(hex("8B 20 7A 21 00 00 00")), "transmit status (8B), frame id 32"},
        {apiFrame(hex("09 01 0D 0A")), "local command (09), frame id 1, \"\\x0D\\x0A\""},
        {apiFrame(hex("92 01")), "frame (92)"},
        {hex("7E 00 05 08 01"), "a frame cut off: 5 of its 9 bytes"},
        {hex("7E 00 00"), "a frame header announcing no frame data"},
        {hex("01 02"), "not a frame: 2 bytes"},
    };
    for (const auto& c : cases) EXPECT_EQ(describeFrame(viewOf(c.frame)), c.text) << hexOf(c.frame);
}

}  // namespace
}  // namespace sim::test
