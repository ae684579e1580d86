#include "sim/Inverter.h"

namespace sim {

namespace {
// An inverter's own controller queries it at address 0, subaddress 10, as the tool does.
constexpr std::uint8_t kControllerQuery[4] = {0x00, 0x00, 0x00, 0x0A};
// Flags of a packet that is not a reply.
constexpr std::uint8_t kNotAReply = 0x40;
constexpr std::uint8_t kStrayEnd[] = {kDle, kDle, kEtx};
}  // namespace

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

    const transport::ByteView addresses(packet.data(), 4);
    if (faults_.take(FaultKind::PacketBeforeReply)) {
        buildPacket(addresses, request.sequence, kNotAReply, request.code, false);
        appendFramedPacket(*replies_, reply_.view());
    }
    if (faults_.take(FaultKind::StrayEndBeforeReply)) replies_->append(kStrayEnd, sizeof kStrayEnd);
    // The reply repeats the request's address, subaddress and sequence.
    buildPacket(addresses, request.sequence, flags, code, true);
    appendFramedPacket(*replies_, reply_.view(), faults_.take(FaultKind::BadReplyCrc));
    ++queriesAnswered_;
}

void Inverter::appendUnaskedReply(transport::ByteBuffer& out) {
    buildPacket(transport::ByteView(kControllerQuery, sizeof kControllerQuery), unaskedSequence_,
                kReplyFlags, kQueryCode, true);
    appendFramedPacket(out, reply_.view());
    unaskedSequence_ = static_cast<std::uint8_t>((unaskedSequence_ + 1) & kSequenceMask);
}

void Inverter::buildPacket(transport::ByteView addresses, std::uint8_t sequence,
                           std::uint32_t flags, std::uint32_t code, bool withWords) {
    reply_.clear();
    reply_.append(addresses);
    reply_.append(static_cast<std::uint8_t>((flags & kFlagsMask) | (sequence & kSequenceMask)));
    reply_.append(static_cast<std::uint8_t>(code & 0xFF));
    reply_.append(static_cast<std::uint8_t>(code >> 8));
    reply_.append(std::uint8_t{0});
    reply_.append(std::uint8_t{0});
    if (!withWords) return;
    const auto appendWord = [this](std::uint32_t word) {
        reply_.append(static_cast<std::uint8_t>(word & 0xFF));
        reply_.append(static_cast<std::uint8_t>((word >> 8) & 0xFF));
    };
    appendWord(config_.replyWord);
    for (std::uint32_t i = 0; i < config_.replyExtraWords; ++i) appendWord(0x1000 + i);
}

}  // namespace sim
