#include "sim/Inverter.h"

namespace sim {

Inverter::Inverter(const NodeConfig& config, FaultSet& faults)
    : config_(config),
      faults_(faults),
      unframer_([this](transport::ByteView packet) { onPacket(packet); }) {}

void Inverter::receive(transport::ByteView data, bool speedMatches,
                       transport::ByteBuffer& replies) {
    if (!speedMatches) {
        unframer_.reset();
        return;
    }
    replies_ = &replies;
    unframer_.feed(data);
    replies_ = nullptr;
}

void Inverter::onPacket(transport::ByteView packet) {
    PacketHeader request;
    if (!readCheckedPacket(packet, request) || request.code != kQueryCode) {
        ++packetsRejected_;
        return;
    }
    std::uint32_t flags = kReplyFlags;
    faults_.take(FaultKind::ReplyFlags, &flags);
    std::uint32_t code = request.code;
    faults_.take(FaultKind::ReplyCode, &code);

    // The reply repeats the request's address, subaddress and sequence.
    reply_.clear();
    reply_.append(packet.data(), 4);
    reply_.append(static_cast<std::uint8_t>((flags & kFlagsMask) | request.sequence));
    reply_.append(static_cast<std::uint8_t>(code & 0xFF));
    reply_.append(static_cast<std::uint8_t>(code >> 8));
    reply_.append(std::uint8_t{0});
    reply_.append(std::uint8_t{0});
    const auto appendWord = [this](std::uint32_t word) {
        reply_.append(static_cast<std::uint8_t>(word & 0xFF));
        reply_.append(static_cast<std::uint8_t>((word >> 8) & 0xFF));
    };
    appendWord(config_.replyWord);
    for (std::uint32_t i = 0; i < config_.replyExtraWords; ++i) appendWord(0x1000 + i);

    appendFramedPacket(*replies_, reply_.view(), faults_.take(FaultKind::BadReplyCrc));
    ++queriesAnswered_;
}

}  // namespace sim
