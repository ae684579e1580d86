#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "CliRig.h"
#include "cli/Json.h"
#include "cli/LiveLine.h"
#include "cli/Text.h"

using namespace clitest;
using testsupport::apiFrame;
using testsupport::hex;
using testsupport::hexOf;

namespace {

// A radio may name itself with any bytes: here a terminal's title sequence, a bell, a quote,
// a backslash and a byte outside ASCII, before a turbine number.
const std::string kHostileName = "\x1b]0;X\x07\"\\\xff-7654321";
const std::string kHostileField =
    "node " + kHostileName + "\n  address 0013A20041C7F321\n  network 7A21\n";

bool printableText(const std::string& text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte != '\n' && (byte < 0x20 || byte > 0x7E)) return false;
    }
    return true;
}

TEST(OutputTest, NamesFromTheRadioNeverReachTheTerminalRaw) {
    const std::string field = writeTempFile("hostile-field.txt", kHostileField);
    const std::string trace = tempPath("hostile-trace.txt");

    const CliResult json =
        runCli({"scan", "--sim", "--scenario", field, "--json", "--trace", trace});
    ASSERT_TRUE(json.jsonValid) << json.out;
    EXPECT_TRUE(printableText(json.out));
    ASSERT_EQ(json.json.at("nodes").size(), 1u);
    // Every byte kept, as the character of its value: 0xFF is U+00FF, in UTF-8 C3 BF.
    EXPECT_EQ(json.json.at("nodes")[0].at("name"), "\x1b]0;X\x07\"\\\xc3\xbf-7654321");
    EXPECT_EQ(json.json.at("nodes")[0].at("turbine"), 7654321);
    EXPECT_TRUE(printableText(readFile(trace)));

    const CliResult text = runCli({"scan", "--sim", "--scenario", field});
    EXPECT_TRUE(printableText(text.out));
    EXPECT_NE(
        text.out.find("\\x1B]0;X\\x07\"\\\\\\xFF-7654321  0013A20041C7F321  7A21     7654321"),
        std::string::npos)
        << text.out;
}

TEST(OutputTest, EscapesByTable) {
    struct Case {
        std::string bytes;
        const char* json;
        const char* printable;
    };
    const Case cases[] = {
        {"QOR123-7654321", "\"QOR123-7654321\"", "QOR123-7654321"},
        {"a\"b\\c", "\"a\\\"b\\\\c\"", "a\"b\\\\c"},
        {"\n\t\x7f", "\"\\n\\t\\u007f\"", "\\x0A\\x09\\x7F"},
        {"\x1b\b\f\r", "\"\\u001b\\b\\f\\r\"", "\\x1B\\x08\\x0C\\x0D"},
        {std::string("\0\x80\xff", 3), "\"\\u0000\\u0080\\u00ff\"", "\\x00\\x80\\xFF"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(cli::jsonString(c.bytes), c.json);
        EXPECT_EQ(cli::printable(c.bytes), c.printable);
    }
}

TEST(OutputTest, FixForPeople) {
    const CliResult run = runCli({"fix", "7654321", "--sim"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find("Found QOR123-7654321 (address 0013A20041C7F321, network 7A21); 4 "
                           "other nodes answered.\n"),
              std::string::npos)
        << run.out;
    const std::regex status(R"(\n +[0-9]+\.[0-9] s  Communication speed fixed\.\n)");
    EXPECT_TRUE(std::regex_search(run.out, status)) << run.out;
    EXPECT_NE(run.out.find("QOR123-7654321: fixed. \"bd\" 4 was changed to 6."), std::string::npos);
}

// Every line of the trace is "<ms> <tag> <data>" after its comments; the bytes written are
// exactly those the device received, at the times it received them.
TEST(TraceTest, EveryChunkWithItsTimeAndDirection) {
    const std::string path = tempPath("fix-trace.txt");
    const CliResult run = runCli({"fix", "7654321", "--sim", "--json", "--trace", path});
    ASSERT_TRUE(run.jsonValid) << run.out;  // the trace takes nothing from the output
    const std::string trace = readFile(path);
    EXPECT_TRUE(printableText(trace));

    std::istringstream lines(trace);
    std::string line;
    bool inHeader = true;
    std::int64_t lastMs = 0;
    std::size_t written = 0;
    std::string received;
    std::vector<std::string> notes;
    const std::regex form(R"(([0-9]+) (tx|rx|out|err|note) (.*))");
    while (std::getline(lines, line)) {
        if (inHeader && line.rfind("# ", 0) == 0) continue;
        inHeader = false;
        std::smatch parts;
        ASSERT_TRUE(std::regex_match(line, parts, form)) << line;
        const std::int64_t ms = std::stoll(parts[1]);
        EXPECT_GE(ms, lastMs) << line;
        lastMs = ms;
        if (parts[2] == "tx") {
            ASSERT_LT(written, run.writes.size());
            EXPECT_EQ(hex(parts[3].str()), run.writes[written].bytes);
            EXPECT_EQ(ms, run.writes[written].atMs);
            ++written;
        } else if (parts[2] == "rx") {
            received += parts[3].str() + " ";
        } else if (parts[2] == "note") {
            notes.push_back(parts[3]);
        }
    }
    EXPECT_EQ(written, run.writes.size());
    // The turbine's radio answering the "bd" query with 4.
    const std::string bdAnswer =
        hexOf(apiFrame(hex("97 03 00 13 A2 00 41 C7 F3 21 7A 21 62 64 00 04")));
    EXPECT_NE(received.find(bdAnswer), std::string::npos);
    for (const char* note : {"simulated device open 0: ok", "search for turbine 7654321",
                             "status Scanning", "status Communication speed fixed.",
                             "outcome speed-fixed, exit code 0", "simulated device close: ok"}) {
        EXPECT_NE(std::find(notes.begin(), notes.end(), note), notes.end()) << note;
    }
}

// The diagnostics the dialog program prints go to the trace, and nowhere else: the
// packet parser's mark for a reply with a bad check, the frame checksum error.
TEST(TraceTest, DiagnosticsGoToTheTraceNotTheStreams) {
    const std::string field = writeTempFile("faulty-field.txt", R"(
node QOR123-7654321
  address 0013A20041C7F321
  network 7A21
  bd 6
  inverter-speed 6
  fault bad-reply-crc times 1
node QOR123-7654318
  address 0013A20041C7F318
  network 3C18
  fault bad-checksum times 1
)");
    const std::string path = tempPath("faulty-trace.txt");
    const CliResult run =
        runCli({"fix", "7654321", "--sim", "--scenario", field, "--json", "--trace", path});
    ASSERT_TRUE(run.jsonValid) << run.out;
    EXPECT_EQ(run.json.at("outcome"), "speed-correct");
    EXPECT_EQ(run.err, "");
    const std::string trace = readFile(path);
    EXPECT_TRUE(std::regex_search(trace, std::regex(R"(\n[0-9]+ out x \n)"))) << trace;
    EXPECT_TRUE(std::regex_search(trace, std::regex(R"(\n[0-9]+ err zb checksum failed\.\n)")));

    // Without a trace they go nowhere, not even to the process's own streams.
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const CliResult quiet = runCli({"fix", "7654321", "--sim", "--scenario", field, "--json"});
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(quiet.jsonValid) << quiet.out;
    EXPECT_EQ(quiet.err, "");
}

// The live line: drawn over itself, padded over a longer one, off the terminal while other
// output is printed, cleared at the end.
TEST(LiveLineTest, RedrawsInPlaceAndClears) {
    std::FILE* terminal = std::tmpfile();
    transport::VirtualClock clock;
    {
        cli::LiveLine live(terminal, clock, 0, 0);
        live.show("searching");
        clock.sleepFor(1500);
        live.show("QOR1: Waiting");
        live.printAround([&] { std::fputs("[out]", terminal); });
        live.show("x");
    }
    EXPECT_EQ(readAll(terminal),
              "\rsearching (0.0 s)"
              "\rQOR1: Waiting (1.5 s)"
              "\r                     \r[out]\rQOR1: Waiting (1.5 s)"
              "\rx (1.5 s)            \rx (1.5 s)"
              "\r         \r");
    std::fclose(terminal);
}

// On a narrow terminal the line is cut one column short of its width, so that it never
// wraps; the width is asked at each drawing, as the terminal may be resized.
TEST(LiveLineTest, FitsTheTerminal) {
    std::FILE* terminal = std::tmpfile();
    transport::VirtualClock clock;
    int columns = 20;
    {
        cli::LiveLine live(terminal, clock, 0, 0, [&] { return columns; });
        live.show("QOR123-7654321: Configuring alt speed");
        columns = 12;
        live.show("QOR123-7654321: Waiting");
    }
    EXPECT_EQ(readAll(terminal),
              "\rQOR123-7654321: Con"
              "\rQOR123-7654"
              "\r           \r");
    std::fclose(terminal);
}

}  // namespace
