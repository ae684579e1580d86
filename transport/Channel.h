#pragma once

#include "transport/ByteBuffer.h"

namespace transport {

// A byte channel. It has no reads or writes of its own: the port supplies the device's,
// so nothing can fall back on a file descriptor the channel never opened.
class Channel : public RootObject {
public:
    // Reads once and hands what arrived up the receive chain: 0 when data was delivered,
    // 1 when the read brought nothing, negative on a read failure.
    virtual int pump() = 0;
    virtual int read(void* buffer, int count) = 0;
    virtual int write(const void* buffer, int count) = 0;
    int write(ByteView bytes) { return write(bytes.data(), static_cast<int>(bytes.length())); }

    bool isOpen() const { return open_; }

protected:
    bool open_ = false;
};

}  // namespace transport
