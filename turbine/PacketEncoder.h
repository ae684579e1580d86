#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <span>

#include "transport/ByteBuffer.h"

namespace turbine {

// Composes the packets the program sends and frames them for the wire. It also holds
// packetSequence, the sequence number the next composed packet receives.
class PacketEncoder {
public:
    // Empties the packet and lays out the header (flags 00, reserved 0) and the words.
    // Only the low 24 bits of address and the low 6 of sequence are used.
    void compose(std::uint16_t code, std::uint8_t subaddress, std::uint32_t sequence,
                 std::uint32_t address, std::span<const std::uint16_t> words);
    void compose(std::uint16_t code, std::uint8_t subaddress, std::uint32_t sequence,
                 std::uint32_t address, std::initializer_list<std::uint16_t> words) {
        compose(code, subaddress, sequence, address, std::span(words.begin(), words.size()));
    }

    // Frames the composed packet with its check. The packet is left as it was, so this can
    // be repeated; the view stays valid until the next encode.
    transport::ByteView encode();

    // Gives the composed packet the next sequence number (modulo 64) and advances
    // packetSequence; the packet must be encoded again afterwards.
    void nextAttempt();

    transport::ByteView packet() const { return packet_.view(); }
    transport::ByteView framed() const { return framed_.view(); }
    // The code field of the composed packet; 0 when nothing is composed.
    std::uint16_t code() const;

    std::uint32_t packetSequence() const { return packetSequence_; }
    void setPacketSequence(std::uint32_t sequence) { packetSequence_ = sequence; }

    // A spinning character on the trace sink for every retry; off unless switched on.
    bool showProgress() const { return showProgress_; }
    void setShowProgress(bool on) { showProgress_ = on; }

private:
    void appendStuffed(std::uint8_t byte);

    transport::ByteBuffer packet_;
    transport::ByteBuffer framed_;
    bool showProgress_ = false;
    std::uint8_t progressPosition_ = 0;
    std::uint32_t packetSequence_ = 1;
};

}  // namespace turbine
