#include <gtest/gtest.h>

#include "ToolFrames.h"
#include "sim/ApiFrame.h"
#include "sim/InverterPacket.h"

namespace sim::test {
namespace {

TEST(ApiFrameTest, BuildsFramesWithLengthAndChecksum) {
    const struct {
        Bytes frameData;
        Bytes frame;
    } cases[] = {
        {hex("08 01 63 62 02"), hex("7E 00 05 08 01 63 62 02 2F")},
        {hex("09 01 4E 44"), hex("7E 00 04 09 01 4E 44 63")},
        // No escaping: 7E, 7D, 11 and 13 inside a frame go as they are.
        {hex("88 7E 7D 11 13"), hex("7E 00 05 88 7E 7D 11 13 58")},
    };
    for (const auto& c : cases) {
        transport::ByteBuffer out;
        appendApiFrame(out, viewOf(c.frameData));
        EXPECT_EQ(bytesOf(out.view()), c.frame);
    }
    transport::ByteBuffer corrupt;
    appendApiFrame(corrupt, viewOf(hex("09 01 4E 44")), true);
    EXPECT_NE(corrupt[corrupt.length() - 1], 0x63);
}

TEST(ApiFrameTest, ReaderFindsFramesFedWholeOrByteByByte) {
    const Bytes stream = hex("55 AA") + localCommand("ND") + hex("00 7E 00 04 09 01 4E 44 64") +
                         localCommand("cb", {0x02});
    const std::vector<Bytes> expected = {hex("09 01 4E 44"), hex("08 01 63 62 02")};
    // On the line: every frame whole, the one with a wrong checksum too.
    const std::vector<Bytes> wire = {localCommand("ND"), hex("7E 00 04 09 01 4E 44 64"),
                                     localCommand("cb", {0x02})};

    for (std::size_t piece : {stream.size(), std::size_t{1}, std::size_t{2}, std::size_t{7}}) {
        std::vector<Bytes> frames;
        std::vector<Bytes> whole;
        ApiFrameReader reader([&](transport::ByteView data) { frames.push_back(bytesOf(data)); },
                              [&](transport::ByteView frame) { whole.push_back(bytesOf(frame)); });
        for (std::size_t at = 0; at < stream.size(); at += piece) {
            const std::size_t n = std::min(piece, stream.size() - at);
            reader.feed(transport::ByteView(stream.data() + at, static_cast<std::uint32_t>(n)));
        }
        EXPECT_EQ(frames, expected) << "pieces of " << piece;
        EXPECT_EQ(whole, wire) << "pieces of " << piece;
        EXPECT_EQ(reader.badFrames(), 1u);
        EXPECT_EQ(reader.pending().length(), 0u);
    }
}

TEST(ApiFrameTest, ReaderDropsZeroLengthHeaderAndGoesOn) {
    std::vector<Bytes> frames;
    std::vector<Bytes> whole;
    ApiFrameReader reader([&](transport::ByteView data) { frames.push_back(bytesOf(data)); },
                          [&](transport::ByteView frame) { whole.push_back(bytesOf(frame)); });
    reader.feed(viewOf(hex("7E 00 00") + localCommand("ND")));
    EXPECT_EQ(frames, std::vector<Bytes>{hex("09 01 4E 44")});
    EXPECT_EQ(whole, (std::vector<Bytes>{hex("7E 00 00"), localCommand("ND")}));
}

TEST(InverterPacketTest, CrcIsArc) {
    EXPECT_EQ(crc16Arc(viewOf(text("123456789"))), 0xBB3D);
    EXPECT_EQ(crc16Arc(viewOf(hex("00 00 00 0A 01 08 81 00 00 00 00"))), 0xE9AD);
    EXPECT_EQ(crc16Arc({}), 0x0000);
}

TEST(InverterPacketTest, FramingStuffsEveryDle) {
    const struct {
        Bytes packet;
        Bytes wire;
    } cases[] = {
        {hex("00 00 00 0A 01 08 81 00 00 00 00"),
         hex("10 01 00 00 00 0A 01 08 81 00 00 00 00 AD E9 10 03")},
        {hex("00 00 00 0A 10 08 81 00 00 00 00"),
         hex("10 01 00 00 00 0A 10 10 08 81 00 00 00 00 AC E8 10 03")},
    };
    for (const auto& c : cases) {
        transport::ByteBuffer out;
        appendFramedPacket(out, viewOf(c.packet));
        EXPECT_EQ(bytesOf(out.view()), c.wire);

        std::vector<Bytes> packets;
        PacketUnframer unframer([&](transport::ByteView p) { packets.push_back(bytesOf(p)); });
        for (std::uint8_t byte : c.wire) unframer.feed(transport::ByteView(&byte, 1));
        ASSERT_EQ(packets.size(), 1u);
        PacketHeader header;
        ASSERT_TRUE(readCheckedPacket(viewOf(packets[0]), header));
        EXPECT_EQ(header.code, 0x8108);
        EXPECT_EQ(header.subaddress, 0x0A);
        EXPECT_EQ(header.sequence, c.packet[4]);
    }
}

TEST(InverterPacketTest, UnframerSkipsNoiseAndRestartsOnNewStartMark) {
    std::vector<Bytes> packets;
    PacketUnframer unframer([&](transport::ByteView p) { packets.push_back(bytesOf(p)); });
    // Noise, a packet cut short by a new start mark, an escaped stray byte, then a whole one.
    unframer.feed(viewOf(hex("33 10 03 44 10 01 AA BB 10 02 01 10 77 02 10 10 10 03 10 03")));
    EXPECT_EQ(packets, std::vector<Bytes>{hex("01 02 10")});
}

TEST(InverterPacketTest, ReadCheckedPacketRefusesShortOrCorrupt) {
    PacketHeader header;
    const Bytes good = hex("00 00 00 0A 01 08 81 00 00 00 00 AD E9");
    EXPECT_TRUE(readCheckedPacket(viewOf(good), header));
    Bytes corrupt = good;
    corrupt[12] ^= 1;
    EXPECT_FALSE(readCheckedPacket(viewOf(corrupt), header));
    EXPECT_FALSE(readCheckedPacket(viewOf(hex("00 00 00 0A 01 08 81 00 00 00")), header));
}

}  // namespace
}  // namespace sim::test
