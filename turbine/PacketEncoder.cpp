#include "turbine/PacketEncoder.h"

#include "transport/TraceSink.h"
#include "turbine/PacketCheck.h"
#include "turbine/TurbinePacket.h"

namespace turbine {

using namespace packet;

namespace {
constexpr char kProgressCharacters[] = "/-\\|";
constexpr std::uint8_t kProgressSteps = 4;
}  // namespace

void PacketEncoder::compose(std::uint16_t code, std::uint8_t subaddress, std::uint32_t sequence,
                            std::uint32_t address, std::span<const std::uint16_t> words) {
    packet_.clear();
    packet_.append(static_cast<std::uint8_t>(address));
    packet_.append(static_cast<std::uint8_t>(address >> 8));
    packet_.append(static_cast<std::uint8_t>(address >> 16));
    packet_.append(subaddress);
    packet_.append(static_cast<std::uint8_t>(sequence % kSequenceModulus));
    packet_.append(static_cast<std::uint8_t>(code));
    packet_.append(static_cast<std::uint8_t>(code >> 8));
    packet_.append(std::uint8_t{0});  // reserved
    packet_.append(std::uint8_t{0});
    for (std::uint16_t word : words) {
        packet_.append(static_cast<std::uint8_t>(word));
        packet_.append(static_cast<std::uint8_t>(word >> 8));
    }
}

void PacketEncoder::appendStuffed(std::uint8_t byte) {
    framed_.append(byte);
    if (byte == kDle) framed_.append(kDle);
}

transport::ByteView PacketEncoder::encode() {
    const std::uint16_t check = packetCheck(packet_.view());
    framed_.clear();
    framed_.append(kDle);
    framed_.append(kStartMark);
    for (std::uint8_t byte : packet_) appendStuffed(byte);
    appendStuffed(static_cast<std::uint8_t>(check));
    appendStuffed(static_cast<std::uint8_t>(check >> 8));
    framed_.append(kDle);
    framed_.append(kEndMark);
    return framed_.view();
}

void PacketEncoder::nextAttempt() {
    if (packet_.length() > kSequenceOffset) {
        const auto next =
            static_cast<std::uint8_t>((packet_[kSequenceOffset] + 1u) % kSequenceModulus);
        packet_.put(kSequenceOffset, next);
    }
    ++packetSequence_;
    if (showProgress_) {
        transport::traceSink().print("%c\b", kProgressCharacters[progressPosition_]);
        progressPosition_ = static_cast<std::uint8_t>((progressPosition_ + 1) % kProgressSteps);
    }
}

std::uint16_t PacketEncoder::code() const {
    if (packet_.length() < kCodeOffset + 2) return 0;
    return static_cast<std::uint16_t>(packet_[kCodeOffset] | (packet_[kCodeOffset + 1] << 8));
}

}  // namespace turbine
