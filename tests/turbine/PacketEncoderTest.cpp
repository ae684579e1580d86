#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/Bytes.h"
#include "turbine/PacketCheck.h"
#include "turbine/PacketEncoder.h"

using namespace turbine;
using namespace testsupport;

namespace {

std::string norm(const char* table) { return hexOf(hex(table)); }

}  // namespace

TEST(PacketCheck, ReverseBitsMirrorsTheLowBits) {
    EXPECT_EQ(reverseBits(0x01, 8), 0x80u);
    EXPECT_EQ(reverseBits(0x0001, 16), 0x8000u);
    EXPECT_EQ(reverseBits(0b110, 3), 0b011u);
    EXPECT_EQ(reverseBits(0xFF01, 8), 0x80u);  // bits above n are ignored
    EXPECT_EQ(reverseBits(0x1234, 0), 0u);
}

TEST(PacketCheck, IsCrc16Arc) {
    EXPECT_EQ(packetCheck(transport::ByteView("123456789")), 0xBB3D);
    EXPECT_EQ(packetCheck(transport::ByteView()), 0x0000);
    const auto probe = hex("00 00 00 0A 01 08 81 00 00 00 00");
    EXPECT_EQ(packetCheck(viewOf(probe)), 0xE9AD);
}

struct ComposeCase {
    const char* name;
    std::uint16_t code;
    std::uint8_t subaddress;
    std::uint32_t sequence;
    std::uint32_t address;
    std::vector<std::uint16_t> words;
    const char* framed;
};

// Test names and failure messages show the row name, not the bytes of the row.
void PrintTo(const ComposeCase& row, std::ostream* os) { *os << row.name; }

class PacketEncoding : public testing::TestWithParam<ComposeCase> {};

TEST_P(PacketEncoding, FramesTheComposedPacket) {
    const ComposeCase& c = GetParam();
    PacketEncoder encoder;
    encoder.compose(c.code, c.subaddress, c.sequence, c.address, c.words);
    EXPECT_EQ(hexOf(encoder.encode()), norm(c.framed));
    // Encoding leaves the packet alone, so it can be repeated.
    EXPECT_EQ(hexOf(encoder.encode()), norm(c.framed));
    EXPECT_EQ(encoder.code(), c.code);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Table, PacketEncoding,
    testing::Values(
        ComposeCase{"ProbeSequence1", 0x8108, 10, 1, 0, {0},
                    "10 01 00 00 00 0A 01 08 81 00 00 00 00 AD E9 10 03"},
        ComposeCase{"ProbeSequence16DoublesTheSequenceByte", 0x8108, 10, 16, 0, {0},
                    "10 01 00 00 00 0A 10 10 08 81 00 00 00 00 AC E8 10 03"},
        ComposeCase{"SequenceIsTakenModulo64", 0x8108, 10, 65, 0, {0},
                    "10 01 00 00 00 0A 01 08 81 00 00 00 00 AD E9 10 03"},
        ComposeCase{"FillerHeaderLowBytesFirst", 0x8108, 0xBB, 1, 0xFFFFBB, {0xBBBB},
                    "10 01 BB FF FF BB 01 08 81 00 00 BB BB 56 33 10 03"},
        ComposeCase{"OnlyTheLow24AddressBits", 0x8108, 0xBB, 1, 0x12FFFFBB, {0xBBBB},
                    "10 01 BB FF FF BB 01 08 81 00 00 BB BB 56 33 10 03"},
        // Every byte but the reserved ones is 0x10, the check included (0x1010).
        ComposeCase{"DleInHeaderWordsAndCheck", 0x1010, 0x10, 0x10, 0x101010, {0x1010, 0x3887},
                    "10 01 10 10 10 10 10 10 10 10 10 10 10 10 10 10 00 00 10 10 10 10 87 38"
                    " 10 10 10 10 10 03"}),
    [](const testing::TestParamInfo<ComposeCase>& row) { return std::string(row.param.name); });
// clang-format on

TEST(PacketEncoder, NextAttemptTakesTheNextSequenceAndWrapsAt64) {
    PacketEncoder encoder;
    encoder.compose(0x8108, 10, 63, 0, {0});
    encoder.setPacketSequence(63);
    encoder.nextAttempt();
    EXPECT_EQ(encoder.packet()[4], 0x00);
    EXPECT_EQ(encoder.packetSequence(), 64u);
    encoder.nextAttempt();
    EXPECT_EQ(encoder.packet()[4], 0x01);
    EXPECT_EQ(hexOf(encoder.encode()), norm("10 01 00 00 00 0A 01 08 81 00 00 00 00 AD E9 10 03"));
    EXPECT_EQ(encoder.packetSequence(), 65u);
}

TEST(PacketEncoder, ProgressSpinsThroughFourCharacters) {
    PacketEncoder encoder;
    encoder.compose(0x8108, 10, 1, 0, {0});
    encoder.setShowProgress(true);
    testing::internal::CaptureStdout();
    for (int i = 0; i < 5; ++i) encoder.nextAttempt();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "/\b-\b\\\b|\b/\b");
}
