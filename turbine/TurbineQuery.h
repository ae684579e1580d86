#pragma once

#include <cstdint>

#include "transport/ByteBuffer.h"
#include "transport/Clock.h"
#include "turbine/PacketEncoder.h"
#include "turbine/PacketParser.h"

namespace radio {
class CommandLink;
}

namespace turbine {

// The inverter query: the composed packet goes out in transmit request frames to the radio
// at the current node address, and the reply comes back up the receive chain to the
// packet parser, which records it. Holds dataFrameCounter, the source of the frame ids;
// packetSequence lives with the encoder, which advances it on every retry.
class TurbineQuery {
public:
    static constexpr std::uint16_t kProbeCode = 0x8108;
    static constexpr std::uint32_t kQueryAddress = 0;
    static constexpr std::uint8_t kQuerySubaddress = 10;
    // Pause after a transmission that got no completion at all.
    static constexpr int kRetryPauseMs = 100;

    TurbineQuery(radio::CommandLink& link, PacketEncoder& encoder, PacketParser& parser,
                 transport::Clock& clock);

    // Asks the inverter for one word with the default time-out and the configured number
    // of transmissions. Answers 0 when no accepted reply came, else the reply's first word.
    std::int32_t probeInverter(bool fillerHeader, bool zeroWord);

    // Sends the encoder's composed packet up to attempts times, each with a fresh sequence
    // number; 0 attempts sends once and waits only for the radio's transmit status.
    bool sendWithRetries(int timeoutMs, std::uint32_t attempts, bool requireReply);

    // One transmission of a framed packet per attempt (timeout 0: the default), until the
    // turbine's inverter answers with the reply's flags and code. A reply to any of the
    // transmissions counts, also one that comes after its own wait has run out. With 0
    // attempts: one transmission awaited on the radio's transmit status, no reply examined.
    bool transact(transport::ByteView framed, std::uint16_t expectedCode, int timeoutMs,
                  std::uint32_t attempts, bool requireReply);

    // The first payload word of the reply that the last transmission had accepted, when it
    // carries the expected code; -1 otherwise.
    std::int32_t replyWord(std::uint16_t expectedCode) const;

    std::uint32_t dataFrameCounter() const { return dataFrameCounter_; }
    void setDataFrameCounter(std::uint32_t counter) { dataFrameCounter_ = counter; }
    std::uint32_t packetSequence() const { return encoder_.packetSequence(); }
    void setPacketSequence(std::uint32_t sequence) { encoder_.setPacketSequence(sequence); }

private:
    // Builds the transmit requests that carry framed, with the next frame id.
    void buildRequests(transport::ByteView framed);
    // Resets the receive chain and sets the reply rule for the transmissions that follow.
    void beginTest(std::uint16_t expectedCode, bool requireReply);
    // One transmission of the built requests and its wait, then the pause when no reply
    // was accepted. afterAnother: a transmission of the same test went before, whose late
    // reply still counts. True once an accepted reply is in.
    bool transmit(int timeoutMs, bool afterAnother);
    // Sends every frame of the encoder's buffer but the last, each awaited on its transmit
    // status; answers false when one of those waits fails. last receives the final frame.
    bool sendLeadingFrames(transport::ByteView& last);
    // The frame id of a built frame; 0 for a frame too short to hold one.
    static std::uint8_t frameIdOf(transport::ByteView frame);

    radio::CommandLink& link_;
    PacketEncoder& encoder_;
    PacketParser& parser_;
    transport::Clock& clock_;
    std::uint32_t dataFrameCounter_ = 4;
};

}  // namespace turbine
