#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

enum class TraceTag { Tx, Rx, Out, Err, Note };

// One line of a trace that carries data.
struct TraceLine {
    std::uint64_t number = 0;  // in the file, from 1; comments and blank lines count
    std::int64_t ms = 0;       // on the recorded run's clock
    TraceTag tag = TraceTag::Note;
    std::vector<std::uint8_t> bytes;  // tx, rx
    std::string text;                 // out, err, note, with the escapes undone
};

// Reads a trace as the command-line program writes it, one line at a time:
//
//   <ms> <tag> <data>
//
// ms: decimal digits; tags: "tx" and "rx" with bytes in hex pairs separated by spaces,
// "out", "err" and "note" with printable ASCII in which \xHH and \\ stand for a byte and a
// backslash. Lines starting with "#" are comments; blank lines and a carriage return
// before the line end are allowed, as an editor may leave them. A trace is untrusted input:
// a malformed line is an error that names its line, and no line longer than
// kMaxLineLength is taken in, so memory stays that of one line however long the file.
class TraceReader {
public:
    static constexpr std::size_t kMaxLineLength = 64 * 1024;

    enum class Status { Line, End, Error };

    explicit TraceReader(std::istream& in);

    // The next line with data. After Error every call answers Error again.
    Status next(TraceLine& line);
    // After Error: "line <n>: <what is wrong>".
    const std::string& error() const { return error_; }
    // The number of the last line read, whatever it held.
    std::uint64_t lineNumber() const { return number_; }
    // After End: the file ended inside a line that is not whole, as a copy taken while the
    // program still wrote it does. That piece is left out.
    bool cutShort() const { return cutShort_; }

private:
    enum class Raw { Line, Unterminated, End, TooLong, Failed };

    Raw readRaw(std::string_view& text);
    // Answers an empty string when text is a well-formed line, else what is wrong with it.
    std::string parse(std::string_view text, TraceLine& line) const;
    Status fail(const std::string& what);

    std::istream& in_;
    std::vector<char> buffer_;
    std::uint64_t number_ = 0;
    std::string error_;
    bool cutShort_ = false;
};

}  // namespace sim
