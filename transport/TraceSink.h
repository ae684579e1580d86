#pragma once

#include <string_view>

#include "transport/ByteBuffer.h"

namespace transport {

// Where the compiled-in diagnostics go: the hexadecimal dumps, the packet parser's marks and
// reports, the open sequence's messages (the output stream), and the frame checksum error
// (the error stream). The process has one sink. Unless a program replaces it, the sink is
// the standard streams: standard output and standard error.
class TraceSink {
public:
    virtual ~TraceSink() = default;
    // Text as the diagnostics print it, in pieces that need not end lines.
    virtual void output(std::string_view text) = 0;
    virtual void error(std::string_view text) = 0;

    // Formatted as printf does, onto the output stream.
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    void
    print(const char* format, ...);
    // Each byte as two lower-case hex digits, then a line end; nothing at all when empty.
    void dumpHex(ByteView bytes);
};

// The process's sink.
TraceSink& traceSink();
// Replaces it; null puts the standard streams back. Set before any thread that traces
// starts, and kept until those threads have ended. Answers the sink replaced.
TraceSink* setTraceSink(TraceSink* sink);

}  // namespace transport
