#pragma once

#include <cstdint>

#include "transport/ByteSink.h"
#include "transport/Channel.h"
#include "transport/Clock.h"
#include "transport/Driver.h"

namespace transport {

// A channel whose reads wait at most a settable time.
class TimedChannel : public virtual Channel {
public:
    // Answers 0, or -1 when the driver failed; callers ignore it.
    virtual int setReadTimeout(int ms) = 0;
};

// A channel on an open driver device; closes the device when destroyed.
class FtdiChannel : public virtual Channel {
public:
    FtdiChannel(Driver& driver, Clock& clock, DeviceHandle handle);
    ~FtdiChannel() override;

    // One driver read of up to count bytes: the count read, 0 when the read time-out passed
    // without data, -1 when the driver failed. A failure, like an empty read, takes the whole
    // read time-out on the clock: a device that was pulled out fails at once, and a caller
    // polling it must not spin.
    int read(void* buffer, int count) override;
    // One driver write: the count written or -1.
    int write(const void* buffer, int count) override;
    using Channel::write;

    DeviceHandle handle() const { return handle_; }
    // The clock the reads wait on.
    Clock& clock() const { return clock_; }

protected:
    Driver& driver_;
    Clock& clock_;
    DeviceHandle handle_;
    std::uint32_t readTimeoutMs_ = 0;
};

// The bottom of the receive chain: reads the channel and hands each chunk up; holds the
// completion flag that the stages above set through notify.
class PortReader : public CompletionFlag, public ByteSource, public virtual Channel {
public:
    static constexpr int kPumpBytes = 512;

    // One read of up to 512 bytes, delivered up the chain on the caller's thread: 0 when
    // data was delivered, 1 when the read brought none, the read's negative result on failure.
    int pump() override;
    void receive(ByteView bytes) override { deliver(bytes); }
};

// The USB serial port: one channel and one sink. Destroying it closes the device.
class FtdiPort final : public TimedChannel, public FtdiChannel, public PortReader {
public:
    FtdiPort(Driver& driver, Clock& clock, DeviceHandle handle);

    int setReadTimeout(int ms) override;
};

}  // namespace transport
