#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>

#include "tests/support/Bytes.h"
#include "tests/support/InverterFrames.h"
#include "transport/ByteSink.h"
#include "transport/Settings.h"
#include "turbine/PacketParser.h"

using namespace turbine;
using namespace testsupport;

namespace {

// Stands where the packet reassembler stands, with the completion flag of the port.
class Below final : public transport::ByteSource, public transport::CompletionFlag {
public:
    void receive(transport::ByteView bytes) override { deliver(bytes); }
};

// Good replies: flags 0x80, sequence 1, code 0x8108, word 1; and code 0x0B14, word 2.
constexpr const char* kReply = "10 01 00 00 00 0A 81 08 81 00 00 01 00 2D B1 10 03";
constexpr const char* kReplyBody = "00 00 00 0A 81 08 81 00 00 01 00";
constexpr const char* kOtherReply = "10 01 00 00 00 0A 82 14 0B 00 00 02 00 85 C2 10 03";

struct ParserFixture : testing::Test {
    Below below;
    PacketParser parser;

    explicit ParserFixture(transport::Settings settings = {}) : parser(settings) {
        below.setPending(&parser);
        below.sync();
    }

    // Hands the bytes to the parser as the reassembler does; answers what it printed.
    std::string feed(const std::string& table) {
        const auto bytes = hex(table);
        testing::internal::CaptureStdout();
        below.deliver(viewOf(bytes));
        return testing::internal::GetCapturedStdout();
    }
};

struct ParseCase {
    const char* name;
    std::string input;
    bool good;            // completion signalled and header recorded
    std::uint16_t code;   // recorded code afterwards (0 when nothing was accepted)
    const char* buffer;   // the parser's buffer afterwards
    const char* printed;  // with verbose off
};

// Test names and failure messages show the row name, not the bytes of the row.
void PrintTo(const ParseCase& row, std::ostream* os) { *os << row.name; }

class ParserStates : public ParserFixture, public testing::WithParamInterface<ParseCase> {};

const std::string reply = kReply;

}  // namespace

TEST_P(ParserStates, Table) {
    const ParseCase& c = GetParam();
    EXPECT_EQ(feed(c.input), c.printed);
    EXPECT_EQ(below.isComplete(), c.good);
    EXPECT_EQ(parser.code(), c.code);
    EXPECT_EQ(hexOf(parser.buffer().view()), hexOf(hex(c.buffer)));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ParserStates,
    testing::Values(
        ParseCase{"GoodPacket", reply, true, 0x8108, "00 00 00 0A 81 08 81 00 00 01 00 2D B1", ""},
        ParseCase{"NoiseBeforeStartIsDropped", "05 06 AA " + reply, true, 0x8108,
                  "00 00 00 0A 81 08 81 00 00 01 00 2D B1", ""},
        ParseCase{"StxAlsoStarts", "10 02" + reply.substr(5), true, 0x8108,
                  "00 00 00 0A 81 08 81 00 00 01 00 2D B1", ""},
        ParseCase{"StartInsidePacketStartsAgain", "10 01 AA BB CC " + reply, true, 0x8108,
                  "00 00 00 0A 81 08 81 00 00 01 00 2D B1", ""},
        ParseCase{"DleOtherInsidePacketDropsBoth",
                  "10 01 00 00 00 0A 81 08 10 55 81 00 00 01 00 2D B1 10 03", true, 0x8108,
                  "00 00 00 0A 81 08 81 00 00 01 00 2D B1", ""},
        ParseCase{"DoubledDleInsidePacketIsOneByte",
                  "10 01 10 10 10 10 10 10 10 10 10 10 10 10 10 10 00 00 10 10 10 10 87 38"
                  " 10 10 10 10 10 03",
                  true, 0x1010, "10 10 10 10 10 10 10 00 00 10 10 87 38 10 10", ""},
        ParseCase{"DoubledDleOutsideKeepsEscapeForStart", "10 10 01" + reply.substr(5), true,
                  0x8108, "00 00 00 0A 81 08 81 00 00 01 00 2D B1", ""},
        ParseCase{"DoubledDleOutsideKeepsEscapeForEnd", "10 10 03 " + reply, false, 0, "", "~ "},
        ParseCase{"EndBeforeAnyStartIsShort", "AA 10 03 " + reply, false, 0, "", "~ "},
        ParseCase{"TwoPacketsOnlyFirstDecoded", reply + " " + kOtherReply, true, 0x8108,
                  "00 00 00 0A 81 08 81 00 00 01 00 2D B1", ""},
        ParseCase{"ElevenBytesAccepted", "10 01 00 00 00 0A 81 08 81 00 00 6E FC 10 03", true,
                  0x8108, "00 00 00 0A 81 08 81 00 00 6E FC", ""},
        ParseCase{"TenBytesShort", "10 01 00 00 00 0A 81 08 81 00 51 AF 10 03", false, 0,
                  "00 00 00 0A 81 08 81 00 51 AF", "~ "},
        ParseCase{"BadCheck", "10 01 00 00 00 0A 81 08 81 00 00 01 00 2D B2 10 03", false, 0,
                  "00 00 00 0A 81 08 81 00 00 01 00 2D B2", "x "},
        ParseCase{"NoEndMarkKeepsThePartialPacket", "10 01 00 00 00 0A 81", false, 0,
                  "00 00 00 0A 81", ""}),
    [](const testing::TestParamInfo<ParseCase>& row) { return std::string(row.param.name); });

TEST_F(ParserFixture, RecordsTheHeaderOfAGoodPacket) {
    feed("10 01 56 34 12 0B 9F 34 12 00 00 AA 10 10 03");
    // That check is wrong on purpose; now a good one with the same header.
    feed(hexOf(framedPacket(hex("56 34 12 0B 1F 34 12 00 00 77 10"))));
    EXPECT_TRUE(below.isComplete());
    EXPECT_EQ(parser.address(), 0x123456u);
    EXPECT_EQ(parser.subaddress(), 0x0B);
    EXPECT_EQ(parser.sequence(), 0x1F);
    EXPECT_EQ(parser.flags(), 0x00);
    EXPECT_EQ(parser.code(), 0x1234);
    EXPECT_EQ(hexOf(parser.replyPayload()), "77 10");
}

TEST_F(ParserFixture, RestoresEveryStuffedByte) {
    for (std::uint8_t sequence = 0; sequence < 64; ++sequence) {
        const Bytes packet =
            hex("10 00 10 10") + Bytes{sequence} + hex("10 10 00 00 00 10 10 00 10 10");
        feed(hexOf(framedPacket(packet)));
        ASSERT_TRUE(below.isComplete()) << int{sequence};
        below.reset();
        // The buffer is the packet followed by its check.
        const transport::ByteView buffer = parser.buffer().view();
        ASSERT_EQ(buffer.length(), packet.size() + 2);
        EXPECT_EQ(hexOf(transport::ByteView(buffer.data(), packet.size())), hexOf(packet));
        EXPECT_EQ(parser.sequence(), sequence);
        EXPECT_EQ(hexOf(parser.replyPayload()), "00 10 10 00 10 10");
    }
}

TEST_F(ParserFixture, ABadPacketLeavesTheRecordedHeader) {
    feed(kReply);
    below.reset();
    EXPECT_EQ(feed("10 01 00 00 00 0A C2 14 0B 00 00 01 00 2D B1 10 03"), "x ");
    EXPECT_EQ(feed("10 01 00 00 00 0A C2 14 0B 00 10 03"), "~ ");
    EXPECT_FALSE(below.isComplete());
    EXPECT_EQ(parser.code(), 0x8108);
    EXPECT_EQ(parser.flags(), 0x80);
    EXPECT_EQ(parser.sequence(), 1);
}

TEST_F(ParserFixture, ResetForgetsOnlyTheBufferAndTheCode) {
    feed(kReply);
    EXPECT_TRUE(parser.reset());
    EXPECT_TRUE(parser.buffer().empty());
    EXPECT_EQ(parser.code(), 0);
    EXPECT_EQ(parser.flags(), 0x80);
    EXPECT_EQ(parser.sequence(), 1);
    EXPECT_EQ(parser.subaddress(), 0x0A);
    EXPECT_TRUE(parser.replyPayload().empty());
}

TEST_F(ParserFixture, NothingCarriesOverBetweenCalls) {
    // A packet split over two calls is not joined: the reassembler always hands whole ones.
    feed("10 01 00 00 00 0A 81 08");
    EXPECT_EQ(feed("81 00 00 01 00 2D B1 10 03"), "~ ");
    EXPECT_FALSE(below.isComplete());
    // Nor does a dangling escape.
    feed("10 01 00 10");
    EXPECT_EQ(feed(kReply), "");
    EXPECT_EQ(hexOf(parser.buffer().view()), hexOf(hex(kReplyBody)) + " 2D B1");
}

struct VerboseParser : ParserFixture {
    VerboseParser() : ParserFixture(transport::Settings{.verbose = 1}) {}
};

TEST_F(VerboseParser, ShortReport) {
    EXPECT_EQ(feed("AA 10 01 01 02 10 03"),
              "Short packet:   (2)  01, 02,\n"
              "From raw:  (7)  aa, 10, 01, 01, 02, 10, 03,\n");
}

TEST_F(VerboseParser, CheckReport) {
    EXPECT_EQ(feed("10 01 00 00 00 0A 81 08 81 00 00 01 00 2D B2 10 03"),
              "Failed crc: b12d vs b22d [r] \n"
              " (13)  00, 00, 00, 0a, 81, 08, 81, 00, 00, 01, 00, 2d, b2,\n"
              " . 00: 0000\n . 00: 0000\n . 00: 0000\n . 0a: 0780\n . 81: c0c6\n"
              " . 08: 9441\n . 81: 5094\n . 00: af51\n . 00: fc6e\n . 01: 2cbc\n"
              " . 00: b12d\n"
              ".\n"
              "From raw:  (17)  10, 01, 00, 00, 00, 0a, 81, 08, 81, 00, 00, 01, 00, 2d, b2, 10,\n"
              " 03,\n");
}

TEST(DumpPacket, BreaksTheLineAfterEvery16Bytes) {
    std::uint8_t bytes[17] = {};
    bytes[16] = 0xFF;
    testing::internal::CaptureStdout();
    dumpPacket(transport::ByteView(bytes, 16));
    dumpPacket(transport::ByteView(bytes + 15, 2));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              " (16)  00, 00, 00, 00, 00, 00, 00, 00, 00, 00, 00, 00, 00, 00, 00, 00,\n\n"
              " (2)  00, ff,\n");
}

TEST(PacketParserNotice, IsSentBeforeTheHeaderIsRecorded) {
    // The notice ends the wait; the header must not be read as recorded at that moment.
    struct Watching final : transport::ByteSource {
        const PacketParser* parser = nullptr;
        std::uint16_t codeAtNotice = 0xFFFF;
        void receive(transport::ByteView bytes) override { deliver(bytes); }
        int notify(int value) override {
            codeAtNotice = parser->code();
            return value;
        }
    };
    transport::Settings settings{};
    PacketParser parser{settings};
    Watching below;
    below.parser = &parser;
    below.setPending(&parser);
    const auto bytes = hex(kReply);
    below.deliver(viewOf(bytes));
    EXPECT_EQ(below.codeAtNotice, 0);
    EXPECT_EQ(parser.code(), 0x8108);
}

namespace {

// The probe's rule: reply flags and code 0x8108.
constexpr ReplyRule kProbeRule{0x8108, 0x8108, true};

struct ReplyFixture : ParserFixture {
    std::int32_t acceptedWord() const {
        return parser.acceptedReply() ? parser.acceptedReply()->word : -99;
    }
};

}  // namespace

TEST_F(ReplyFixture, TheFirstPacketTheRuleAcceptsIsKeptWithItsWord) {
    const struct {
        const char* name;
        std::vector<Bytes> packets;  // framed, each handed on alone as the reassembler does
        std::int32_t word;           // -99: none accepted
    } rows[] = {
        {"the reply", {framedReply(0x81, 0x8108, hex("34 12"))}, 0x1234},
        {"word 0 is a word", {framedReply(0x81, 0x8108, hex("00 00"))}, 0},
        // Without payload the byte after the header, here the check's low byte, is both halves.
        {"no payload", {framedReply(0x81, 0x8108, {})}, 0x6E6E},
        {"later packets change nothing",
         {framedReply(0x81, 0x8108, hex("01 00")), framedReply(0x81, 0x8108, hex("00 00")),
          hex("10 01 01 02 10 03")},
         1},
        {"refused first",
         {framedReply(0x01, 0x8108, hex("05 00")), framedReply(0x81, 0x8109, hex("06 00")),
          framedReply(0xC1, 0x8108, hex("07 00")), framedReply(0x82, 0x8108, hex("08 00"))},
         8},
        {"only refused", {framedReply(0x41, 0x8108, hex("05 00"))}, -99},
    };
    for (const auto& row : rows) {
        parser.reset();
        parser.awaitReply(kProbeRule);
        testing::internal::CaptureStdout();
        for (const Bytes& packet : row.packets) below.deliver(viewOf(packet));
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(acceptedWord(), row.word) << row.name;
    }
}

TEST_F(ReplyFixture, TheRuleDecidesFlagsAndCodes) {
    const struct {
        ReplyRule rule;
        std::uint8_t byte4;
        std::uint16_t code;
        bool accepted;
    } rows[] = {
        {{0x0B14, 0x0B12, true}, 0x81, 0x0B14, true},
        {{0x0B14, 0x0B12, true}, 0x81, 0x0B12, true},
        {{0x0B12, 0x0B12, true}, 0x81, 0x0B14, false},
        {{0x8108, 0x8108, false}, 0x01, 0x8108, true},
        {{0x8108, 0x8108, false}, 0xC1, 0x8109, false},
    };
    for (const auto& row : rows) {
        parser.reset();
        parser.awaitReply(row.rule);
        below.deliver(viewOf(framedReply(row.byte4, row.code, hex("02 00"))));
        EXPECT_EQ(parser.acceptedReply().has_value(), row.accepted) << std::hex << row.code;
        if (row.accepted) {
            EXPECT_EQ(parser.acceptedReply()->code, row.code);
        }
    }
}

TEST_F(ReplyFixture, NothingIsAcceptedUnawaitedOrAfterAReset) {
    below.deliver(viewOf(framedReply(0x81, 0x8108, hex("01 00"))));
    EXPECT_FALSE(parser.acceptedReply());
    parser.awaitReply(kProbeRule);
    below.deliver(viewOf(framedReply(0x81, 0x8108, hex("01 00"))));
    EXPECT_TRUE(parser.acceptedReply());
    parser.reset();
    EXPECT_FALSE(parser.acceptedReply());
    below.deliver(viewOf(framedReply(0x81, 0x8108, hex("01 00"))));
    EXPECT_FALSE(parser.acceptedReply()) << "the reset forgot the rule too";
}

TEST_F(ParserFixture, APacketPastTheCapIsDropped) {
    const Bytes longPacket =
        hex("10 01") + Bytes(PacketParser::kMaxPacketBytes + 1, 0xAA) + hex("10 03");
    EXPECT_EQ(feed(hexOf(longPacket)), "~ ");
    EXPECT_LE(parser.buffer().capacity(), 2 * PacketParser::kMaxPacketBytes);
    EXPECT_FALSE(below.isComplete());
}
