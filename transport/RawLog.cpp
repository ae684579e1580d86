#include "transport/RawLog.h"

#include <algorithm>

namespace transport {

void RawLog::receive(ByteView bytes) {
    // The buffer holds up to twice what is kept; once full, the kept tail moves to the
    // front. Each byte is so copied about twice, and the storage stops growing.
    const ByteView tail = bytes.length() < kKeptBytes
                              ? bytes
                              : ByteView(bytes.data() + bytes.length() - kKeptBytes, kKeptBytes);
    if (buffer_.length() + tail.length() > 2 * kKeptBytes) {
        const ByteView kept = log();
        buffer_.clear();
        buffer_.append(kept);  // moves within the same storage
    }
    buffer_.append(tail);
    deliver(bytes);
}

ByteView RawLog::log() const {
    const std::uint32_t length = std::min(buffer_.length(), kKeptBytes);
    return ByteView(buffer_.data() + buffer_.length() - length, length);
}

bool RawLog::reset() {
    buffer_.clear();
    return resetCurrent();
}

}  // namespace transport
