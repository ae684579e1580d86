#pragma once

#include <cstdint>

#include "transport/ByteBuffer.h"

namespace sim {

// Where the field's answers go: each frame's data, to reach the tool at a given time.
class FrameOutbox {
public:
    virtual ~FrameOutbox() = default;
    virtual void sendFrame(std::int64_t atMs, transport::ByteView frameData,
                           bool corruptChecksum) = 0;
};

}  // namespace sim
