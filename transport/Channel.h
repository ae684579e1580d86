#pragma once

#include "transport/ByteBuffer.h"

namespace transport {

// A byte channel. Its defaults work on a C-runtime file descriptor; the port replaces
// read and write with the device's own.
class Channel : public RootObject {
public:
    // Reads once and hands what arrived up the receive chain: 0 when data was delivered,
    // 1 when the read brought nothing, negative on a read failure.
    virtual int pump() = 0;
    virtual void close();
    virtual int read(void* buffer, int count);
    virtual int write(const void* buffer, int count);
    int write(ByteView bytes) { return write(bytes.data(), static_cast<int>(bytes.length())); }

    bool isOpen() const { return open_; }
    int descriptor() const { return descriptor_; }

protected:
    bool open_ = false;
    int descriptor_ = 0;
};

}  // namespace transport
