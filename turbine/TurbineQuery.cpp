#include "turbine/TurbineQuery.h"

#include "radio/ApiFrame.h"
#include "radio/AwaitedAnswer.h"
#include "radio/CommandLink.h"
#include "transport/Settings.h"
#include "transport/TraceSink.h"
#include "turbine/TurbinePacket.h"

namespace turbine {

namespace {

// The frame ids of transmit requests run through 32 multiples of 4, from 16 to 140. A packet
// of up to four frames numbers them f to f + 3, so no two calls share an id, and none is 0
// (which asks the module for no transmit status) or an id of the command layer (1 and 3).
constexpr std::uint32_t kFrameIdCounters = 32;
std::uint8_t frameIdFor(std::uint32_t counter) {
    return static_cast<std::uint8_t>(((counter + 4) * 4) % 256);
}

// The inverter answers requests coded 0x0B14 with either that code or 0x0B12.
constexpr std::uint16_t kCodeWithTwoReplies = 0x0B14;
constexpr std::uint16_t kItsOtherReplyCode = 0x0B12;

// Filler form of the query header.
constexpr std::uint32_t kFillerAddress = 0xFFFFBB;
constexpr std::uint8_t kFillerSubaddress = 0xBB;
constexpr std::uint16_t kFillerWord = 0xBBBB;

// Each leading frame of a long packet is awaited on the radio's transmit status.
constexpr int kLeadingFrameWaitMs = 70;
// Without attempts nothing but the radio's transmit status is awaited.
constexpr int kTransmitStatusWaitMs = 250;

}  // namespace

TurbineQuery::TurbineQuery(radio::CommandLink& link, PacketEncoder& encoder, PacketParser& parser,
                           transport::Clock& clock)
    : link_(link), encoder_(encoder), parser_(parser), clock_(clock) {}

std::int32_t TurbineQuery::probeInverter(bool fillerHeader, bool zeroWord) {
    const std::uint32_t address = fillerHeader ? kFillerAddress : kQueryAddress;
    const std::uint8_t subaddress = fillerHeader ? kFillerSubaddress : kQuerySubaddress;
    const std::uint16_t word = zeroWord ? 0 : kFillerWord;
    const std::uint32_t sequence = encoder_.packetSequence();
    encoder_.setPacketSequence(sequence + 1);
    encoder_.compose(kProbeCode, subaddress, sequence, address, {word});
    if (!sendWithRetries(link_.defaultTimeout(), link_.settings().queryAttempts, true)) return 0;
    return replyWord(kProbeCode);
}

bool TurbineQuery::sendWithRetries(int timeoutMs, std::uint32_t attempts, bool requireReply) {
    if (link_.settings().traceMask & transport::kTraceQueryPacket) {
        transport::traceSink().dumpHex(encoder_.encode());
    }
    if (attempts == 0)
        return transact(encoder_.encode(), encoder_.code(), timeoutMs, 0, requireReply);
    beginTest(encoder_.code(), requireReply);
    for (std::uint32_t pass = 0; pass < attempts; ++pass) {
        // Each transmission carries its own sequence number, and so its own check.
        if (pass > 0) encoder_.nextAttempt();
        buildRequests(encoder_.encode());
        if (transmit(timeoutMs, pass > 0)) return true;
    }
    return false;
}

bool TurbineQuery::transact(transport::ByteView framed, std::uint16_t expectedCode, int timeoutMs,
                            std::uint32_t attempts, bool requireReply) {
    buildRequests(framed);
    transport::ByteView last;
    if (attempts == 0) {
        link_.beginExchange();
        if (!sendLeadingFrames(last)) return false;
        link_.dispatcher().await(radio::AwaitedAnswer::transmitStatus(frameIdOf(last)));
        return link_.sendFrameAndWait(last, kTransmitStatusWaitMs);
    }
    beginTest(expectedCode, requireReply);
    for (std::uint32_t pass = 0; pass < attempts; ++pass) {
        if (transmit(timeoutMs, pass > 0)) return true;
    }
    return false;
}

void TurbineQuery::buildRequests(transport::ByteView framed) {
    encoder_.setPacketSequence(encoder_.packetSequence() % packet::kSequenceModulus);
    const std::uint8_t frameId = frameIdFor(dataFrameCounter_);
    dataFrameCounter_ = (dataFrameCounter_ + 1) % kFrameIdCounters;
    radio::FrameEncoder& frames = link_.encoder();
    frames.buildAddressedFrames(radio::kTransmitRequest, frameId, framed);
    if (link_.settings().traceMask & transport::kTraceQueryFrames)
        transport::traceSink().dumpHex(frames.bytes());
}

void TurbineQuery::beginTest(std::uint16_t expectedCode, bool requireReply) {
    const std::uint16_t alternativeCode =
        expectedCode == kCodeWithTwoReplies ? kItsOtherReplyCode : expectedCode;
    // The reset forgets any reply to an earlier test; from here on every reply the rule
    // accepts counts.
    link_.beginExchange();
    parser_.awaitReply(ReplyRule{expectedCode, alternativeCode, requireReply});
}

bool TurbineQuery::transmit(int timeoutMs, bool afterAnother) {
    // The same drain as a new exchange, so transmissions go out when they always did, but
    // no reset: a reply to the transmission before, come in its pause or in this drain,
    // is the inverter answering and ends the test here.
    if (afterAnother) link_.continueExchange(radio::CommandLink::kBeginDrainMs);
    if (parser_.acceptedReply()) return true;
    transport::ByteView last;
    if (!sendLeadingFrames(last)) return false;
    link_.dispatcher().await(radio::AwaitedAnswer::packetReply());
    // Only an accepted reply ends the wait; packets the rule refuses are waited past.
    const bool complete = link_.sendFrameAndWait(last, timeoutMs);
    if (complete && (link_.settings().traceMask & transport::kTraceReplyPacket)) {
        transport::traceSink().dumpHex(parser_.buffer().view());
    }
    if (parser_.acceptedReply()) return true;
    // Nothing more goes out once stopped or once the port failed: no pause to sit out.
    if (link_.stopped() || link_.portFailed()) return false;
    clock_.sleepFor(kRetryPauseMs);
    return false;
}

std::uint8_t TurbineQuery::frameIdOf(transport::ByteView frame) {
    constexpr std::uint32_t kFrameIdAt = radio::kApiHeaderLength + 1;  // after the type
    return frame.length() > kFrameIdAt ? frame[kFrameIdAt] : 0;
}

bool TurbineQuery::sendLeadingFrames(transport::ByteView& last) {
    const transport::ByteView bytes = link_.encoder().bytes();
    std::uint32_t position = 0;
    for (;;) {
        const std::uint32_t left = bytes.length() - position;
        const transport::ByteView rest(bytes.data() + position, left);
        if (left < radio::kApiFrameOverhead) {
            last = rest;
            return true;
        }
        const std::uint32_t size =
            ((std::uint32_t{rest[1]} << 8) | rest[2]) + radio::kApiFrameOverhead;
        if (size >= left) {
            last = rest;
            return true;
        }
        link_.dispatcher().await(radio::AwaitedAnswer::transmitStatus(frameIdOf(rest)));
        if (!link_.sendFrameAndWait(transport::ByteView(rest.data(), size), kLeadingFrameWaitMs)) {
            return false;
        }
        // No reset: a reply to an earlier transmission may be arriving.
        link_.continueExchange(radio::CommandLink::kBeginDrainMs);
        position += size;
    }
}

std::int32_t TurbineQuery::replyWord(std::uint16_t expectedCode) const {
    const std::optional<AcceptedReply>& reply = parser_.acceptedReply();
    if (!reply || reply->code != expectedCode) return -1;
    return reply->word;
}

}  // namespace turbine
