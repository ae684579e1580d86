#include <gtest/gtest.h>

#include <algorithm>

#include "ToolFrames.h"
#include "sim/SimulatedField.h"

namespace sim::test {
namespace {

using transport::DeviceHandle;

// One frame as the tool's side would find it on the line.
struct Arrival {
    std::int64_t atMs;  // when its first byte arrived
    Bytes frameData;
    bool checksumOk;
};

// Drives a field through the simulated device in virtual time: writes go through the
// device, and the line is read a millisecond at a time so arrival times are exact.
class FieldHarness {
public:
    explicit FieldHarness(const Scenario& scenario) : sim_(makeSimulatedField(scenario, clock_)) {
        EXPECT_TRUE(sim_->device().open(0, &handle_).ok());
    }

    void write(const Bytes& bytes) {
        std::uint32_t written = 0;
        sim_->device().write(handle_, bytes.data(), static_cast<std::uint32_t>(bytes.size()),
                             &written);
    }

    // Everything that arrives in the next ms milliseconds, split into frames; the bytes
    // outside frames go to noise.
    std::vector<Arrival> readFor(std::int64_t ms) {
        std::vector<Arrival> arrivals;
        const std::int64_t end = clock_.nowMs() + ms;
        while (clock_.nowMs() < end) {
            clock_.sleepFor(1);
            sim_->field().onTime(clock_.nowMs(), sim_->device().line());
            std::uint8_t chunk[512];
            const std::uint32_t n = sim_->device().line().take(clock_.nowMs(), chunk, sizeof chunk);
            for (std::uint32_t i = 0; i < n; ++i) takeByte(chunk[i], arrivals);
        }
        return arrivals;
    }

    SimulatedField& sim() { return *sim_; }
    transport::VirtualClock& clock() { return clock_; }
    const Bytes& noise() const { return noise_; }

private:
    void takeByte(std::uint8_t byte, std::vector<Arrival>& arrivals) {
        if (frame_.empty() && byte != 0x7E) {
            noise_.push_back(byte);
            return;
        }
        if (frame_.empty()) frameStartMs_ = clock_.nowMs();
        frame_.push_back(byte);
        if (frame_.size() < 3) return;
        const std::size_t length = (std::size_t{frame_[1]} << 8) | frame_[2];
        if (frame_.size() < length + 4) return;
        const Bytes data(frame_.begin() + 3, frame_.end() - 1);
        std::uint8_t sum = frame_.back();
        for (std::uint8_t b : data) sum = static_cast<std::uint8_t>(sum + b);
        arrivals.push_back({frameStartMs_, data, sum == 0xFF});
        frame_.clear();
    }

    transport::VirtualClock clock_;
    std::unique_ptr<SimulatedField> sim_;
    DeviceHandle handle_ = nullptr;
    Bytes frame_;
    Bytes noise_;
    std::int64_t frameStartMs_ = 0;
};

const Bytes kTarget = hex("00 13 A2 00 41 C7 F3 21 7A 21");      // QOR123-7654321
const Bytes kOutOfRange = hex("00 13 A2 00 41 C7 F4 02 51 02");  // QOR123-7654402
const Bytes kUnknown = hex("00 13 A2 00 00 00 00 01 00 01");

std::vector<Bytes> frameDataOf(const std::vector<Arrival>& arrivals) {
    std::vector<Bytes> data;
    for (const Arrival& a : arrivals) data.push_back(a.frameData);
    return data;
}

std::string nameIn(const Bytes& frameData, std::size_t offset) {
    std::string name;
    for (std::size_t i = offset; i < frameData.size() && frameData[i] != 0; ++i)
        name += static_cast<char>(frameData[i]);
    return name;
}

TEST(TurbineFieldTest, DiscoveryAnswersOncePerReachableNodeStaggered) {
    FieldHarness h(defaultField());
    h.write(localCommand("ND"));
    const auto arrivals = h.readFor(2000);
    const std::vector<std::string> expected = {"QOR123-7654321", "QOR123-7654318", "QOR123-7654325",
                                               "QOR123-7654330", "QOR123-7654337"};
    ASSERT_EQ(arrivals.size(), expected.size());
    for (std::size_t i = 0; i < arrivals.size(); ++i) {
        EXPECT_EQ(arrivals[i].atMs, 200 + 150 * static_cast<std::int64_t>(i));
        EXPECT_TRUE(arrivals[i].checksumOk);
        EXPECT_EQ(nameIn(arrivals[i].frameData, 15), expected[i]);
    }
    // Letters, status, network address, address high and low, name, zero, 8 bytes, 4 bytes.
    EXPECT_EQ(arrivals[0].frameData, hex("88 01 4E 44 00 7A 21 00 13 A2 00 41 C7 F3 21") +
                                         text("QOR123-7654321") +
                                         hex("00 FF FE 01 00 C1 05 10 1E 00 03 00 00"));
}

TEST(TurbineFieldTest, CommissioningMakesNodesAnnounce) {
    FieldHarness h(defaultField());
    h.write(localCommand("cb", {0x02}));
    const auto arrivals = h.readFor(1000);
    ASSERT_EQ(arrivals.size(), 3u);
    EXPECT_EQ(arrivals[0].atMs, 5);
    EXPECT_EQ(arrivals[0].frameData, hex("88 01 63 62 00"));
    for (std::size_t i = 1; i < 3; ++i) {
        EXPECT_EQ(arrivals[i].atMs, 300);
        EXPECT_EQ(arrivals[i].frameData[0], 0x95);
    }
    EXPECT_EQ(nameIn(arrivals[1].frameData, 22), "QOR123-7654321");
    EXPECT_EQ(nameIn(arrivals[2].frameData, 22), "QOR123-7654330");

    h.write(localCommand("cb", {0x01}));
    EXPECT_EQ(frameDataOf(h.readFor(1000)), std::vector<Bytes>{hex("88 01 63 62 00")});
}

TEST(TurbineFieldTest, ModuleAnswersWhatItCanReach) {
    const struct {
        const char* what;
        Bytes request;
        std::vector<Bytes> answers;
    } cases[] = {
        {"unknown local command", localCommand("zz"), {hex("88 01 7A 7A 02")}},
        {"remote bd", remoteCommand(kTarget, "bd"), {hex("97 03") + kTarget + hex("62 64 00 04")}},
        {"remote by network address",
         remoteCommand(hex("FF FF FF FF FF FF FF FF 7A 21"), "bd"),
         {hex("97 03") + kTarget + hex("62 64 00 04")}},
        {"remote with the wrong network address",
         remoteCommand(hex("00 13 A2 00 41 C7 F3 21 00 00"), "bd"),
         {hex("97 03") + kTarget + hex("62 64 00 04")}},
        {"remote to a radio out of range", remoteCommand(kOutOfRange, "bd"), {}},
        {"remote to no radio", remoteCommand(kUnknown, "bd"), {}},
        {"data while the speeds differ",
         transmitRequest(0x20, kTarget, hex("10 01 00 10 03")),
         {hex("8B 20 7A 21 00 00 00")}},
        {"data to a radio out of range",
         transmitRequest(0x24, kOutOfRange, hex("10 01 10 03")),
         {hex("8B 24 51 02 00 21 00")}},
        {"data without a frame id", transmitRequest(0x00, kTarget, hex("10 01 10 03")), {}},
        {"a frame with a bad checksum", hex("7E 00 04 09 01 4E 44 64"), {}},
    };
    for (const auto& c : cases) {
        FieldHarness h(defaultField());
        h.write(c.request);
        EXPECT_EQ(frameDataOf(h.readFor(1000)), c.answers) << c.what;
    }
}

TEST(TurbineFieldTest, RadioComesBackAfterRestartWithWhatWasWritten) {
    FieldHarness h(defaultField());
    h.write(remoteCommand(kTarget, "bd", {0x06}));
    h.write(remoteCommand(kTarget, "wr"));
    h.write(remoteCommand(kTarget, "fr"));
    EXPECT_EQ(h.readFor(100).size(), 3u);

    h.write(remoteCommand(kTarget, "db"));
    h.write(localCommand("ND"));
    const auto during = h.readFor(1500);
    ASSERT_EQ(during.size(), 4u) << "no db answer, and four nodes discovered";
    for (const Arrival& a : during) EXPECT_NE(nameIn(a.frameData, 15), "QOR123-7654321");

    const auto back = h.readFor(1000);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].atMs, 30 + 2500);
    EXPECT_EQ(back[0].frameData[0], 0x95);

    h.write(remoteCommand(kTarget, "db"));
    h.write(remoteCommand(kTarget, "bd"));
    EXPECT_EQ(frameDataOf(h.readFor(100)),
              (std::vector<Bytes>{hex("97 03") + kTarget + hex("64 62 00 28"),
                                  hex("97 03") + kTarget + hex("62 64 00 06")}));
    EXPECT_EQ(h.sim().field().radio("QOR123-7654321")->restarts(), 1u);
}

TEST(TurbineFieldTest, InverterAnswersAtTheMatchingSetting) {
    FieldHarness h(defaultField());
    const Bytes query = hex("10 01 00 00 00 0A 01 08 81 00 00 00 00 AD E9 10 03");
    h.write(remoteCommand(kTarget, "bd", {0x06}));
    h.readFor(100);
    // The tool splits long data over several frames; the inverter gathers the pieces.
    h.write(transmitRequest(0x20, kTarget, Bytes(query.begin(), query.begin() + 6)));
    h.write(transmitRequest(0x21, kTarget, Bytes(query.begin() + 6, query.end())));
    const auto arrivals = h.readFor(200);
    ASSERT_EQ(arrivals.size(), 3u);
    EXPECT_EQ(arrivals[0].frameData, hex("8B 20 7A 21 00 00 00"));
    EXPECT_EQ(arrivals[1].frameData, hex("8B 21 7A 21 00 00 00"));
    EXPECT_EQ(arrivals[2].atMs, 100 + 60);
    EXPECT_EQ(arrivals[2].frameData, hex("90") + kTarget + hex("01") +
                                         hex("10 01 00 00 00 0A 81 08 81 00 00 21 03 74 70 10 03"));
}

TEST(TurbineFieldTest, NoiseAndBrokenChecksumsOnDemand) {
    Scenario scenario = defaultField();
    scenario.noiseBytes = 4;
    scenario.nodes[0].faults = {{FaultKind::BadChecksum, 0, 1}};
    FieldHarness h(scenario);
    h.write(remoteCommand(kTarget, "db"));
    h.write(remoteCommand(kTarget, "db"));
    const auto arrivals = h.readFor(100);
    ASSERT_EQ(arrivals.size(), 2u);
    EXPECT_FALSE(arrivals[0].checksumOk);
    EXPECT_TRUE(arrivals[1].checksumOk);
    EXPECT_EQ(h.noise().size(), 8u);
    for (std::uint8_t b : h.noise()) EXPECT_NE(b, 0x7E);
}

TEST(TurbineFieldTest, UnaskedTrafficComesAtItsRate) {
    Scenario scenario;
    std::string error;
    ASSERT_TRUE(
        parseScenario("node QOR123-7654340\n address 0013A20041C7F340\n network 0440\n"
                      " announces-every 500\n packet-stream 10 40\n",
                      scenario, error))
        << error;
    FieldHarness h(scenario);
    const Bytes sender = hex("00 13 A2 00 41 C7 F3 40 04 40");
    int announcements = 0;
    int packetFrames = 0;
    for (const Arrival& a : h.readFor(2000)) {
        ASSERT_TRUE(a.checksumOk);
        if (a.frameData[0] == 0x95) {
            EXPECT_EQ(a.atMs, 500 * ++announcements);
            EXPECT_EQ(nameIn(a.frameData, 22), "QOR123-7654340");
        } else {
            ASSERT_EQ(a.frameData.size(), 12u + 40u);
            EXPECT_EQ(Bytes(a.frameData.begin(), a.frameData.begin() + 12),
                      hex("90") + sender + hex("01"));
            EXPECT_EQ(a.atMs, 10 * ++packetFrames);
            // No DLE, so no end mark: the data never makes a packet.
            EXPECT_EQ(std::count(a.frameData.begin() + 12, a.frameData.end(), 0x10), 0);
        }
    }
    EXPECT_EQ(announcements, 4);
    EXPECT_EQ(packetFrames, 200);
}

TEST(TurbineFieldTest, RandomBytesFillTheLineAtTheirRate) {
    Scenario scenario;
    scenario.randomBytesPerSecond = 11520;
    transport::VirtualClock clock;
    auto sim = makeSimulatedField(scenario, clock);
    transport::DeviceLine& line = sim->device().line();
    sim->field().onTime(1000, line);
    EXPECT_EQ(line.pendingBytes(), 11520u);
    EXPECT_EQ(line.timeWhenAvailable(58), 10);  // 57.6 bytes in every 5 ms
    sim->field().onTime(1500, line);
    EXPECT_EQ(line.pendingBytes(), 11520u + 5760u);
    std::vector<std::uint8_t> bytes(line.pendingBytes());
    line.take(1500, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    EXPECT_GT(std::count(bytes.begin(), bytes.end(), 0x7E), 20);
}

TEST(SimulatedFieldTest, AppliesTheDeviceFaults) {
    transport::VirtualClock clock;
    Scenario opening;
    opening.device.openFails = true;
    DeviceHandle handle = nullptr;
    EXPECT_FALSE(makeSimulatedField(opening, clock)->device().open(0, &handle).ok());

    Scenario baud;
    baud.device.baudRateFails = true;
    auto baudField = makeSimulatedField(baud, clock);
    ASSERT_TRUE(baudField->device().open(0, &handle).ok());
    EXPECT_FALSE(baudField->device().setBaudRate(handle, 115200).ok());

    Scenario vanishing = defaultField();
    vanishing.device.vanishesAtMs = 500;
    auto gone = makeSimulatedField(vanishing, clock);
    ASSERT_TRUE(gone->device().open(0, &handle).ok());
    EXPECT_TRUE(gone->device().setBaudRate(handle, 115200).ok());
    clock.sleepFor(500);
    std::uint8_t buffer[16];
    std::uint32_t got = 0;
    EXPECT_FALSE(gone->device().read(handle, buffer, sizeof buffer, &got).ok());
}

}  // namespace
}  // namespace sim::test
