#pragma once

#include "radio/FrameCounts.h"
#include "transport/ByteSink.h"

namespace radio {

// Finds frames in the received byte stream, collects one at a time in its buffer and hands
// the frame data of each frame with a good checksum to the next stage.
//
// Its state is how many bytes the buffer holds: none while hunting for a start byte, one or
// two while reading the length, then the frame up to its checksum. A frame ends by its
// length, never by a pause, so the result is the same however the stream is cut into chunks.
// A length above kMaxReceivedFrameDataLength is no frame of the module's: it is dropped
// before anything is gathered for it, and the hunt goes on from the byte after its start.
class FrameAssembler final : public transport::ReceiveStage {
public:
    void receive(transport::ByteView bytes) override;
    // Drops the frame being collected. Its rest, once its length is known, is skipped as it
    // arrives: a start byte among its data must not open a frame whose length swallows the
    // answers that follow.
    bool reset() override;
    bool ownedBySource() override { return false; }
    // 2 drops the frame being collected; every notice then goes on down.
    int notify(int value) override;

    // What has reached the assembler so far; resets leave it alone.
    const FrameCounts& counts() const { return counts_; }

private:
    // Each takes what it needs from the reader's chunk.
    void hunt(transport::ByteReader& in);
    void readLength(transport::ByteReader& in);
    void readFrame(transport::ByteReader& in);
    void verifyAndDeliver();
    // The length read is too long for any frame: hunt again in the two length bytes.
    void dropFalseStart();

    std::uint32_t frameDataLength() const;

    std::uint32_t skipping_ = 0;  // bytes left of a frame cut by a reset
    FrameCounts counts_;
};

}  // namespace radio
