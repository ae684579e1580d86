#include "radio/PacketReassembler.h"

namespace radio {

namespace {
constexpr std::uint8_t kDataLinkEscape = 0x10;
constexpr std::uint8_t kStartOfHeading = 0x01;
constexpr std::uint8_t kStartOfText = 0x02;
constexpr std::uint8_t kEndOfText = 0x03;
}  // namespace

void PacketReassembler::receive(transport::ByteView data) {
    for (std::uint8_t byte : data) take(byte);
}

void PacketReassembler::take(std::uint8_t byte) {
    if (escaped_) {
        takeEscaped(byte);
    } else if (byte == kDataLinkEscape) {
        escaped_ = true;
    } else if (inPacket_) {
        if (buffer_.length() < kMaxPacketBytes) {
            buffer_.append(byte);
        } else {
            buffer_.clear();
            inPacket_ = false;
        }
    }
}

void PacketReassembler::takeEscaped(std::uint8_t byte) {
    switch (byte) {
        case kStartOfHeading:
        case kStartOfText:
            // A start mark begins a packet afresh, inside one as well.
            buffer_.clear();
            inPacket_ = true;
            escaped_ = false;
            gather(kDataLinkEscape, byte);
            return;
        case kEndOfText:
            escaped_ = false;
            if (!inPacket_) buffer_.clear();
            inPacket_ = false;
            buffer_.append(kDataLinkEscape);
            buffer_.append(byte);
            handOn();
            return;
        case kDataLinkEscape:
            // Outside a packet the escape stays armed: 0x10 0x10 0x01 starts one, as the
            // parser reads it.
            if (inPacket_) {
                escaped_ = false;
                gather(kDataLinkEscape, byte);
            }
            return;
        default:
            // Kept as it came; the parser drops the pair.
            escaped_ = false;
            if (inPacket_) gather(kDataLinkEscape, byte);
            return;
    }
}

void PacketReassembler::gather(std::uint8_t first, std::uint8_t second) {
    if (buffer_.length() + 2 > kMaxPacketBytes) {
        buffer_.clear();
        inPacket_ = false;
        return;
    }
    buffer_.append(first);
    buffer_.append(second);
}

void PacketReassembler::handOn() {
    deliver(buffer_.view());
    buffer_.clear();
}

bool PacketReassembler::reset() {
    buffer_.clear();
    inPacket_ = false;
    escaped_ = false;
    resetCurrent();
    return true;
}

}  // namespace radio
