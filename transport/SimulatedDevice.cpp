#include "transport/SimulatedDevice.h"

#include <algorithm>
#include <cstring>

namespace transport {

namespace {
// What every failing call answers but the open, which tells a missing device apart.
DriverError failure() { return {DriverError::Cause::IoError, 0, {}}; }
}  // namespace

void DeviceLine::schedule(std::int64_t atMs, ByteView bytes) {
    if (bytes.empty()) return;
    std::lock_guard lock(mutex_);
    // After every chunk due at or before atMs, so equal times keep their order.
    auto at = std::upper_bound(chunks_.begin(), chunks_.end(), atMs,
                               [](std::int64_t t, const Chunk& c) { return t < c.atMs; });
    chunks_.insert(at, Chunk{atMs, {bytes.begin(), bytes.end()}, 0});
}

std::size_t DeviceLine::pendingBytes() const {
    std::lock_guard lock(mutex_);
    std::size_t total = 0;
    for (const Chunk& chunk : chunks_) total += chunk.bytes.size() - chunk.taken;
    return total;
}

void DeviceLine::clear() {
    std::lock_guard lock(mutex_);
    chunks_.clear();
}

void DeviceLine::setChunkPerRead(bool on) {
    std::lock_guard lock(mutex_);
    chunkPerRead_ = on;
}

std::uint32_t DeviceLine::take(std::int64_t nowMs, std::uint8_t* out, std::uint32_t max) {
    std::lock_guard lock(mutex_);
    std::uint32_t count = 0;
    while (count < max && !chunks_.empty() && chunks_.front().atMs <= nowMs) {
        Chunk& chunk = chunks_.front();
        const std::size_t n = std::min<std::size_t>(max - count, chunk.bytes.size() - chunk.taken);
        std::memcpy(out + count, chunk.bytes.data() + chunk.taken, n);
        count += static_cast<std::uint32_t>(n);
        chunk.taken += n;
        if (chunk.taken == chunk.bytes.size()) chunks_.pop_front();
        if (chunkPerRead_) break;
    }
    return count;
}

std::int64_t DeviceLine::timeWhenAvailable(std::uint32_t count) const {
    if (count == 0) return 0;
    std::lock_guard lock(mutex_);
    if (chunkPerRead_) return chunks_.empty() ? -1 : chunks_.front().atMs;
    std::size_t total = 0;
    for (const Chunk& chunk : chunks_) {
        total += chunk.bytes.size() - chunk.taken;
        if (total >= count) return chunk.atMs;
    }
    return -1;
}

void DeviceLine::dropBefore(std::int64_t atMs) {
    std::lock_guard lock(mutex_);
    while (!chunks_.empty() && chunks_.front().atMs < atMs) chunks_.pop_front();
}

SimulatedDevice::SimulatedDevice(Clock& clock) : clock_(clock) {}

void SimulatedDevice::setPeer(DevicePeer* peer) {
    std::lock_guard lock(mutex_);
    peer_ = peer;
}

void SimulatedDevice::setDeviceIndex(int index) {
    std::lock_guard lock(mutex_);
    deviceIndex_ = index;
}

void SimulatedDevice::setFault(DeviceFault fault, bool on) {
    const unsigned bit = 1u << static_cast<unsigned>(fault);
    std::lock_guard lock(mutex_);
    faults_ = on ? faults_ | bit : faults_ & ~bit;
}

void SimulatedDevice::setOpenError(DriverError error) {
    std::lock_guard lock(mutex_);
    openError_ = std::move(error);
}

void SimulatedDevice::vanishAt(std::int64_t atMs) {
    std::lock_guard lock(mutex_);
    vanishAtMs_ = atMs;
}

void SimulatedDevice::returnAt(std::int64_t atMs) {
    std::lock_guard lock(mutex_);
    returnAtMs_ = atMs;
}

bool SimulatedDevice::isOpen() const {
    std::lock_guard lock(mutex_);
    return open_;
}

std::uint32_t SimulatedDevice::readTimeoutMs() const {
    std::lock_guard lock(mutex_);
    return readTimeoutMs_;
}

std::vector<WriteRecord> SimulatedDevice::writes() const {
    std::lock_guard lock(mutex_);
    return writes_;
}

std::vector<ReadRecord> SimulatedDevice::reads() const {
    std::lock_guard lock(mutex_);
    return reads_;
}

std::vector<std::string> SimulatedDevice::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

void SimulatedDevice::clearRecords() {
    std::lock_guard lock(mutex_);
    writes_.clear();
    reads_.clear();
    calls_.clear();
}

void SimulatedDevice::setRecording(bool on) {
    std::lock_guard lock(mutex_);
    recording_ = on;
}

void SimulatedDevice::recordCall(std::string call) {
    if (recording_) calls_.push_back(std::move(call));
}

bool SimulatedDevice::faulty(DeviceFault fault) const {
    return (faults_ >> static_cast<unsigned>(fault)) & 1u;
}

bool SimulatedDevice::usable(DeviceHandle handle, std::int64_t nowMs) const {
    return open_ && handle == this && nowMs < handleDiesAt();
}

DriverError SimulatedDevice::open(int deviceIndex, DeviceHandle* handle) {
    const std::int64_t now = clock_.nowMs();
    std::unique_lock lock(mutex_);
    recordCall("open " + std::to_string(deviceIndex));
    *handle = nullptr;
    if (!present(now)) return {DriverError::Cause::NoDevice, 0, {}};
    if (deviceIndex != deviceIndex_)
        return {DriverError::Cause::NoSuchDevice,
                0,
                std::to_string(deviceIndex),
                {std::to_string(deviceIndex_) + " (the simulated device)"}};
    if (faulty(DeviceFault::Open)) return openError_;
    open_ = true;
    openedAtMs_ = now;
    *handle = this;
    DevicePeer* peer = peer_;
    lock.unlock();
    if (peer) peer->onOpen(now, line_);
    return {};
}

DriverError SimulatedDevice::close(DeviceHandle handle) {
    std::lock_guard lock(mutex_);
    recordCall("close");
    if (!open_ || handle != this) return failure();
    open_ = false;
    return {};
}

DriverError SimulatedDevice::configure(DeviceHandle handle, DeviceFault fault, std::string call) {
    recordCall(std::move(call));
    if (!usable(handle, clock_.nowMs()) || faulty(fault)) return failure();
    return {};
}

DriverError SimulatedDevice::setBaudRate(DeviceHandle handle, std::uint32_t baud) {
    std::lock_guard lock(mutex_);
    return configure(handle, DeviceFault::BaudRate, "baud " + std::to_string(baud));
}

DriverError SimulatedDevice::setDataCharacteristics(DeviceHandle handle, std::uint8_t wordLength,
                                                    std::uint8_t stopBits, std::uint8_t parity) {
    std::lock_guard lock(mutex_);
    return configure(handle, DeviceFault::DataCharacteristics,
                     "data " + std::to_string(wordLength) + ' ' + std::to_string(stopBits) + ' ' +
                         std::to_string(parity));
}

DriverError SimulatedDevice::setFlowControl(DeviceHandle handle, std::uint16_t flow,
                                            std::uint8_t xon, std::uint8_t xoff) {
    std::lock_guard lock(mutex_);
    return configure(
        handle, DeviceFault::FlowControl,
        "flow " + std::to_string(flow) + ' ' + std::to_string(xon) + ' ' + std::to_string(xoff));
}

DriverError SimulatedDevice::setTimeouts(DeviceHandle handle, std::uint32_t readMs,
                                         std::uint32_t writeMs) {
    std::lock_guard lock(mutex_);
    recordCall("timeouts " + std::to_string(readMs) + ' ' + std::to_string(writeMs));
    if (!usable(handle, clock_.nowMs())) return failure();
    readTimeoutMs_ = readMs;
    return {};
}

DriverError SimulatedDevice::read(DeviceHandle handle, void* buffer, std::uint32_t wanted,
                                  std::uint32_t* got) {
    *got = 0;
    const std::int64_t start = clock_.nowMs();
    std::uint32_t timeout = 0;
    std::int64_t diesAt = kNever;
    std::int64_t returnedAt = kNever;
    bool fails = false;
    DevicePeer* peer = nullptr;
    {
        std::lock_guard lock(mutex_);
        timeout = readTimeoutMs_;
        diesAt = handleDiesAt();
        if (returnAtMs_ <= start) returnedAt = returnAtMs_;
        fails = !usable(handle, start) || faulty(DeviceFault::Read);
        peer = peer_;
    }
    std::int64_t end = start;
    if (!fails && peer) peer->onTime(start + timeout, line_);
    // What the peer sent while the device was gone never reached it.
    if (!fails && returnedAt != kNever) line_.dropBefore(returnedAt);
    if (!fails) {
        // Return when the wanted count is in, else at the time-out; both as scheduled now.
        const std::int64_t deadline = start + timeout;
        const std::int64_t complete = line_.timeWhenAvailable(wanted);
        end = complete >= 0 && complete <= deadline ? std::max(complete, start) : deadline;
        if (diesAt <= end) {
            end = diesAt;
            fails = true;
        }
        clock_.sleepUntil(end);
        if (!fails)
            *got = line_.take(std::max(end, clock_.nowMs()), static_cast<std::uint8_t*>(buffer),
                              wanted);
    }
    const DriverError status = fails ? failure() : DriverError{};
    std::lock_guard lock(mutex_);
    if (recording_)
        reads_.push_back(ReadRecord{start, clock_.nowMs(), timeout, wanted, *got, status});
    return status;
}

DriverError SimulatedDevice::write(DeviceHandle handle, const void* buffer, std::uint32_t count,
                                   std::uint32_t* written) {
    *written = 0;
    const std::int64_t now = clock_.nowMs();
    const ByteView bytes(buffer, count);
    DevicePeer* peer = nullptr;
    bool fails = false;
    {
        std::lock_guard lock(mutex_);
        fails = !usable(handle, now) || faulty(DeviceFault::Write);
        if (!fails && recording_) writes_.push_back(WriteRecord{now, {bytes.begin(), bytes.end()}});
        peer = peer_;
    }
    if (fails) {
        if (peer) peer->onLostWrite(bytes, now);
        return failure();
    }
    *written = count;
    if (peer) peer->onWrite(bytes, now, line_);
    return {};
}

}  // namespace transport
