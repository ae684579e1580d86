#include "sim/TraceReader.h"

namespace sim {

namespace {

// More digits than this could pass the 64-bit range; no run lasts that long.
constexpr std::size_t kMaxTimeDigits = 15;
// Of an unknown tag, this much is quoted in the error.
constexpr std::size_t kQuotedTagLength = 16;

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string column(std::size_t index) { return " at column " + std::to_string(index + 1); }

// Text from the file quoted in an error: printable, with anything else as \xHH.
std::string quoted(std::string_view text) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out = "\"";
    for (char c : text.substr(0, kQuotedTagLength)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && c != '"' && c != '\\') {
            out += c;
        } else {
            out += "\\x";
            out += kDigits[byte >> 4];
            out += kDigits[byte & 0xF];
        }
    }
    return out + (text.size() > kQuotedTagLength ? "...\"" : "\"");
}

// Hex pairs separated by one or more spaces; answers what is wrong, or nothing.
std::string parseBytes(std::string_view data, std::size_t at, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    std::size_t i = 0;
    while (i < data.size()) {
        if (data[i] == ' ') {
            ++i;
            continue;
        }
        const int high = hexDigit(data[i]);
        const int low = i + 1 < data.size() ? hexDigit(data[i + 1]) : -1;
        if (high < 0 || low < 0 || (i + 2 < data.size() && data[i + 2] != ' '))
            return "not a byte in hex" + column(at + i);
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
        i += 2;
    }
    return {};
}

// Printable ASCII with \xHH and \\ undone; answers what is wrong, or nothing.
std::string parseText(std::string_view data, std::size_t at, std::string& text) {
    text.clear();
    for (std::size_t i = 0; i < data.size(); ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        if (byte < 0x20 || byte > 0x7E) return "a byte that is not printable" + column(at + i);
        if (data[i] != '\\') {
            text += data[i];
            continue;
        }
        if (i + 1 < data.size() && data[i + 1] == '\\') {
            text += '\\';
            ++i;
            continue;
        }
        const int high = i + 2 < data.size() && data[i + 1] == 'x' ? hexDigit(data[i + 2]) : -1;
        const int low = i + 3 < data.size() ? hexDigit(data[i + 3]) : -1;
        if (high < 0 || low < 0) return "a backslash that starts no escape" + column(at + i);
        text += static_cast<char>(high * 16 + low);
        i += 3;
    }
    return {};
}

}  // namespace

// One more than the longest line for a carriage return, one for the terminating null.
TraceReader::TraceReader(std::istream& in) : in_(in), buffer_(kMaxLineLength + 2) {}

TraceReader::Raw TraceReader::readRaw(std::string_view& text) {
    in_.getline(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    const auto count = static_cast<std::size_t>(in_.gcount());
    if (in_.bad()) return Raw::Failed;
    if (in_.eof()) {
        text = std::string_view(buffer_.data(), count);
        return count == 0 ? Raw::End : Raw::Unterminated;
    }
    if (in_.fail()) return Raw::TooLong;
    text = std::string_view(buffer_.data(), count - 1);  // the line end was counted
    return Raw::Line;
}

TraceReader::Status TraceReader::fail(const std::string& what) {
    error_ = "line " + std::to_string(number_) + ": " + what;
    return Status::Error;
}

TraceReader::Status TraceReader::next(TraceLine& line) {
    if (!error_.empty()) return Status::Error;
    for (;;) {
        std::string_view text;
        const Raw raw = readRaw(text);
        if (raw == Raw::End) return Status::End;
        ++number_;
        if (raw == Raw::Failed) return fail("the file cannot be read");
        if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
        if (raw == Raw::TooLong || text.size() > kMaxLineLength)
            return fail("longer than " + std::to_string(kMaxLineLength) + " characters");
        if (text.empty() || text.front() == '#') {
            if (raw == Raw::Unterminated) return Status::End;
            continue;
        }
        const std::string wrong = parse(text, line);
        if (wrong.empty()) {
            line.number = number_;
            return Status::Line;
        }
        if (raw == Raw::Unterminated) {
            cutShort_ = true;
            --number_;
            return Status::End;
        }
        return fail(wrong);
    }
}

std::string TraceReader::parse(std::string_view text, TraceLine& line) const {
    std::size_t i = 0;
    std::int64_t ms = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        if (i == kMaxTimeDigits) return "a time of more than " + std::to_string(i) + " digits";
        ms = ms * 10 + (text[i] - '0');
    }
    if (i == 0) return "no time in milliseconds at its start";
    if (i == text.size() || text[i] != ' ') return "no space after the time" + column(i);
    const std::size_t tagStart = i + 1;
    const std::size_t tagEnd = std::min(text.find(' ', tagStart), text.size());
    const std::string_view tag = text.substr(tagStart, tagEnd - tagStart);
    const std::size_t dataStart = std::min(tagEnd + 1, text.size());
    const std::string_view data = text.substr(dataStart);

    line.ms = ms;
    line.bytes.clear();
    line.text.clear();
    if (tag == "tx" || tag == "rx") {
        line.tag = tag == "tx" ? TraceTag::Tx : TraceTag::Rx;
        return parseBytes(data, dataStart, line.bytes);
    }
    if (tag == "out") {
        line.tag = TraceTag::Out;
    } else if (tag == "err") {
        line.tag = TraceTag::Err;
    } else if (tag == "note") {
        line.tag = TraceTag::Note;
    } else {
        return "an unknown tag " + quoted(tag);
    }
    return parseText(data, dataStart, line.text);
}

}  // namespace sim
