#include "radio/AwaitedAnswer.h"

#include "radio/ApiFrame.h"
#include "radio/CommandResponse.h"

namespace radio {

using transport::ByteView;

std::uint32_t bodyOffset(std::uint8_t type) {
    if (type == kRemoteCommandResponse) return kRemoteResponseBodyOffset;
    return hasFrameId(type) ? 2 : 1;
}

AwaitedAnswer AwaitedAnswer::localResponse(std::uint8_t frameId, ByteView command) {
    AwaitedAnswer answer(Kind::LocalResponse, frameId);
    answer.setLetters(command);
    return answer;
}

AwaitedAnswer AwaitedAnswer::remoteResponse(std::uint8_t frameId, ByteView command, NodeId node) {
    AwaitedAnswer answer(Kind::RemoteResponse, frameId);
    answer.setLetters(command);
    answer.node_ = node;
    return answer;
}

AwaitedAnswer AwaitedAnswer::transmitStatus(std::uint8_t frameId) {
    return AwaitedAnswer(Kind::TransmitStatus, frameId);
}

AwaitedAnswer AwaitedAnswer::packetReply() { return AwaitedAnswer(Kind::PacketReply, 0); }

void AwaitedAnswer::setLetters(ByteView command) {
    hasLetters_ = command.length() >= 2;
    if (hasLetters_) letters_ = {command[0], command[1]};
}

bool AwaitedAnswer::isAnsweredBy(ByteView frameData) const {
    if (frameData.length() < 2 || frameData[1] != frameId_) return false;
    const std::uint8_t type = frameData[0];
    const std::uint32_t offset = bodyOffset(type);
    const ByteView body = frameData.length() > offset
                              ? ByteView(frameData.data() + offset, frameData.length() - offset)
                              : ByteView();
    const ByteView letters = hasLetters_ ? ByteView(letters_.data(), 2) : ByteView();
    switch (kind_) {
        case Kind::LocalResponse:
            return type == kLocalCommandResponse && echoesCommand(body, letters);
        case Kind::RemoteResponse:
            return type == kRemoteCommandResponse && frameData.length() >= offset &&
                   isNode(node_, frameData.data() + kResponderOffset) &&
                   echoesCommand(body, letters);
        case Kind::TransmitStatus:
            return type == kTransmitStatus;
        case Kind::Nothing:
        case Kind::PacketReply:
            break;
    }
    return false;
}

}  // namespace radio
