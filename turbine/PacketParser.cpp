#include "turbine/PacketParser.h"

#include "transport/TraceSink.h"
#include "turbine/PacketCheck.h"
#include "turbine/TurbinePacket.h"

namespace turbine {

using namespace packet;

namespace {
constexpr std::uint32_t kDumpBytesPerLine = 16;
}

void dumpPacket(transport::ByteView bytes) {
    transport::traceSink().print(" (%d) ", static_cast<int>(bytes.length()));
    std::uint32_t count = 0;
    for (std::uint8_t byte : bytes) {
        transport::traceSink().print(" %02x,", byte);
        if (++count % kDumpBytesPerLine == 0) transport::traceSink().print("\n");
    }
    transport::traceSink().print("\n");
}

bool ReplyRule::accepts(std::uint8_t flags, std::uint16_t replyCode) const {
    return (!requireReplyFlags || flags == kReplyFlags) &&
           (replyCode == code || replyCode == alternativeCode);
}

void PacketParser::receive(transport::ByteView bytes) {
    buffer_.clear();
    bool inPacket = false;
    bool escaped = false;
    for (std::uint8_t byte : bytes) {
        if (inPacket && buffer_.length() >= kMaxPacketBytes) {
            buffer_.clear();
            inPacket = false;
        }
        if (!escaped) {
            if (byte == kDle) {
                escaped = true;
            } else if (inPacket) {
                buffer_.append(byte);
            }
            continue;
        }
        switch (byte) {
            case kStartMark:
            case kAltStartMark:
                // A start mark inside a packet abandons what was gathered.
                buffer_.clear();
                inPacket = true;
                escaped = false;
                break;
            case kEndMark:
                decode(bytes);
                return;
            case kDle:
                // Outside a packet a doubled DLE is dropped and the escape stays armed.
                if (inPacket) {
                    buffer_.append(kDle);
                    escaped = false;
                }
                break;
            default:
                escaped = false;
                break;
        }
    }
}

bool PacketParser::reset() {
    buffer_.clear();
    code_ = 0;
    rule_.reset();
    accepted_.reset();
    return true;
}

void PacketParser::awaitReply(const ReplyRule& rule) {
    rule_ = rule;
    accepted_.reset();
}

void PacketParser::decode(transport::ByteView raw) {
    const std::uint32_t length = buffer_.length();
    if (length < kMinimumLength) {
        reportShort(raw);
        return;
    }
    const std::uint32_t checked = length - kCheckLength;
    const std::uint16_t computed = packetCheck(transport::ByteView(buffer_.data(), checked));
    const auto received =
        static_cast<std::uint16_t>(buffer_[checked] | (buffer_[checked + 1] << 8));
    if (computed != received) {
        reportBadCheck(computed, received, raw);
        return;
    }
    const std::uint8_t flags = buffer_[kSequenceOffset] & kFlagsMask;
    const auto code =
        static_cast<std::uint16_t>(buffer_[kCodeOffset] | (buffer_[kCodeOffset + 1] << 8));
    // A packet the rule refuses is recorded and ends nothing: the reply may be right behind
    // it, and a wait ended here would be followed by a reset that throws that reply away.
    const bool accepts = rule_ && !accepted_ && rule_->accepts(flags, code);
    // The wait ends on this notice; the header is recorded right after, in the same call.
    if (!rule_ || accepts) forwardNotify(1);
    address_ = buffer_[kAddressOffset] | (buffer_[kAddressOffset + 1] << 8) |
               (buffer_[kAddressOffset + 2] << 16);
    subaddress_ = buffer_[kSubaddressOffset];
    sequence_ = buffer_[kSequenceOffset] & kSequenceMask;
    flags_ = flags;
    code_ = code;
    if (accepts) accepted_ = AcceptedReply{code_, firstWord()};
}

std::int32_t PacketParser::firstWord() const {
    const std::uint32_t low = buffer_[kHeaderLength];
    const std::uint32_t high = replyPayload().empty() ? low : buffer_[kHeaderLength + 1];
    return static_cast<std::int32_t>(low + 256 * high);
}

void PacketParser::reportShort(transport::ByteView raw) const {
    if (!settings_.verbose) {
        transport::traceSink().print("~ ");
        return;
    }
    transport::traceSink().print("Short packet:  ");
    dumpPacket(buffer_.view());
    transport::traceSink().print("From raw: ");
    dumpPacket(raw);
}

void PacketParser::reportBadCheck(std::uint16_t computed, std::uint16_t received,
                                  transport::ByteView raw) const {
    if (!settings_.verbose) {
        transport::traceSink().print("x ");
        return;
    }
    transport::traceSink().print("Failed crc: %04x vs %04x [r] \n", computed, received);
    dumpPacket(buffer_.view());
    // The running check after each byte, to see where a corruption entered.
    std::uint16_t reg = 0;
    for (std::uint32_t i = 0; i + kCheckLength < buffer_.length(); ++i) {
        reg = crc16Update(reg, buffer_[i]);
        transport::traceSink().print(" . %02x: %04x\n", buffer_[i],
                                     static_cast<unsigned>(reverseBits(reg, 16)));
    }
    transport::traceSink().print(".\n");
    transport::traceSink().print("From raw: ");
    dumpPacket(raw);
}

transport::ByteView PacketParser::replyPayload() const {
    if (buffer_.length() < kMinimumLength) return {};
    return transport::ByteView(buffer_.data() + kHeaderLength, buffer_.length() - kMinimumLength);
}

}  // namespace turbine
