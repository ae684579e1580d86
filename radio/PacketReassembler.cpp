#include "radio/PacketReassembler.h"

namespace radio {

namespace {
constexpr std::uint8_t kDataLinkEscape = 0x10;
constexpr std::uint8_t kEndOfText = 0x03;
}  // namespace

void PacketReassembler::receive(transport::ByteView data) {
    buffer_.append(data);
    const std::uint32_t end = endOfFirstPacket();
    if (end == 0) return;
    deliver(buffer_.view());
    // Keep what followed the end mark, moved to the front. The buffer may have been reset
    // while the packet went up, and then holds nothing to keep.
    if (buffer_.length() <= end) {
        buffer_.clear();
        return;
    }
    const transport::ByteView kept(buffer_.data() + end, buffer_.length() - end);
    buffer_.clear();
    buffer_.append(kept);  // moves within the same storage
}

std::uint32_t PacketReassembler::endOfFirstPacket() const {
    bool escaped = false;
    for (std::uint32_t i = 0; i < buffer_.length(); ++i) {
        const std::uint8_t byte = buffer_[i];
        if (escaped) {
            if (byte == kEndOfText) return i + 1;
            escaped = false;
        } else if (byte == kDataLinkEscape) {
            escaped = true;
        }
    }
    return 0;
}

bool PacketReassembler::reset() {
    buffer_.clear();
    resetCurrent();
    return true;
}

}  // namespace radio
