// A recording of any content: the reader gives well-formed lines or an error that names its
// line, never more bytes than the line can hold; a recording that opens plays against a tool
// that writes two frames and reads between them, and its result can be put in words.
#include <memory>
#include <sstream>
#include <string>

#include "sim/Replay.h"
#include "sim/ReplayReport.h"
#include "sim/TraceReader.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

constexpr std::uint8_t kCb[] = {0x7E, 0x00, 0x05, 0x08, 0x01, 0x63, 0x62, 0x02, 0x2F};
constexpr std::uint8_t kNd[] = {0x7E, 0x00, 0x04, 0x09, 0x01, 0x4E, 0x44, 0x63};
constexpr int kReads = 40;

void readLines(const std::string& text) {
    std::istringstream in(text);
    sim::TraceReader reader(in);
    sim::TraceLine line;
    std::uint64_t last = 0;
    sim::TraceReader::Status status;
    while ((status = reader.next(line)) == sim::TraceReader::Status::Line) {
        FUZZ_CHECK(line.number > last);
        FUZZ_CHECK(line.ms >= 0);
        FUZZ_CHECK(line.bytes.size() <= sim::TraceReader::kMaxLineLength / 2);
        last = line.number;
    }
    if (status == sim::TraceReader::Status::Error) {
        FUZZ_CHECK(reader.error().rfind("line ", 0) == 0);
        FUZZ_CHECK(reader.next(line) == sim::TraceReader::Status::Error);
    }
}

void play(const std::string& text) {
    transport::VirtualClock clock;
    std::string error;
    const auto replay = sim::Replay::open(
        [&text] { return std::make_unique<std::istringstream>(text); }, clock, error);
    if (!replay) {
        FUZZ_CHECK(!error.empty());
        return;
    }
    for (const sim::ReplayDriver& driver : replay->drivers()) {
        transport::DeviceHandle handle = nullptr;
        if (!driver.driver->open(0, &handle).ok()) continue;
        driver.driver->setTimeouts(handle, 20, 0);
        std::uint8_t buffer[512];
        std::uint32_t count = 0;
        for (const auto& frame :
             {transport::ByteView(kCb, sizeof kCb), transport::ByteView(kNd, sizeof kNd)}) {
            driver.driver->write(handle, frame.data(), frame.length(), &count);
            for (int i = 0; i < kReads; ++i) {
                driver.driver->read(handle, buffer, sizeof buffer, &count);
                FUZZ_CHECK(count <= sizeof buffer);
            }
        }
        driver.driver->close(handle);
        break;
    }
    const sim::ReplayResult result = replay->finish();
    FUZZ_CHECK(result.framesMatched <= 2);
    FUZZ_CHECK(!sim::describeReplay(result).empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    readLines(text);
    play(text);
    return 0;
}
