#include "radio/FrameAssembler.h"

#include <algorithm>
#include <cstring>

#include "radio/ApiFrame.h"
#include "transport/TraceSink.h"

namespace radio {

using transport::ByteReader;
using transport::ByteView;

FrameCounts FrameCounts::since(const FrameCounts& earlier) const {
    return {static_cast<std::uint32_t>(bytes - earlier.bytes),
            static_cast<std::uint32_t>(passed - earlier.passed),
            static_cast<std::uint32_t>(failed - earlier.failed)};
}

void FrameAssembler::receive(ByteView bytes) {
    counts_.bytes += bytes.length();
    ByteReader in(bytes);
    // A loop rather than a call per frame: a chunk may hold many frames and much noise.
    while (!in.atEnd()) {
        if (skipping_ > 0) {
            const std::uint32_t skipped = std::min(skipping_, in.rest().length());
            in.advance(skipped);
            skipping_ -= skipped;
        } else if (buffer_.empty()) {
            hunt(in);
        } else if (buffer_.length() < kApiHeaderLength) {
            readLength(in);
        } else {
            readFrame(in);
        }
    }
}

void FrameAssembler::hunt(ByteReader& in) {
    const ByteView rest = in.rest();
    const void* start = std::memchr(rest.data(), kApiStartByte, rest.length());
    if (!start) {
        in.advance(rest.length());
        return;
    }
    in.advance(static_cast<std::size_t>(static_cast<const std::uint8_t*>(start) - rest.data()));
    buffer_.append(in.next());
}

void FrameAssembler::readLength(ByteReader& in) {
    // Length bytes are taken as they come: a 0x7E here is part of the length.
    while (buffer_.length() < kApiHeaderLength && !in.atEnd()) buffer_.append(in.next());
    // A frame without even a type byte: drop the header and hunt on from the next byte,
    // rather than wait on a frame that needs nothing more than its checksum.
    if (buffer_.length() < kApiHeaderLength) return;
    if (frameDataLength() == 0) {
        buffer_.clear();
    } else if (frameDataLength() > kMaxReceivedFrameDataLength) {
        dropFalseStart();
    }
}

void FrameAssembler::dropFalseStart() {
    const std::uint8_t high = buffer_[1];
    const std::uint8_t low = buffer_[2];
    buffer_.clear();
    // Either length byte may be the true start; a start found here reads its length on.
    if (high == kApiStartByte) {
        buffer_.append(high);
        buffer_.append(low);
    } else if (low == kApiStartByte) {
        buffer_.append(low);
    }
}

void FrameAssembler::readFrame(ByteReader& in) {
    const std::uint32_t frameLength = frameDataLength() + kApiFrameOverhead;
    const ByteView rest = in.rest();
    const std::uint32_t take = std::min(frameLength - buffer_.length(), rest.length());
    buffer_.append(rest.data(), take);
    in.advance(take);
    if (buffer_.length() < frameLength) return;
    verifyAndDeliver();
    buffer_.clear();
}

void FrameAssembler::verifyAndDeliver() {
    const std::uint32_t length = frameDataLength();
    std::uint8_t sum = 0;
    for (std::uint32_t i = 0; i <= length; ++i) {
        sum = static_cast<std::uint8_t>(sum + buffer_[kApiHeaderLength + i]);
    }
    if (sum != kChecksumTotal) {
        ++counts_.failed;
        transport::traceSink().error("zb checksum failed.\n");
        return;
    }
    ++counts_.passed;
    deliver(ByteView(buffer_.data() + kApiHeaderLength, length));
}

std::uint32_t FrameAssembler::frameDataLength() const {
    return (std::uint32_t{buffer_[1]} << 8) | buffer_[2];
}

bool FrameAssembler::reset() {
    if (buffer_.length() >= kApiHeaderLength) {
        skipping_ = frameDataLength() + kApiFrameOverhead - buffer_.length();
    }
    buffer_.clear();
    resetCurrent();
    return true;
}

int FrameAssembler::notify(int value) {
    if (value == 2) buffer_.clear();
    return forwardNotify(value);
}

}  // namespace radio
