#include "radio/PacketReassembler.h"

#include <cstring>

namespace radio {

namespace {
constexpr std::uint8_t kDataLinkEscape = 0x10;
constexpr std::uint8_t kStartOfHeading = 0x01;
constexpr std::uint8_t kStartOfText = 0x02;
constexpr std::uint8_t kEndOfText = 0x03;
}  // namespace

void PacketReassembler::receive(transport::ByteView data) {
    const std::uint8_t* at = data.begin();
    while (at != data.end()) {
        if (escaped_) {
            takeEscaped(*at++);
            continue;
        }
        // The bytes up to the next escape are data inside a packet and noise outside one.
        const auto* escape = static_cast<const std::uint8_t*>(
            std::memchr(at, kDataLinkEscape, static_cast<std::size_t>(data.end() - at)));
        const std::uint8_t* runEnd = escape ? escape : data.end();
        if (inPacket_) gatherRun(at, static_cast<std::uint32_t>(runEnd - at));
        at = runEnd;
        if (escape) {
            escaped_ = true;
            ++at;
        }
    }
}

void PacketReassembler::gatherRun(const std::uint8_t* bytes, std::uint32_t count) {
    if (count > kMaxPacketBytes - buffer_.length()) {
        buffer_.clear();
        inPacket_ = false;
        return;
    }
    buffer_.append(bytes, count);
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
    const std::uint8_t pair[] = {first, second};
    gatherRun(pair, sizeof pair);
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
