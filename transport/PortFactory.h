#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "transport/ByteSink.h"
#include "transport/Clock.h"
#include "transport/Driver.h"
#include "transport/PortPoller.h"
#include "transport/RawLog.h"
#include "transport/Settings.h"

namespace transport {

// Line settings of the radio module's serial link: 8 data bits, 1 stop bit, no parity,
// no flow control.
inline constexpr std::uint8_t kWordLength = 8;
inline constexpr std::uint32_t kOpenReadTimeoutMs = 200;

// The steps of the open sequence, in order; each runs only when the one before succeeded.
enum class OpenStep : std::uint8_t { Open, BaudRate, DataCharacteristics, FlowControl };

// How an open sequence ended: the handle, or the step that failed and why.
struct OpenOutcome {
    DeviceHandle handle = nullptr;
    OpenStep failedStep = OpenStep::Open;
    DriverError error;
};

// Opens and configures the device, printing nothing. A device that opened but could not be
// configured is closed again.
OpenOutcome runOpenSequence(Driver& driver, int deviceIndex, int baud);

// What the open sequence prints for its outcome: "ftopen\n" once the device opened, when
// verbose; then, on failure, "unable to open communication device", "baud rate err",
// "port setup err" or "port flow err" (no line end).
std::string openOutcomeText(const OpenOutcome& outcome, const Settings& settings);
void printOpenOutcome(const OpenOutcome& outcome, const Settings& settings, std::FILE* out);

// The open sequence on one driver with its messages: the handle, or null.
DeviceHandle openDevice(Driver& driver, const Settings& settings, int deviceIndex, int baud,
                        std::FILE* out = stdout);

// Opens the device and builds the port and its poller. The device is opened through the
// first of the drivers that can open and configure it, tried in order; only when every one
// fails does the creation fail, with the messages of one open sequence, which go to the
// trace sink.
class PortFactory {
public:
    PortFactory(Driver& driver, Clock& clock, const Settings& settings)
        : PortFactory(std::vector<Driver*>{&driver}, clock, settings) {}
    PortFactory(std::vector<Driver*> drivers, Clock& clock, const Settings& settings)
        : drivers_(std::move(drivers)), clock_(clock), settings_(settings) {}
    PortFactory(const std::vector<std::unique_ptr<Driver>>& drivers, Clock& clock,
                const Settings& settings);

    // On success: the new poller, which owns the port, and through source the port's
    // ByteSource, where the receive chain is attached. On failure null, source null, and
    // why the device could not be opened in failure, when given. quiet: the open sequence's
    // messages are not told, as for the repeated tries while a dongle is away.
    std::unique_ptr<PortPoller> create(ByteSource*& source, int deviceIndex, int baud,
                                       DriverError* failure = nullptr, bool quiet = false);

    // create, then the port at the bottom of the receive chain: port -> rawLog -> top, both
    // links current, so rawLog and top are reset. Null, with nothing linked, on failure.
    std::unique_ptr<PortPoller> createLinked(int deviceIndex, int baud, RawLog& rawLog,
                                             ByteSink& top, DriverError* failure = nullptr,
                                             bool quiet = false);

private:
    std::vector<Driver*> drivers_;
    Clock& clock_;
    Settings settings_;
};

}  // namespace transport
