#include "sim/ApiFrame.h"

namespace sim {

std::uint8_t apiChecksum(transport::ByteView frameData) {
    std::uint8_t sum = 0;
    for (std::uint8_t byte : frameData) sum = static_cast<std::uint8_t>(sum + byte);
    return static_cast<std::uint8_t>(0xFF - sum);
}

bool isCommand(transport::ByteView letters, const char* lowerCase) {
    const auto lower = [](std::uint8_t c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    };
    return letters.length() >= 2 && lower(letters[0]) == lowerCase[0] &&
           lower(letters[1]) == lowerCase[1];
}

void appendApiFrame(transport::ByteBuffer& out, transport::ByteView frameData,
                    bool corruptChecksum) {
    out.append(kApiStartByte);
    out.appendUint16(static_cast<std::uint16_t>(frameData.length()));
    out.append(frameData);
    const std::uint8_t checksum = apiChecksum(frameData);
    out.append(corruptChecksum ? static_cast<std::uint8_t>(checksum ^ 0x5A) : checksum);
}

void ApiFrameReader::feed(transport::ByteView bytes) {
    for (std::uint8_t byte : bytes) {
        if (frame_.empty()) {
            if (byte == kApiStartByte) frame_.append(byte);
            continue;
        }
        frame_.append(byte);
        if (frame_.length() < kApiHeaderSize) continue;
        const std::uint32_t dataLength = (std::uint32_t{frame_[1]} << 8) | frame_[2];
        // A zero length announces no frame type: nothing to collect, hunt again.
        if (dataLength == 0) {
            if (onWire_) onWire_(frame_.view());
            ++badFrames_;
            frame_.clear();
            continue;
        }
        if (frame_.length() == kApiHeaderSize + dataLength + 1) finishFrame();
    }
}

void ApiFrameReader::finishFrame() {
    const std::uint32_t dataLength = frame_.length() - kApiHeaderSize - 1;
    const transport::ByteView data(frame_.data() + kApiHeaderSize, dataLength);
    if (onWire_) onWire_(frame_.view());
    if (apiChecksum(data) == frame_[frame_.length() - 1]) {
        onFrame_(data);
    } else {
        ++badFrames_;
    }
    frame_.clear();
}

}  // namespace sim
