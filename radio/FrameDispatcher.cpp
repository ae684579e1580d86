#include "radio/FrameDispatcher.h"

#include <algorithm>

#include "radio/ApiFrame.h"
#include "radio/NodeRecord.h"

namespace radio {

using transport::ByteView;

namespace {

// Frame-data offset of the body: past the sender's addresses and receive options for packet
// data, past the responder's addresses for remote command responses.
std::uint32_t bodyOffset(std::uint8_t type) {
    switch (type) {
        case kReceivedPacket:
            return 9;
        case kRemoteCommandResponse:
            return 12;
        default:
            return hasFrameId(type) ? 2 : 1;
    }
}

// The packet data of a received packet starts at frame-data offset 12: three bytes into its
// body (network address and receive options).
constexpr std::uint32_t kPacketDataInBody = 3;

}  // namespace

void FrameDispatcher::receive(ByteView frameData) {
    if (frameData.empty()) return;
    frameType_ = frameData[0];
    frameId_ = hasFrameId(frameType_) && frameData.length() > 1 ? frameData[1] : 0;
    const std::uint32_t offset = std::min(bodyOffset(frameType_), frameData.length());
    buffer_.clear();
    buffer_.append(frameData.data() + offset, frameData.length() - offset);

    switch (frameType_) {
        case kReceivedPacket:
            // Accepted from any sender; the packet parser above decides what it is worth.
            if (buffer_.length() > kPacketDataInBody) {
                deliver(ByteView(buffer_.data() + kPacketDataInBody,
                                 buffer_.length() - kPacketDataInBody));
            }
            return;
        case kTransmitStatus:
            // Its status bytes decide nothing; only whether it was awaited.
            if (completeOnTransmitStatus_) {
                completeOnTransmitStatus_ = false;
                signalCompletion();
            }
            return;
        case kLocalCommandResponse:
            if (nodeSink_) readDiscoveryResponse(body(), *nodeSink_);
            break;
        case kNodeIdentification:
            if (nodeSink_) readNodeIdentification(body(), *nodeSink_);
            break;
        default:
            break;
    }
    signalCompletion();
}

bool FrameDispatcher::reset() {
    frameType_ = 0;
    frameId_ = 0;
    buffer_.clear();
    completeOnTransmitStatus_ = false;
    resetCurrent();
    return true;
}

}  // namespace radio
