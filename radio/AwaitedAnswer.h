#pragma once

#include <array>
#include <cstdint>

#include "radio/NodeAddress.h"
#include "transport/ByteBuffer.h"

namespace radio {

// What the exchange in progress waits for. The frame dispatcher ends a wait only on this
// answer, so another node's response, a modem status or a late answer to an earlier request
// cannot pass for it.
class AwaitedAnswer {
public:
    // Nothing asked for, as in the worker's idle waits: no frame answers it.
    AwaitedAnswer() = default;

    // A local command response with the request's frame id, echoing its letters (the first
    // two bytes of command).
    static AwaitedAnswer localResponse(std::uint8_t frameId, transport::ByteView command);
    // A remote command response with the request's frame id and letters, from the node the
    // request went to: its 64-bit address decides, not its network address.
    static AwaitedAnswer remoteResponse(std::uint8_t frameId, transport::ByteView command,
                                        NodeId node);
    // The transmit status of the transmit request with this frame id.
    static AwaitedAnswer transmitStatus(std::uint8_t frameId);
    // A reply carried in packet data: the packet stages above judge it and signal its
    // completion, so no frame answers it here.
    static AwaitedAnswer packetReply();

    bool asksNothing() const { return kind_ == Kind::Nothing; }
    bool isPacketReply() const { return kind_ == Kind::PacketReply; }

    // frameData: one whole frame, type first, checksum excluded.
    bool isAnsweredBy(transport::ByteView frameData) const;

private:
    enum class Kind : std::uint8_t {
        Nothing,
        LocalResponse,
        RemoteResponse,
        TransmitStatus,
        PacketReply
    };

    AwaitedAnswer(Kind kind, std::uint8_t frameId) : kind_(kind), frameId_(frameId) {}
    void setLetters(transport::ByteView command);

    Kind kind_ = Kind::Nothing;
    std::uint8_t frameId_ = 0;
    std::array<std::uint8_t, 2> letters_{};
    bool hasLetters_ = false;
    NodeId node_ = 0;
};

// Frame-data offset of the body a frame of this type carries: past the type and the frame
// id, if it has one; past the responder's addresses too for a remote command response.
std::uint32_t bodyOffset(std::uint8_t type);

}  // namespace radio
