#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/Bytes.h"
#include "transport/ByteBuffer.h"

using testsupport::bytesOf;
using transport::ByteBuffer;
using transport::ByteReader;
using transport::ByteView;

namespace {

void fill(ByteBuffer& buffer, std::uint32_t count) {
    for (std::uint32_t i = 0; i < count; ++i) buffer.append(static_cast<std::uint8_t>(i));
}

}  // namespace

TEST(ByteBufferGrowth, RuleGivesTheDocumentedIncreases) {
    struct Row {
        std::uint32_t need, increase;
    };
    for (Row row : {Row{0, 256}, Row{1, 256}, Row{255, 256}, Row{256, 512}, Row{276, 512},
                    Row{300, 512}, Row{511, 512}, Row{512, 768}, Row{8191, 8192}, Row{8192, 16384},
                    Row{10000, 16384}, Row{16384, 24576}}) {
        EXPECT_EQ(ByteBuffer::growthFor(row.need), row.increase) << "need " << row.need;
        EXPECT_GT(ByteBuffer::growthFor(row.need), row.need);
    }
}

TEST(ByteBufferGrowth, CapacitiesFromAFullNewBuffer) {
    struct Row {
        std::uint32_t appended, capacity;
    };
    for (Row row : {Row{1, 1280}, Row{300, 1536}, Row{10000, 17408}}) {
        ByteBuffer buffer;
        fill(buffer, 1024);
        ASSERT_EQ(buffer.capacity(), 1024u);
        std::vector<std::uint8_t> more(row.appended, 0xA5);
        buffer.append(more.data(), row.appended);
        EXPECT_EQ(buffer.capacity(), row.capacity) << "appending " << row.appended;
        EXPECT_EQ(buffer.length(), 1024 + row.appended);
        EXPECT_EQ(buffer[1023], 0xFF);  // old contents kept across the move
        EXPECT_EQ(buffer[buffer.length() - 1], 0xA5);
    }
}

TEST(ByteBufferGrowth, GrowsOnlyByWhatTheAppendLacks) {
    ByteBuffer buffer;
    fill(buffer, 1000);
    std::vector<std::uint8_t> more(300, 1);
    buffer.append(more.data(), 300);  // lacks 276
    EXPECT_EQ(buffer.capacity(), 1536u);
}

TEST(ByteBufferGrowth, TheByteAfterTheFirstKilobyteAddsAQuarter) {
    ByteBuffer buffer;
    EXPECT_EQ(buffer.length(), 0u);
    EXPECT_EQ(buffer.capacity(), 1024u);
    fill(buffer, 1025);
    EXPECT_EQ(buffer.capacity(), 1280u);
}

TEST(ByteBufferAppend, CStringsToAFullBuffer) {
    ByteBuffer buffer;
    fill(buffer, 1024);
    buffer.append("");
    buffer.append(static_cast<const char*>(nullptr));
    EXPECT_EQ(buffer.capacity(), 1024u);
    EXPECT_EQ(buffer.length(), 1024u);
    buffer.append("x");
    EXPECT_EQ(buffer.capacity(), 1280u);
    EXPECT_EQ(buffer[1024], 'x');
}

TEST(ByteBufferAppend, CStringThatOverflowsKeepsEveryCharacterInOrder) {
    ByteBuffer buffer;
    fill(buffer, 1020);
    std::string text(600, 'q');
    text[0] = 'a';
    text[4] = 'b';  // first character past the old end
    text.back() = 'z';
    buffer.append(text.c_str());
    ASSERT_EQ(buffer.length(), 1620u);
    EXPECT_EQ(std::memcmp(buffer.data() + 1020, text.data(), text.size()), 0);
    EXPECT_EQ(buffer.capacity(), 1024u + 768u);  // 596 missing
}

TEST(ByteBufferAppend, SourceLaterInTheSameStorage) {
    ByteBuffer buffer;
    buffer.append("0123456789");
    ByteView tail(buffer.data() + 4, 6);
    buffer.clear();
    buffer.append(tail);  // the reassembler's move-to-front
    EXPECT_EQ(bytesOf(buffer), bytesOf(ByteView("456789")));
}

TEST(ByteBufferAppend, SourceInTheSameStorageSurvivesGrowth) {
    ByteBuffer buffer;
    fill(buffer, 1000);
    buffer.append(buffer.data() + 100, 500);  // needs growth while reading itself
    ASSERT_EQ(buffer.length(), 1500u);
    for (std::uint32_t i = 0; i < 500; ++i)
        ASSERT_EQ(buffer[1000 + i], static_cast<std::uint8_t>(100 + i));
}

TEST(ByteBufferAppend, BigEndianNumbers) {
    struct Row {
        std::int32_t value;
        std::uint32_t width;
        std::vector<std::uint8_t> bytes;
    };
    const std::vector<Row> rows{
        {2, 1, {0x02}},
        {0x1234, 0, {}},
        {0x1234, 2, {0x12, 0x34}},
        {0x11223344, 4, {0x11, 0x22, 0x33, 0x44}},
        {0x11223344, 6, {0x00, 0x00, 0x11, 0x22, 0x33, 0x44}},
        {-2, 2, {0xFF, 0xFE}},
        {-1, 5, {0x00, 0xFF, 0xFF, 0xFF, 0xFF}},
    };
    for (const auto& row : rows) {
        ByteBuffer buffer;
        buffer.appendNumber(row.value, row.width);
        EXPECT_EQ(bytesOf(buffer), row.bytes) << row.value << " width " << row.width;
    }
    ByteBuffer buffer;
    buffer.appendUint16(0xABCD);
    EXPECT_EQ(bytesOf(buffer), (std::vector<std::uint8_t>{0xAB, 0xCD}));
}

TEST(ByteBufferEdit, PutOnlyInsideTheLength) {
    ByteBuffer buffer;
    buffer.append("abc");
    buffer.put(1, 'X');
    buffer.put(3, 'Y');
    buffer.put(5000, 'Z');
    EXPECT_EQ(bytesOf(buffer), bytesOf(ByteView("aXc")));
}

TEST(ByteBufferEdit, ClearKeepsTheStorage) {
    ByteBuffer buffer;
    fill(buffer, 2000);
    const auto capacity = buffer.capacity();
    buffer.clear();
    EXPECT_EQ(buffer.length(), 0u);
    EXPECT_EQ(buffer.capacity(), capacity);
    fill(buffer, 2000);
    EXPECT_EQ(buffer.capacity(), capacity);
}

TEST(ByteViews, FromCStrings) {
    EXPECT_EQ(ByteView(static_cast<const char*>(nullptr)).length(), 0u);
    EXPECT_EQ(ByteView("").length(), 0u);
    EXPECT_EQ(ByteView("bd").length(), 2u);
}

TEST(ByteViews, ReaderTakeRestAndClamp) {
    const ByteView bytes("abcdef");
    ByteReader reader(bytes);
    EXPECT_EQ(reader.next(), 'a');
    EXPECT_EQ(bytesOf(reader.take(2)), bytesOf(ByteView("bc")));
    EXPECT_EQ(bytesOf(reader.rest()), bytesOf(ByteView("bcdef")));
    reader.advance(15);  // a length field pointing past the end
    EXPECT_TRUE(reader.atEnd());
    reader.clamp();
    EXPECT_EQ(reader.rest().length(), 0u);
    EXPECT_EQ(reader.position(), 6u);
}

TEST(ByteBufferGrowth, AFailedGrowthKeepsTheStorageAndTheContents) {
    ByteBuffer buffer;
    buffer.append("keep");
    const std::uint8_t* before = buffer.data();
    EXPECT_FALSE(buffer.grow(0xFFFFF000u));  // past what a 32-bit capacity can hold
    EXPECT_EQ(buffer.data(), before);
    EXPECT_EQ(buffer.capacity(), 1024u);
    EXPECT_EQ(bytesOf(buffer), bytesOf(ByteView("keep")));
}
