#pragma once

#include <cstdio>
#include <memory>

#include "transport/ByteSink.h"
#include "transport/Clock.h"
#include "transport/Driver.h"
#include "transport/PortPoller.h"
#include "transport/RawLog.h"
#include "transport/Settings.h"

namespace transport {

// Line settings of the radio module's serial link: 8 data bits, 1 stop bit, no parity,
// no flow control, in the driver's codes.
inline constexpr std::uint8_t kWordLength = 8;
inline constexpr std::uint8_t kOneStopBit = 0;
inline constexpr std::uint8_t kNoParity = 0;
inline constexpr std::uint16_t kNoFlowControl = 0;
inline constexpr std::uint32_t kOpenReadTimeoutMs = 200;

// Opens and configures the device; answers its handle, or null after printing what failed
// to out: "unable to open communication device", "baud rate err", "port setup err" or
// "port flow err" (no line end). Prints "ftopen\n" after the open when verbose. A device
// that opened but could not be configured is closed again.
DeviceHandle openDevice(Driver& driver, const Settings& settings, int deviceIndex, int baud,
                        std::FILE* out = stdout);

// Opens the device and builds the port and its poller.
class PortFactory {
public:
    PortFactory(Driver& driver, Clock& clock, const Settings& settings)
        : driver_(driver), clock_(clock), settings_(settings) {}

    // On success: the new poller, which owns the port, and through source the port's
    // ByteSource, where the receive chain is attached. On failure null, and source null.
    std::unique_ptr<PortPoller> create(ByteSource*& source, int deviceIndex, int baud);

    // create, then the port at the bottom of the receive chain: port -> rawLog -> top, both
    // links current, so rawLog and top are reset. Null, with nothing linked, on failure.
    std::unique_ptr<PortPoller> createLinked(int deviceIndex, int baud, RawLog& rawLog,
                                             ByteSink& top);

private:
    Driver& driver_;
    Clock& clock_;
    Settings settings_;
};

}  // namespace transport
