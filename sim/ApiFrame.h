#pragma once

#include <cstdint>
#include <functional>

#include "transport/ByteBuffer.h"

namespace sim {

// The radio module's API frames, as the field sees them: 0x7E, a length of the frame data
// most significant byte first, the frame data (type first), then 0xFF minus its byte sum.
inline constexpr std::uint8_t kApiStartByte = 0x7E;
inline constexpr std::uint32_t kApiHeaderSize = 3;  // start byte and two length bytes

std::uint8_t apiChecksum(transport::ByteView frameData);

// Whether two command letters are these lower-case ones; the module takes either case.
bool isCommand(transport::ByteView letters, const char* lowerCase);

// Appends a whole frame around frameData; with corruptChecksum the checksum byte is wrong.
void appendApiFrame(transport::ByteBuffer& out, transport::ByteView frameData,
                    bool corruptChecksum = false);

// Finds the frames in what the tool writes: bytes outside frames are skipped, frames with a
// wrong checksum are counted and dropped, as the module itself would. Gives the same
// frames fed byte by byte or in one piece.
class ApiFrameReader {
public:
    using FrameHandler = std::function<void(transport::ByteView frameData)>;
    // A frame as it stood on the line, start byte to checksum, whether its checksum is right
    // or not; a header announcing no frame data comes as its three bytes.
    using WireHandler = std::function<void(transport::ByteView frame)>;

    explicit ApiFrameReader(FrameHandler onFrame, WireHandler onWire = {})
        : onFrame_(std::move(onFrame)), onWire_(std::move(onWire)) {}

    void feed(transport::ByteView bytes);
    std::uint32_t badFrames() const { return badFrames_; }
    // The frame begun and not yet whole; empty while hunting for a start byte.
    transport::ByteView pending() const { return frame_.view(); }

private:
    void finishFrame();

    FrameHandler onFrame_;
    WireHandler onWire_;
    transport::ByteBuffer frame_;  // from the start byte on; empty while hunting
    std::uint32_t badFrames_ = 0;
};

}  // namespace sim
