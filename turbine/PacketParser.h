#pragma once

#include <cstdint>
#include <optional>

#include "transport/ByteSink.h"
#include "transport/Settings.h"

namespace turbine {

// What the query awaits of the inverter: a good packet with the request's code or the one
// other code its request may be answered with, and, when a reply is required, reply flags.
struct ReplyRule {
    std::uint16_t code = 0;
    std::uint16_t alternativeCode = 0;
    bool requireReplyFlags = true;

    bool accepts(std::uint8_t flags, std::uint16_t code) const;
};

// The reply the parser accepted: its code and its first payload word.
struct AcceptedReply {
    std::uint16_t code = 0;
    std::int32_t word = 0;
};

// The top stage of the receive chain. It takes framed packets from the packet reassembler,
// un-stuffs the first one in the view, checks it and records its header. While a reply is
// awaited, the first good packet that the query's rule accepts is kept as the reply, with
// its word, so packets decoded after it cannot change what the query reads, and only that
// packet signals completion down the chain; otherwise every good packet does. Bad packets
// are reported on standard output.
class PacketParser final : public transport::ReceiveStage {
public:
    // A packet longer than this between its marks is dropped unread.
    static constexpr std::uint32_t kMaxPacketBytes = 4096;

    // Only settings.verbose is read: it selects the long form of the reports.
    explicit PacketParser(const transport::Settings& settings) : settings_(settings) {}

    // Un-stuffs from the first start mark up to the first end mark and decodes there; the
    // rest of the view is left for the next call. Nothing carries over from an earlier call.
    void receive(transport::ByteView bytes) override;
    // Empties the buffer and forgets the code, the rule and the accepted reply, so an old
    // reply cannot pass for a new one; the other recorded fields stay.
    bool reset() override;
    bool ownedBySource() override { return false; }
    // Nothing lies above this stage.
    int notify(int value) override {
        (void)value;
        return 0;
    }

    // The header of the last good packet.
    std::uint32_t address() const { return address_; }
    std::uint8_t subaddress() const { return subaddress_; }
    std::uint8_t sequence() const { return sequence_; }
    std::uint8_t flags() const { return flags_; }
    std::uint16_t code() const { return code_; }

    // The bytes between the header and the check of the packet in the buffer; empty when
    // the buffer holds less than a whole packet.
    transport::ByteView replyPayload() const;

    // From now until the next reset, good packets are judged by the rule.
    void awaitReply(const ReplyRule& rule);
    const std::optional<AcceptedReply>& acceptedReply() const { return accepted_; }

private:
    void decode(transport::ByteView raw);
    // The first payload word of the good packet in the buffer; without payload the byte
    // after the header is taken for both halves.
    std::int32_t firstWord() const;
    void reportShort(transport::ByteView raw) const;
    void reportBadCheck(std::uint16_t computed, std::uint16_t received,
                        transport::ByteView raw) const;

    const transport::Settings settings_;
    std::uint32_t address_ = 0;
    std::uint8_t subaddress_ = 0;
    std::uint8_t sequence_ = 0;
    std::uint8_t flags_ = 0;
    std::uint16_t code_ = 0;
    std::optional<ReplyRule> rule_;
    std::optional<AcceptedReply> accepted_;
};

// " (count) ", then " xx," per byte with a line end after every 16th, then a line end.
void dumpPacket(transport::ByteView bytes);

}  // namespace turbine
