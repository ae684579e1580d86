// What the module check keeps of the answers to its discovery: each radio once, by its
// address, and no more of them than it has room for, whatever a field sends.
#include <gtest/gtest.h>

#include "engine/TurbineService.h"
#include "tests/support/Bytes.h"
#include "transport/SimulatedDevice.h"

namespace {

using testsupport::Bytes;
using testsupport::hex;
using testsupport::operator+;

// An "ND" answer from the radio with that address low half and name.
Bytes answer(std::uint32_t low, const std::string& name) {
    const Bytes address{0x00,
                        0x13,
                        0xA2,
                        0x00,
                        static_cast<std::uint8_t>(low >> 24),
                        static_cast<std::uint8_t>(low >> 16),
                        static_cast<std::uint8_t>(low >> 8),
                        static_cast<std::uint8_t>(low)};
    return testsupport::apiFrame(hex("88 01 4E 44 00 7A 21") + address + testsupport::text(name) +
                                 hex("00 FF FE 01 00 C1 05 10 1E"));
}

// A module that answers the discovery request with the given answers, all at once.
class Crowd final : public transport::DevicePeer {
public:
    explicit Crowd(Bytes answers) : answers_(std::move(answers)) {}
    void onWrite(transport::ByteView, std::int64_t nowMs, transport::DeviceLine& line) override {
        line.schedule(nowMs + 200, testsupport::viewOf(answers_));
    }

private:
    Bytes answers_;
};

constexpr std::uint32_t kRoom = 1000;  // radios the check keeps

TEST(ModuleCheckTest, KeepsEachRadioOnceByItsAddressUpToItsRoom) {
    Bytes answers = answer(1, "QOR123-7654321") + answer(1, "QOR123-7654399") +  // one radio
                    answer(2, "QOR123-7654321") +                                // one name
                    answer(3, "MET-MAST-NORTH");
    for (std::uint32_t i = 0; i < kRoom; ++i) answers = answers + answer(0x1000 + i, "SWARM");

    transport::VirtualClock clock;
    transport::SimulatedDevice device(clock);
    Crowd crowd(answers);
    device.setPeer(&crowd);
    transport::PortFactory factory(device, clock, transport::Settings{});
    engine::TurbineService service(&factory, transport::Settings{}, clock);
    ASSERT_TRUE(service.attach());
    ::testing::internal::CaptureStdout();
    const engine::ModuleCheckResult result = service.checkModule();

    EXPECT_TRUE(result.sent);
    EXPECT_FALSE(result.cut);
    EXPECT_EQ(result.verdict, radio::LinkVerdict::Frames);
    EXPECT_EQ(result.counts.passed, 4 + kRoom);
    ASSERT_EQ(result.radios.size(), kRoom);
    EXPECT_EQ(result.radios[0].name, "QOR123-7654321");  // as it first answered
    EXPECT_EQ(result.radios[0].turbine, 7654321);
    EXPECT_EQ(result.radios[1].address, 0x0013A20000000002u);
    EXPECT_EQ(result.radios[2].name, "MET-MAST-NORTH");
    EXPECT_EQ(result.answersNotKept, 3u);  // the swarm's last three
    // Only the discovery request went out.
    ASSERT_EQ(device.writes().size(), 1u);
    EXPECT_EQ(device.writes()[0].bytes, hex("7E 00 04 09 01 4E 44 63"));

    // The search hears the radios again once the check is over.
    service.search({}, engine::Listening::UntilQuiet);
    ::testing::internal::GetCapturedStdout();
    EXPECT_FALSE(service.radios().rows().empty());
}

}  // namespace
