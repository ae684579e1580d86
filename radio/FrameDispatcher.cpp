#include "radio/FrameDispatcher.h"

#include <algorithm>

#include "radio/ApiFrame.h"
#include "radio/NodeRecord.h"

namespace radio {

using transport::ByteView;

namespace {

// The fields of a frame of this type, from bodyOffset on; empty when it ends before them.
ByteView fieldsOf(ByteView frameData) {
    const std::uint32_t offset = std::min(bodyOffset(frameData[0]), frameData.length());
    return ByteView(frameData.data() + offset, frameData.length() - offset);
}

}  // namespace

void FrameDispatcher::receive(ByteView frameData) {
    if (frameData.empty()) return;
    frameType_ = frameData[0];
    frameId_ = hasFrameId(frameType_) && frameData.length() > 1 ? frameData[1] : 0;

    switch (frameType_) {
        case kReceivedPacket:
            forwardPacketData(frameData);
            return;
        case kLocalCommandResponse:
            // Discovery answers reach the sink whenever they come, a late one after discovery
            // has ended too; whether one also answers the exchange is decided below.
            if (nodeSink_) readDiscoveryResponse(fieldsOf(frameData), *nodeSink_);
            break;
        case kNodeIdentification:
            if (nodeSink_) readNodeIdentification(fieldsOf(frameData), *nodeSink_);
            // An announcement answers no request. It ends a wait only when nothing else is
            // awaited: an idle wait is there to let the turbine's radio report itself.
            if (awaitsOnlyAnnouncements()) signalCompletion();
            return;
        default:
            break;
    }
    if (answered_ || !awaited_.isAnsweredBy(frameData)) return;
    keepAnswer(frameData);
    signalCompletion();
}

void FrameDispatcher::forwardPacketData(ByteView frameData) {
    if (frameData.length() <= kPacketDataOffset) return;
    // Other nodes' inverters answer their own controllers; their packets must not reach the
    // parser, where a well-formed one would pass for the turbine's reply.
    if (!packetSender_ || !isNode(nodeOf(*packetSender_), frameData.data() + kPacketSenderOffset))
        return;
    deliver(ByteView(frameData.data() + kPacketDataOffset, frameData.length() - kPacketDataOffset));
}

void FrameDispatcher::keepAnswer(ByteView frameData) {
    answered_ = true;
    buffer_.clear();
    buffer_.append(fieldsOf(frameData));
}

int FrameDispatcher::notify(int value) {
    if (value == 1 && !awaited_.isPacketReply()) return 0;
    return forwardNotify(value);
}

void FrameDispatcher::await(const AwaitedAnswer& answer) {
    awaited_ = answer;
    answered_ = false;
    buffer_.clear();
}

bool FrameDispatcher::reset() {
    frameType_ = 0;
    frameId_ = 0;
    await(AwaitedAnswer());
    resetCurrent();
    return true;
}

}  // namespace radio
