#include <gtest/gtest.h>

#include <sstream>

#include "ToolFrames.h"
#include "sim/TraceNotes.h"
#include "sim/TraceReader.h"

namespace sim::test {
namespace {

struct GoodLine {
    const char* name;
    std::string text;
    std::uint64_t number;
    std::int64_t ms;
    TraceTag tag;
    Bytes bytes;
    std::string data = "";
};

void PrintTo(const GoodLine& c, std::ostream* os) { *os << c.name; }

class TraceReaderGoodTest : public ::testing::TestWithParam<GoodLine> {};

TEST_P(TraceReaderGoodTest, ReadsTheLine) {
    const GoodLine& c = GetParam();
    std::istringstream in(c.text);
    TraceReader reader(in);
    TraceLine line;
    ASSERT_EQ(reader.next(line), TraceReader::Status::Line) << reader.error();
    EXPECT_EQ(line.number, c.number);
    EXPECT_EQ(line.ms, c.ms);
    EXPECT_EQ(line.tag, c.tag);
    EXPECT_EQ(line.bytes, c.bytes);
    EXPECT_EQ(line.text, c.data);
    EXPECT_EQ(reader.next(line), TraceReader::Status::End);
    EXPECT_FALSE(reader.cutShort());
}

INSTANTIATE_TEST_SUITE_P(
    Lines, TraceReaderGoodTest,
    ::testing::Values(
        GoodLine{"Written", "9067 tx 7E 00 05 08 01\n", 1, 9067, TraceTag::Tx,
                 hex("7E 00 05 08 01")},
        GoodLine{"LowerCaseAndWideSpaces", "12 rx 7e  0a \n", 1, 12, TraceTag::Rx, hex("7E 0A")},
        GoodLine{"WriteOfNothing", "5 tx \n", 1, 5, TraceTag::Tx, {}},
        GoodLine{"NoSpaceAfterTheTag", "5 rx\n", 1, 5, TraceTag::Rx, {}},
        GoodLine{"Escapes",
                 "7 out a\\x07b\\\\c\n",
                 1,
                 7,
                 TraceTag::Out,
                 {},
                 "a\x07"
                 "b\\c"},
        GoodLine{
            "Error", "8 err zb checksum failed.\n", 1, 8, TraceTag::Err, {}, "zb checksum failed."},
        GoodLine{"CarriageReturn",
                 "10 note outcome speed-fixed, exit code 0\r\n",
                 1,
                 10,
                 TraceTag::Note,
                 {},
                 "outcome speed-fixed, exit code 0"},
        GoodLine{"AfterCommentsAndBlankLines",
                 "# qor-comm-fix-cli trace\n\n\r\n3 note x\n",
                 4,
                 3,
                 TraceTag::Note,
                 {},
                 "x"},
        GoodLine{"LastLineWithoutLineEnd", "0 tx 7E", 1, 0, TraceTag::Tx, hex("7E")}),
    [](const auto& p) { return std::string(p.param.name); });

struct BadLine {
    const char* name;
    std::string text;
    std::string error;
};

void PrintTo(const BadLine& c, std::ostream* os) { *os << c.name; }

class TraceReaderBadTest : public ::testing::TestWithParam<BadLine> {};

TEST_P(TraceReaderBadTest, IsAnErrorNamingItsLine) {
    const BadLine& c = GetParam();
    std::istringstream in(c.text);
    TraceReader reader(in);
    TraceLine line;
    TraceReader::Status status;
    while ((status = reader.next(line)) == TraceReader::Status::Line) {
    }
    ASSERT_EQ(status, TraceReader::Status::Error);
    EXPECT_EQ(reader.error(), c.error);
    EXPECT_EQ(reader.next(line), TraceReader::Status::Error);  // and stays one
}

INSTANTIATE_TEST_SUITE_P(
    Lines, TraceReaderBadTest,
    ::testing::Values(
        BadLine{"NoTime", "tx 7E\n", "line 1: no time in milliseconds at its start"},
        BadLine{"NoSpaceAfterTime", "12tx 7E\n", "line 1: no space after the time at column 3"},
        BadLine{"TimeTooLong", "1234567890123456 tx 7E\n", "line 1: a time of more than 15 digits"},
        BadLine{"UnknownTag", "1 tx 7E\n# c\n2 xx 7E\n", "line 3: an unknown tag \"xx\""},
        BadLine{"TagWithControlBytes", std::string("1 t\0x 7E\n", 9),
                "line 1: an unknown tag \"t\\x00x\""},
        BadLine{"OddDigit", "12 tx 7E 0\n", "line 1: not a byte in hex at column 10"},
        BadLine{"PairsRunTogether", "12 tx 7E0A\n", "line 1: not a byte in hex at column 7"},
        BadLine{"NotHex", "12 rx 7G\n", "line 1: not a byte in hex at column 7"},
        BadLine{"Tab", "12 note a\tb\n", "line 1: a byte that is not printable at column 10"},
        BadLine{"LoneBackslash", "12 note a\\qb\n",
                "line 1: a backslash that starts no escape at column 10"},
        BadLine{"ShortEscape", "12 note \\x4\n",
                "line 1: a backslash that starts no escape at column 9"},
        BadLine{"TooLong", "1 out " + std::string(TraceReader::kMaxLineLength, 'a') + "\n",
                "line 1: longer than 65536 characters"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(TraceReaderTest, ALastLineCutOffIsLeftOutAndSaidSo) {
    std::istringstream in("1 tx 7E\n2 tx 7E 0");
    TraceReader reader(in);
    TraceLine line;
    EXPECT_EQ(reader.next(line), TraceReader::Status::Line);
    EXPECT_EQ(reader.next(line), TraceReader::Status::End);
    EXPECT_TRUE(reader.cutShort());
    EXPECT_EQ(reader.lineNumber(), 1u);
}

struct CallCase {
    const char* note;
    bool isCall;
    std::string label;
    DriverCall call;
    bool ok;
    std::string failure;
};

TEST(TraceNotesTest, DriverCallsAreToldFromTheRunsSteps) {
    const CallCase cases[] = {
        {"simulated device open 0: ok", true, "simulated device", DriverCall::Open, true, ""},
        {"driver 2 baud 115200: failed: The dongle failed.", true, "driver 2", DriverCall::BaudRate,
         false, "The dongle failed."},
        {"driver 1 data 8 0 0: ok", true, "driver 1", DriverCall::DataCharacteristics, true, ""},
        {"driver 1 flow 0 0 0: ok", true, "driver 1", DriverCall::FlowControl, true, ""},
        {"driver 1 timeouts 10 0: failed: x: y", true, "driver 1", DriverCall::Timeouts, false,
         "x: y"},
        {"driver 1 read: failed: x", true, "driver 1", DriverCall::Read, false, "x"},
        {"driver 1 write: failed: x", true, "driver 1", DriverCall::Write, false, "x"},
        {"driver 1 close: ok", true, "driver 1", DriverCall::Close, true, ""},
        {"status Scanning", false, "", DriverCall::Open, false, ""},
        {"open 0: ok", false, "", DriverCall::Open, false, ""},
        {"driver 1 open: ok", false, "", DriverCall::Open, false, ""},
        {"driver 1 data 8 0: ok", false, "", DriverCall::Open, false, ""},
        {"driver 1 open 0: okay", false, "", DriverCall::Open, false, ""},
        {"checked QOR123-7654321: speed-fixed", false, "", DriverCall::Open, false, ""},
    };
    for (const CallCase& c : cases) {
        DriverCallNote call;
        ASSERT_EQ(readDriverCallNote(c.note, call), c.isCall) << c.note;
        if (!c.isCall) continue;
        EXPECT_EQ(call.label, c.label) << c.note;
        EXPECT_EQ(call.call, c.call) << c.note;
        EXPECT_EQ(call.ok, c.ok) << c.note;
        EXPECT_EQ(call.failure, c.failure) << c.note;
    }
}

TEST(TraceNotesTest, TheOutcomeNoteGivesNameAndExitCode) {
    OutcomeNote outcome;
    ASSERT_TRUE(readOutcomeNote("outcome lost-link, exit code 5", outcome));
    EXPECT_EQ(outcome.name, "lost-link");
    EXPECT_EQ(outcome.exitCode, 5);
    for (const char* other : {"outcome x, exit code", "outcome x exit code 5",
                              "outcome x, exit code 1234", "outcomes x, exit code 1"})
        EXPECT_FALSE(readOutcomeNote(other, outcome)) << other;
}

TEST(TraceNotesTest, AFailureIsReadBackFromItsText) {
    using Cause = transport::DriverError::Cause;
    const struct {
        const char* text;
        transport::DriverError error;
    } cases[] = {
        {"No USB serial adapter of vendor 0x0403 is plugged in. Plug in the radio dongle, then "
         "start the program again.",
         {Cause::NoDevice, 0, {}}},
        {"The dongle failed: Input/output error. Unplug the dongle, plug it in again, then start "
         "the program again.",
         {Cause::IoError, 5, {}}},
        {"The driver library of the USB serial chip reported status 4. Unplug the dongle, plug it "
         "in again, then start the program again.",
         {Cause::LibraryStatus, 4, {}}},
        {"Permission denied on /dev/ttyUSB0. Install the qor-comm-fix package, ...",
         {Cause::IoError, 0, {}}},
    };
    for (const auto& c : cases) EXPECT_EQ(errorFromDescription(c.text), c.error) << c.text;
}

}  // namespace
}  // namespace sim::test
