#include <gtest/gtest.h>

#include "radio/ApiFrame.h"
#include "radio/FrameEncoder.h"
#include "tests/support/Bytes.h"

using namespace radio;
using namespace testsupport;

namespace {

const Bytes kNodeBytes = hex("11 22 33 44 55 66 77 88 12 34");

NodeAddress realAddress() { return makeNodeAddress(0x1122334455667788, 0x1234); }

}  // namespace

TEST(MakeNodeAddress, HighHalfLowHalfThenNetworkEachMostSignificantFirst) {
    const NodeAddress address = makeNodeAddress(0x1122334455667788, 0x1234);
    EXPECT_EQ(Bytes(address.bytes.begin(), address.bytes.end()), kNodeBytes);
}

TEST(FrameEncoderBuildFrame, ExactBytes) {
    struct Row {
        const char* name;
        std::uint8_t type;
        Bytes payload;
        Bytes frame;
    };
    const Row rows[] = {
        {"cb with parameter 2", kLocalCommandWithParameters, text("cb") + hex("02"),
         hex("7E 00 05 08 01 63 62 02 2F")},
        {"ND", kLocalCommand, text("ND"), hex("7E 00 04 09 01 4E 44 63")},
        {"no payload", kLocalCommand, {}, hex("7E 00 02 09 01 F5")},
        // Bytes that other protocols escape go out unchanged.
        {"start byte as data", kLocalCommandWithParameters, text("xx") + hex("7E 7D 11 13"),
         hex("7E 00 08 08 01 78 78 7E 7D 11 13 E7")},
    };
    FrameEncoder encoder;
    for (const Row& row : rows) {
        encoder.buildFrame(row.type, kLocalCommandFrameId, viewOf(row.payload));
        EXPECT_EQ(hexOf(bytesOf(encoder.bytes())), hexOf(row.frame)) << row.name;
    }
}

TEST(FrameEncoderBuildFrame, APayloadTooLongForTheLengthFieldBuildsNothing) {
    FrameEncoder encoder;
    const Bytes largest(kMaxFrameDataLength - 2, 0x41);
    encoder.buildFrame(kLocalCommandWithParameters, 1, viewOf(largest));
    EXPECT_EQ(encoder.bytes().length(), kMaxFrameDataLength + kApiFrameOverhead);
    EXPECT_EQ(encoder.bytes()[1], 0xFF);
    EXPECT_EQ(encoder.bytes()[2], 0xFF);

    const Bytes tooLong(kMaxFrameDataLength - 1, 0x41);
    encoder.buildFrame(kLocalCommandWithParameters, 1, viewOf(tooLong));
    EXPECT_TRUE(encoder.bytes().empty());
}

TEST(FrameEncoderAddressedFrames, RemoteCommandsExactBytes) {
    struct Row {
        const char* name;
        bool realNode;
        const char* letters;
        Bytes frame;
    };
    const Row rows[] = {
        {"bd to the all-zero address", false, "bd",
         hex("7E 00 0F 17 03 00 00 00 00 00 00 00 00 00 00 00 62 64 1F")},
        {"fr to the all-zero address", false, "fr",
         hex("7E 00 0F 17 03 00 00 00 00 00 00 00 00 00 00 00 66 72 0D")},
        {"bd to a real node", true, "bd", hex("7E 00 0F 17 03") + kNodeBytes + hex("00 62 64 75")},
        {"fr to a real node", true, "fr", hex("7E 00 0F 17 03") + kNodeBytes + hex("00 66 72 63")},
    };
    for (const Row& row : rows) {
        FrameEncoder encoder;
        if (row.realNode) encoder.setNodeAddress(realAddress());
        encoder.buildAddressedFrames(kRemoteCommand, kRemoteCommandFrameId,
                                     transport::ByteView(row.letters));
        EXPECT_EQ(hexOf(bytesOf(encoder.bytes())), hexOf(row.frame)) << row.name;
    }
}

TEST(FrameEncoderAddressedFrames, TransmitRequestsAreCutInto72BytePieces) {
    struct Row {
        std::uint32_t payload;
        std::uint8_t firstId;
        std::vector<std::uint32_t> lengths;  // L of each frame
    };
    const Row rows[] = {
        {1, 0x20, {15}},       {72, 0x20, {86}},          {73, 0x20, {86, 15}},
        {144, 0x20, {86, 86}}, {145, 0x20, {86, 86, 15}}, {73, 0xFF, {86, 15}},  // id wraps
    };
    for (const Row& row : rows) {
        Bytes payload(row.payload);
        for (std::uint32_t i = 0; i < row.payload; ++i) payload[i] = static_cast<std::uint8_t>(i);
        FrameEncoder encoder;
        encoder.setNodeAddress(realAddress());
        encoder.buildAddressedFrames(kTransmitRequest, row.firstId, viewOf(payload));

        // Walk the frames: header, type, id, address, radius, options, piece, checksum.
        const Bytes all = bytesOf(encoder.bytes());
        Bytes pieces;
        std::size_t at = 0;
        for (std::size_t n = 0; n < row.lengths.size(); ++n) {
            const std::uint32_t length = row.lengths[n];
            ASSERT_LE(at + length + 4, all.size()) << row.payload << " bytes, frame " << n;
            const Bytes head(all.begin() + at, all.begin() + at + 15);
            const auto id = static_cast<std::uint8_t>(row.firstId + n);
            EXPECT_EQ(
                hexOf(head),
                hexOf(hex("7E 00") +
                      Bytes{static_cast<std::uint8_t>(length), kTransmitRequest, id} + kNodeBytes))
                << row.payload << " bytes, frame " << n;
            EXPECT_EQ(all[at + 15], 0x00);  // radius
            EXPECT_EQ(all[at + 16], 0x00);  // options
            std::uint8_t sum = 0;
            for (std::size_t i = at + 3; i < at + length + 4; ++i) sum += all[i];
            EXPECT_EQ(sum, 0xFF) << row.payload << " bytes, frame " << n << ": own checksum";
            pieces.insert(pieces.end(), all.begin() + at + 17, all.begin() + at + length + 3);
            at += length + 4;
        }
        EXPECT_EQ(at, all.size()) << row.payload << " bytes: no more frames";
        EXPECT_EQ(pieces, payload) << row.payload << " bytes";
    }
}

TEST(FrameEncoderAddressedFrames, AnEmptyPayloadEmptiesTheBuffer) {
    FrameEncoder encoder;
    encoder.buildFrame(kLocalCommand, 1, transport::ByteView("ND"));
    encoder.buildAddressedFrames(kRemoteCommand, 3, transport::ByteView());
    EXPECT_TRUE(encoder.bytes().empty());
}

TEST(AppendChecksum, CoversTheFrameFromItsTypeOnly) {
    transport::ByteBuffer buffer;
    buffer.append("junk");  // an earlier frame's bytes must not count
    const std::uint32_t start = buffer.length();
    const Bytes header = hex("7E 00 04 09 01 4E 44");
    buffer.append(viewOf(header));
    appendChecksum(buffer, start);
    EXPECT_EQ(buffer[buffer.length() - 1], 0x63);
}
