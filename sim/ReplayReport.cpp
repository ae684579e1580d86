#include "sim/ReplayReport.h"

#include <cstdint>
#include <vector>

#include "sim/ApiFrame.h"

namespace sim {

namespace {

// Of a long frame this much is shown in hex.
constexpr std::uint32_t kShownBytes = 48;
constexpr std::uint32_t kAddressBytes = 10;  // 64-bit node address, 16-bit network address
constexpr char kDigits[] = "0123456789ABCDEF";

void appendHexByte(std::string& out, std::uint8_t byte) {
    out += kDigits[byte >> 4];
    out += kDigits[byte & 0xF];
}

std::string hexLine(transport::ByteView bytes) {
    std::string out;
    for (std::uint32_t i = 0; i < bytes.length() && i < kShownBytes; ++i) {
        if (i > 0) out += ' ';
        appendHexByte(out, bytes[i]);
    }
    if (bytes.length() > kShownBytes) out += " ... (" + std::to_string(bytes.length()) + " bytes)";
    return out;
}

// A name of the frame types a radio module's line carries; empty for others.
const char* typeName(std::uint8_t type) {
    switch (type) {
        case 0x08:
        case 0x09:
            return "local command";
        case 0x10:
            return "transmit request";
        case 0x17:
            return "remote command";
        case 0x88:
            return "local command response";
        case 0x8A:
            return "modem status";
        case 0x8B:
            return "transmit status";
        case 0x90:
            return "received packet";
        case 0x95:
            return "node identification";
        case 0x97:
            return "remote command response";
        default:
            return "";
    }
}

// The frame data as fields: where each sits depends on the type.
class FrameFields {
public:
    explicit FrameFields(transport::ByteView data) : data_(data) {}

    void frameId() {
        if (data_.length() > 1) text_ += ", frame id " + std::to_string(data_[1]);
    }
    void address(std::uint32_t at, const char* direction) {
        if (data_.length() < at + kAddressBytes) return;
        text_ += std::string(", ") + direction + " ";
        for (std::uint32_t i = 0; i < 8; ++i) appendHexByte(text_, data_[at + i]);
        text_ += ' ';
        appendHexByte(text_, data_[at + 8]);
        appendHexByte(text_, data_[at + 9]);
    }
    // Two command letters, quoted, then what follows them in hex.
    void letters(std::uint32_t at) {
        if (data_.length() < at + 2) return;
        text_ += ", \"";
        for (std::uint32_t i = at; i < at + 2; ++i) {
            const std::uint8_t c = data_[i];
            if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
                text_ += static_cast<char>(c);
            } else {
                text_ += "\\x";
                appendHexByte(text_, c);
            }
        }
        text_ += '"';
        if (data_.length() > at + 2)
            text_ +=
                " " + hexLine(transport::ByteView(data_.data() + at + 2, data_.length() - at - 2));
    }
    void dataBytes(std::uint32_t at) {
        const std::uint32_t count = data_.length() > at ? data_.length() - at : 0;
        text_ += ", " + std::to_string(count) + " data bytes";
    }
    std::string& text() { return text_; }

private:
    transport::ByteView data_;
    std::string text_;
};

}  // namespace

std::string describeFrame(transport::ByteView frame) {
    if (frame.length() < kApiHeaderSize || frame[0] != kApiStartByte)
        return "not a frame: " + std::to_string(frame.length()) + " bytes";
    const std::uint32_t length = (std::uint32_t{frame[1]} << 8) | frame[2];
    if (length == 0) return "a frame header announcing no frame data";
    if (frame.length() < kApiHeaderSize + length + 1) {
        return "a frame cut off: " + std::to_string(frame.length()) + " of its " +
               std::to_string(kApiHeaderSize + length + 1) + " bytes";
    }
    const transport::ByteView data(frame.data() + kApiHeaderSize, length);
    const std::uint8_t type = data[0];
    FrameFields fields(data);
    const std::string name = typeName(type);
    fields.text() = (name.empty() ? "frame" : name) + " (";
    appendHexByte(fields.text(), type);
    fields.text() += ")";
    switch (type) {
        case 0x08:
        case 0x09:
            fields.frameId();
            fields.letters(2);
            break;
        case 0x10:
            fields.frameId();
            fields.address(2, "to");
            fields.dataBytes(2 + kAddressBytes + 2);  // after radius and options
            break;
        case 0x17:
            fields.frameId();
            fields.address(2, "to");
            fields.letters(2 + kAddressBytes + 1);  // after the options
            break;
        case 0x88:
            fields.frameId();
            fields.letters(2);
            break;
        case 0x90:
            fields.address(1, "from");
            fields.dataBytes(1 + kAddressBytes + 1);  // after the receive options
            break;
        case 0x95:
            fields.address(1, "from");
            break;
        case 0x97:
            fields.frameId();
            fields.address(2, "from");
            fields.letters(2 + kAddressBytes);
            break;
        default:
            // Every type but the received packet and the indications has a frame id.
            if (type < 0x90 || type > 0x95) fields.frameId();
            break;
    }
    if (apiChecksum(data) != frame[kApiHeaderSize + length]) fields.text() += ", checksum wrong";
    if (frame.length() > kApiHeaderSize + length + 1) fields.text() += ", with bytes after it";
    return fields.text();
}

namespace {

// side: the side's name and a colon, padded so that both sides' bytes stand aligned.
void appendFrame(std::string& out, const char* side, const std::vector<std::uint8_t>& bytes,
                 const char* none) {
    const std::string prefix = std::string("  ") + side;
    out += prefix;
    if (bytes.empty()) {
        out += std::string(none) + "\n";
        return;
    }
    const transport::ByteView frame(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    out += hexLine(frame) + "\n" + std::string(prefix.size(), ' ') + describeFrame(frame) + "\n";
}

std::string framesMatched(const ReplayResult& result) {
    return std::to_string(result.framesMatched) +
           (result.framesMatched == 1 ? " frame" : " frames") + " written as recorded";
}

}  // namespace

std::string describeReplay(const ReplayResult& result) {
    switch (result.kind) {
        case ReplayResult::Kind::Matched:
            return "Replay: " + framesMatched(result) + ", to the end of the recording.\n";
        case ReplayResult::Kind::EndedEarly:
            return "Replay: the recording ended at line " + std::to_string(result.line) +
                   " while the run went on; " + framesMatched(result) + ".\n";
        case ReplayResult::Kind::Unreadable:
            return "Replay: stopped where the recording cannot be read, at its " + result.error +
                   "; " + framesMatched(result) + ".\n";
        case ReplayResult::Kind::Diverged:
            break;
    }
    std::string out = "Replay: diverged at line " + std::to_string(result.line) +
                      " of the recording, after " + framesMatched(result) + ":\n";
    appendFrame(out, "recorded: ", result.expected, "nothing more: the recorded run wrote no more");
    appendFrame(out, "written:  ", result.written, "nothing: the run ended without writing it");
    return out;
}

}  // namespace sim
