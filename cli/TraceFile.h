#pragma once

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

#include "transport/ByteBuffer.h"
#include "transport/Clock.h"
#include "transport/TraceSink.h"

namespace cli {

// The trace for support: every chunk read from and written to the radio module, the tool's
// diagnostics and what the run did, one line each, in the order they happened:
//
//   <ms> <tag> <data>
//
// ms is the time on the run's clock since the run began. Tags: "tx", bytes written to the
// radio module, and "rx", bytes read from it, each in upper-case hex separated by spaces;
// "out" and "err", a line of the diagnostics the dialog program prints on standard output
// and standard error; "note", the driver's calls and answers and the steps of the run.
// Text is printable ASCII: any other byte appears as \xHH and a backslash as \\. Lines
// starting with "#" are comments: the header says what ran.
//
// This is the line writer the trace's roles share (TraceRoles.h): the diagnostics, the
// driver's chunks and calls, and the run's steps. Lines may come from any thread.
class TraceFile final {
public:
    // Takes the file, which it closes; header: the comment lines that open the trace.
    TraceFile(std::FILE* file, transport::Clock& clock, std::int64_t startMs,
              const std::string& header);
    ~TraceFile();
    TraceFile(const TraceFile&) = delete;
    TraceFile& operator=(const TraceFile&) = delete;

    // Writes what is pending and closes the file; nothing is written after. Answers whether
    // every line reached the file. Once a write has failed (a full disk) the trace stops
    // there, so that it has no gap: what it holds is whole up to that moment.
    bool close();
    // Why the trace is incomplete, once close answered false: when and how writing failed.
    std::string failure() const;

    // A "note" line, made printable.
    void note(std::string_view text);
    // A "tx" or "rx" line: the bytes in hex.
    void bytesLine(const char* tag, transport::ByteView bytes);
    // The diagnostics of standard output and standard error, gathered into "out" and "err"
    // lines.
    void output(std::string_view text) { gather(out_, text); }
    void error(std::string_view text) { gather(err_, text); }

private:
    // A diagnostic line in the making, with the time its first piece came.
    struct Pending {
        const char* tag;
        std::string text;
        std::int64_t ms = 0;
        bool open = false;
    };
    // A diagnostic line longer than this is written in parts.
    static constexpr std::size_t kMaxPending = 4096;

    void gather(Pending& pending, std::string_view text);
    void writeLine(std::int64_t ms, const char* tag, std::string_view data);
    // Writes text and flushes it; a failure ends the trace.
    void put(std::int64_t ms, const std::string& text);
    void flushPending(Pending& pending);
    std::int64_t elapsedMs() const;

    mutable std::mutex mutex_;
    std::FILE* file_;  // null once closed
    bool failed_ = false;
    std::int64_t failedAtMs_ = 0;
    int failedErrno_ = 0;
    transport::Clock& clock_;
    const std::int64_t startMs_;
    Pending out_{"out", {}, 0, false};
    Pending err_{"err", {}, 0, false};
};

}  // namespace cli
