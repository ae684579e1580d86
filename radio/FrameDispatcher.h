#pragma once

#include <cstdint>

#include "radio/AwaitedAnswer.h"
#include "radio/NodeAddress.h"
#include "radio/NodeSink.h"
#include "transport/ByteSink.h"

namespace radio {

// Takes each checked frame apart by its type: hands node announcements to the node sink and
// the packet data of the node being worked on to the next stage, and ends the wait of the
// exchange in progress when the answer it awaits arrives, keeping that answer's body for the
// command layer. Any node in reach can send any frame, so nothing else ends a wait or
// replaces the kept body.
class FrameDispatcher final : public transport::ReceiveStage {
public:
    // frameData: one frame's data, type first, checksum excluded.
    void receive(transport::ByteView frameData) override;
    // Forgets the answer awaited and its body; the node sink and the packet sender stay.
    bool reset() override;
    bool ownedBySource() override { return false; }
    // A completion from the packet stages above counts only while a packet reply is awaited.
    int notify(int value) override;

    // The exchange states what it waits for once the chain is reset, before it writes.
    // Once that answer is in, later frames are taken as if nothing had been asked.
    void await(const AwaitedAnswer& answer);

    // The body of the awaited answer, once it has arrived: for command responses the
    // letters, the status and the value bytes. Empty until then.
    transport::ByteView body() const { return buffer_.view(); }
    // The type and frame id of the last frame handled, whatever it was.
    std::uint8_t frameType() const { return frameType_; }
    std::uint8_t frameId() const { return frameId_; }

    // Null stops the reading of node records.
    void setNodeSink(NodeSink* sink) { nodeSink_ = sink; }
    // Packet data is taken only from the node at sender, read at each frame so that it follows
    // the encoder's destination as the worker changes it. Null, or an address not yet set,
    // takes none. Not owned.
    void setPacketSender(const NodeAddress* sender) { packetSender_ = sender; }

private:
    void forwardPacketData(transport::ByteView frameData);
    void keepAnswer(transport::ByteView frameData);
    bool awaitsOnlyAnnouncements() const { return awaited_.asksNothing() || answered_; }
    void signalCompletion() { forwardNotify(1); }

    std::uint8_t frameType_ = 0;
    std::uint8_t frameId_ = 0;
    AwaitedAnswer awaited_;
    bool answered_ = false;
    NodeSink* nodeSink_ = nullptr;
    const NodeAddress* packetSender_ = nullptr;
};

}  // namespace radio
