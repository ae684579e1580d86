#include "cli/TraceFile.h"

#include <cerrno>
#include <cstring>

#include "cli/Text.h"

namespace cli {

TraceFile::TraceFile(std::FILE* file, transport::Clock& clock, std::int64_t startMs,
                     const std::string& header)
    : file_(file), clock_(clock), startMs_(startMs) {
    std::lock_guard lock(mutex_);
    put(0, header);
}

TraceFile::~TraceFile() { close(); }

bool TraceFile::close() {
    std::lock_guard lock(mutex_);
    if (file_) {
        flushPending(out_);
        flushPending(err_);
        const std::int64_t ms = elapsedMs();
        if (std::fclose(file_) != 0 && !failed_) {
            failed_ = true;
            failedAtMs_ = ms;
            failedErrno_ = errno;
        }
        file_ = nullptr;
    }
    return !failed_;
}

std::string TraceFile::failure() const {
    std::lock_guard lock(mutex_);
    if (!failed_) return {};
    const std::string why = failedErrno_ ? std::strerror(failedErrno_) : "a write error";
    return "writing it failed at " + std::to_string(failedAtMs_) + " ms (" + why + ")";
}

std::int64_t TraceFile::elapsedMs() const { return clock_.nowMs() - startMs_; }

void TraceFile::put(std::int64_t ms, const std::string& text) {
    if (!file_ || failed_) return;
    errno = 0;
    // Each line reaches the file at once, so that a trace is whole up to the moment the
    // program was ended, however it was.
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size() || std::fflush(file_) != 0) {
        failed_ = true;
        failedAtMs_ = ms;
        failedErrno_ = errno;
    }
}

void TraceFile::writeLine(std::int64_t ms, const char* tag, std::string_view data) {
    std::string line = std::to_string(ms) + " " + tag + " ";
    line.append(data);
    line += '\n';
    put(ms, line);
}

void TraceFile::flushPending(Pending& pending) {
    if (!pending.open) return;
    writeLine(pending.ms, pending.tag, printable(pending.text));
    pending.text.clear();
    pending.open = false;
}

void TraceFile::gather(Pending& pending, std::string_view text) {
    std::lock_guard lock(mutex_);
    while (!text.empty()) {
        if (!pending.open) {
            pending.open = true;
            pending.ms = elapsedMs();
        }
        const std::size_t end = text.find('\n');
        pending.text += text.substr(0, end);
        if (end == std::string_view::npos) {
            if (pending.text.size() >= kMaxPending) flushPending(pending);
            return;
        }
        flushPending(pending);
        text.remove_prefix(end + 1);
    }
}

void TraceFile::bytesLine(const char* tag, transport::ByteView bytes) {
    std::lock_guard lock(mutex_);
    // A diagnostic printed so far comes first: it was printed before these bytes moved.
    flushPending(out_);
    flushPending(err_);
    writeLine(elapsedMs(), tag, hexBytes(bytes));
}

void TraceFile::note(std::string_view text) {
    std::lock_guard lock(mutex_);
    flushPending(out_);
    flushPending(err_);
    writeLine(elapsedMs(), "note", printable(text));
}

}  // namespace cli
