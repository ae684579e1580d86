#pragma once

#include <cstdint>
#include <deque>
#include <limits>
#include <mutex>
#include <string>
#include <vector>

#include "transport/ByteBuffer.h"
#include "transport/Clock.h"
#include "transport/Driver.h"

namespace transport {

// Bytes travelling from the device to the tool, each chunk arriving at its time on the
// clock. Safe to use from any thread.
class DeviceLine {
public:
    // The bytes arrive at atMs; chunks due at the same time arrive in the order scheduled.
    void schedule(std::int64_t atMs, ByteView bytes);
    // Bytes scheduled and not yet read, whether due or not.
    std::size_t pendingBytes() const;
    void clear();
    // Each chunk as what one read returns, as when a recording is played back: a read ends
    // as soon as a chunk is due and takes from that chunk alone, so reads split the bytes
    // where the recorded reads did.
    void setChunkPerRead(bool on);

    // Moves up to max bytes that have arrived by nowMs into out; answers the count.
    std::uint32_t take(std::int64_t nowMs, std::uint8_t* out, std::uint32_t max);
    // The time by which count bytes will have arrived, as the line is scheduled now;
    // -1 when they never will.
    std::int64_t timeWhenAvailable(std::uint32_t count) const;
    // Forgets the bytes due before atMs that have not been read.
    void dropBefore(std::int64_t atMs);

private:
    struct Chunk {
        std::int64_t atMs;
        std::vector<std::uint8_t> bytes;
        std::size_t taken;
    };
    mutable std::mutex mutex_;
    std::deque<Chunk> chunks_;  // ordered by arrival time
    bool chunkPerRead_ = false;
};

// What stands at the far end of the line: the radio module and whatever it reaches.
class DevicePeer {
public:
    virtual ~DevicePeer() = default;
    // Bytes the tool wrote at nowMs; the peer answers by scheduling bytes on the line.
    virtual void onWrite(ByteView bytes, std::int64_t nowMs, DeviceLine& line) = 0;
    // Before each read, which may last until untilMs: a peer that sends unasked schedules
    // what it has sent by then.
    virtual void onTime(std::int64_t untilMs, DeviceLine& line) {
        (void)untilMs;
        (void)line;
    }
    // The device was opened at nowMs.
    virtual void onOpen(std::int64_t nowMs, DeviceLine& line) {
        (void)nowMs;
        (void)line;
    }
    // Bytes the tool tried to write at nowMs while the device failed: they never reached the
    // far end, but a peer that checks what the tool writes still sees them.
    virtual void onLostWrite(ByteView bytes, std::int64_t nowMs) {
        (void)bytes;
        (void)nowMs;
    }
};

enum class DeviceFault { Open, BaudRate, DataCharacteristics, FlowControl, Read, Write };

struct WriteRecord {
    std::int64_t atMs;
    std::vector<std::uint8_t> bytes;
};

struct ReadRecord {
    std::int64_t atMs;        // when the read began
    std::int64_t endMs;       // when it returned
    std::uint32_t timeoutMs;  // the read time-out in force
    std::uint32_t wanted;
    std::uint32_t got;
    DriverError status;
};

// A USB serial device in the process: reads wait on the given clock (in virtual time they
// move it on instead of sleeping), writes go to the peer, and faults come on demand.
// Configuration and the records may be used from another thread while a worker reads:
// every field is under one mutex, which is never held while the clock sleeps or while the
// peer runs, so a peer may call back into the device.
class SimulatedDevice final : public Driver {
public:
    explicit SimulatedDevice(Clock& clock);

    void setPeer(DevicePeer* peer);
    // The index this device answers to, 0 unless set; an open of another index finds no
    // such device.
    void setDeviceIndex(int index);
    DeviceLine& line() { return line_; }

    void setFault(DeviceFault fault, bool on = true);
    // What the open answers while the Open fault is on; an input/output error unless set.
    void setOpenError(DriverError error);
    // From atMs on the device is gone: open, reads and writes fail at once, and nothing
    // scheduled arrives any more. A read in progress fails when the moment comes.
    void vanishAt(std::int64_t atMs);
    // From atMs on, after vanishAt, the device is plugged in again: it opens, and works once
    // opened again. The handle from before it vanished stays dead until then, as the
    // system's does, and what arrived while it was gone is lost. The peer behind it goes on
    // as it was.
    void returnAt(std::int64_t atMs);

    bool isOpen() const;
    std::uint32_t readTimeoutMs() const;
    std::vector<WriteRecord> writes() const;
    std::vector<ReadRecord> reads() const;
    // Every call other than read and write, e.g. "open 0", "baud 115200", "data 8 0 0",
    // "flow 0 0 0", "timeouts 200 0", "close".
    std::vector<std::string> calls() const;
    void clearRecords();
    // Records are kept from the start; a long demonstration run can do without them.
    void setRecording(bool on);

    DriverError open(int deviceIndex, DeviceHandle* handle) override;
    DriverError close(DeviceHandle handle) override;
    DriverError read(DeviceHandle handle, void* buffer, std::uint32_t wanted,
                     std::uint32_t* got) override;
    DriverError write(DeviceHandle handle, const void* buffer, std::uint32_t count,
                      std::uint32_t* written) override;
    DriverError setBaudRate(DeviceHandle handle, std::uint32_t baud) override;
    DriverError setDataCharacteristics(DeviceHandle handle, std::uint8_t wordLength,
                                       std::uint8_t stopBits, std::uint8_t parity) override;
    DriverError setFlowControl(DeviceHandle handle, std::uint16_t flow, std::uint8_t xon,
                               std::uint8_t xoff) override;
    DriverError setTimeouts(DeviceHandle handle, std::uint32_t readMs,
                            std::uint32_t writeMs) override;

private:
    static constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();

    // Answers the status a configuration call gets, recording the call. Locked by caller.
    DriverError configure(DeviceHandle handle, DeviceFault fault, std::string call);
    bool usable(DeviceHandle handle, std::int64_t nowMs) const;
    bool present(std::int64_t nowMs) const { return nowMs < vanishAtMs_ || nowMs >= returnAtMs_; }
    // When the open handle dies: at the vanishing, unless it was opened after the return.
    std::int64_t handleDiesAt() const { return openedAtMs_ < returnAtMs_ ? vanishAtMs_ : kNever; }
    bool faulty(DeviceFault fault) const;
    void recordCall(std::string call);

    Clock& clock_;
    DeviceLine line_;
    mutable std::mutex mutex_;
    DevicePeer* peer_ = nullptr;
    int deviceIndex_ = 0;
    unsigned faults_ = 0;  // one bit per DeviceFault
    DriverError openError_{DriverError::Cause::IoError, 0, {}};
    std::int64_t vanishAtMs_ = kNever;
    std::int64_t returnAtMs_ = kNever;
    std::int64_t openedAtMs_ = 0;
    bool open_ = false;
    std::uint32_t readTimeoutMs_ = 0;
    bool recording_ = true;
    std::vector<WriteRecord> writes_;
    std::vector<ReadRecord> reads_;
    std::vector<std::string> calls_;
};

}  // namespace transport
