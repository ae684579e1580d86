#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "transport/ByteBuffer.h"
#include "transport/Clock.h"
#include "transport/Driver.h"

namespace testsupport {

// A device whose reads hand out the chunks queued on it, in order: each read brings the
// next chunk, or as much of it as was wanted, and takes the time those bytes need on a
// 115200-baud line. With nothing queued a read waits out its time-out on the clock and
// brings nothing. Reads allocate nothing. Writes are taken and forgotten.
class ChunkDriver final : public transport::Driver {
public:
    // Ten bits to the byte.
    static constexpr std::int64_t kLineBytesPerSecond = 11520;

    explicit ChunkDriver(transport::Clock& clock) : clock_(clock) {}

    // The bytes must outlive the reads.
    void queue(transport::ByteView chunk) { chunks_.push_back(chunk); }
    bool drained() const { return next_ == chunks_.size(); }
    // Makes a read that brings nothing take this many times its time-out, as on a busy
    // machine or a slow USB stack.
    void stretchEmptyReads(std::uint32_t factor) { emptyReadFactor_ = factor; }
    // Starts the queued chunks over.
    void rewind() {
        next_ = 0;
        offset_ = 0;
    }

    std::uint64_t reads() const { return reads_; }
    std::uint64_t bytesRead() const { return bytesRead_; }

    transport::DriverError read(transport::DeviceHandle, void* buffer, std::uint32_t wanted,
                                std::uint32_t* got) override {
        ++reads_;
        *got = 0;
        if (drained()) {
            clock_.sleepFor(std::int64_t{timeoutMs_} * emptyReadFactor_);
            return {};
        }
        const transport::ByteView chunk = chunks_[next_];
        const std::uint32_t n = std::min(wanted, chunk.length() - offset_);
        std::memcpy(buffer, chunk.data() + offset_, n);
        offset_ += n;
        if (offset_ == chunk.length()) {
            offset_ = 0;
            ++next_;
        }
        *got = n;
        bytesRead_ += n;
        clock_.sleepFor(std::int64_t{n} * 1000 / kLineBytesPerSecond);
        return {};
    }
    transport::DriverError setTimeouts(transport::DeviceHandle, std::uint32_t readMs,
                                       std::uint32_t) override {
        timeoutMs_ = readMs;
        return {};
    }
    transport::DriverError open(int, transport::DeviceHandle* handle) override {
        *handle = this;
        return {};
    }
    transport::DriverError close(transport::DeviceHandle) override { return {}; }
    transport::DriverError write(transport::DeviceHandle, const void*, std::uint32_t count,
                                 std::uint32_t* written) override {
        *written = count;
        return {};
    }
    transport::DriverError setBaudRate(transport::DeviceHandle, std::uint32_t) override {
        return {};
    }
    transport::DriverError setDataCharacteristics(transport::DeviceHandle, std::uint8_t,
                                                  std::uint8_t, std::uint8_t) override {
        return {};
    }
    transport::DriverError setFlowControl(transport::DeviceHandle, std::uint16_t, std::uint8_t,
                                          std::uint8_t) override {
        return {};
    }

private:
    transport::Clock& clock_;
    std::vector<transport::ByteView> chunks_;
    std::size_t next_ = 0;
    std::uint32_t offset_ = 0;
    std::uint32_t timeoutMs_ = 0;
    std::uint32_t emptyReadFactor_ = 1;
    std::uint64_t reads_ = 0;
    std::uint64_t bytesRead_ = 0;
};

}  // namespace testsupport
