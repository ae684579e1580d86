#pragma once

#include <cstdint>

#include "radio/NodeSink.h"
#include "transport/ByteSink.h"

namespace radio {

// Takes each checked frame apart by its type: keeps the body of the last frame for the
// command layer, hands node announcements to the node sink and received packet data to the
// next stage, and signals completion of the exchange in progress.
class FrameDispatcher final : public transport::ReceiveStage {
public:
    // frameData: one frame's data, type first, checksum excluded.
    void receive(transport::ByteView frameData) override;
    // Clears the last frame and the transmit status rule; the node sink stays.
    bool reset() override;
    bool ownedBySource() override { return false; }

    // The body of the last frame handled: for command responses the letters, the status and
    // the value bytes.
    transport::ByteView body() const { return buffer_.view(); }
    std::uint8_t frameType() const { return frameType_; }
    std::uint8_t frameId() const { return frameId_; }

    // The next transmit status frame, and only that one, completes the exchange.
    void setCompleteOnTransmitStatus() { completeOnTransmitStatus_ = true; }
    // Null stops the reading of node records.
    void setNodeSink(NodeSink* sink) { nodeSink_ = sink; }

private:
    void signalCompletion() { forwardNotify(1); }

    std::uint8_t frameType_ = 0;
    std::uint8_t frameId_ = 0;
    bool completeOnTransmitStatus_ = false;
    NodeSink* nodeSink_ = nullptr;
};

}  // namespace radio
