#pragma once

#include <cstdint>

#ifndef QOR_VERBOSE
#define QOR_VERBOSE 0
#endif
#ifndef QOR_TRACE_MASK
#define QOR_TRACE_MASK 0
#endif

namespace transport {

// Bits of Settings::traceMask; each turns on one hexadecimal dump on the trace sink.
inline constexpr std::uint32_t kTraceRawLog = 0x1;         // bytes received, after each wait
inline constexpr std::uint32_t kTraceQueryPacket = 0x2;    // framed inverter query
inline constexpr std::uint32_t kTraceQueryFrames = 0x4;    // transmit requests carrying it
inline constexpr std::uint32_t kTraceFramesWritten = 0x8;  // every frame written
inline constexpr std::uint32_t kTraceReplyPacket = 0x100;  // inverter reply, un-stuffed

// The process-wide settings. The program runs with the values compiled in
// (kBuildSettings); nothing changes them at run time. Tests make their own.
struct Settings {
    std::uint32_t verbose = QOR_VERBOSE;
    std::uint32_t traceMask = QOR_TRACE_MASK;
    // Starting value of the default completion time-out, in milliseconds.
    std::int32_t defaultTimeoutMs = 1800;
    // Transmissions allowed to one inverter query.
    std::uint32_t queryAttempts = 4;
};

inline constexpr Settings kBuildSettings{};

}  // namespace transport
