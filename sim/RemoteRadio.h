#pragma once

#include <cstdint>
#include <limits>

#include "sim/FaultSet.h"
#include "sim/FrameOutbox.h"
#include "sim/Inverter.h"
#include "sim/Scenario.h"

namespace sim {

// One turbine's radio: answers remote commands at its addresses, restarts on "fr", passes
// transmitted data to its inverter and sends the inverter's replies back as received
// packet frames.
class RemoteRadio {
public:
    static constexpr std::uint32_t kHighestBd = 8;
    static constexpr std::int64_t kNotYet = std::numeric_limits<std::int64_t>::max();

    explicit RemoteRadio(const NodeConfig& config);
    RemoteRadio(const RemoteRadio&) = delete;
    RemoteRadio& operator=(const RemoteRadio&) = delete;

    const NodeConfig& config() const { return config_; }
    bool reachableAt(std::int64_t ms) const;

    // A remote command frame's id and its letters with any parameter bytes.
    void onRemoteCommand(std::uint8_t frameId, transport::ByteView command, std::int64_t nowMs,
                         FrameOutbox& out);
    // A remote command frame sent to another radio, which this one hears too.
    void onCommandForAnother(std::uint8_t frameId, transport::ByteView command, std::int64_t nowMs,
                             FrameOutbox& out);
    // The data of a transmit request that reached this radio.
    void onData(transport::ByteView data, std::int64_t nowMs, FrameOutbox& out);
    // Sends what the radio passes on unasked until untilMs.
    void sendUnaskedUntil(std::int64_t untilMs, FrameOutbox& out);
    // A node identification frame sent at atMs.
    void announce(std::int64_t atMs, FrameOutbox& out);
    // The body of this node's "ND" answer (letters as the request had them), appended.
    void appendDiscoveryRecord(transport::ByteBuffer& body, transport::ByteView letters) const;
    // Whether frames carrying this node's answers go out with a broken checksum.
    bool takeChecksumFault() { return faults_.take(FaultKind::BadChecksum); }
    // Whether its answer to the last discovery comes once more, right after an "fr".
    bool takeLateDiscoveryAnswer() { return faults_.take(FaultKind::NdAnswerAfterFr); }

    // Its periodic announcements and packet data up to untilMs, those not sent yet.
    void sendPeriodicUntil(std::int64_t untilMs, FrameOutbox& out);
    // The field received a remote command, for any radio: announcements set to begin with a
    // fix begin now.
    void onFixBegun(std::int64_t nowMs);

    std::uint32_t bd() const { return bd_; }
    std::uint32_t storedBd() const { return storedBd_; }
    std::uint32_t restarts() const { return restarts_; }
    const Inverter& inverter() const { return inverter_; }

private:
    void reply(std::uint8_t frameId, transport::ByteView letters, std::uint8_t status,
               transport::ByteView value, std::int64_t atMs, FrameOutbox& out);
    void restart(std::int64_t atMs, FrameOutbox& out);
    // The inverter's bytes as received packet frames of at most replyChunk bytes each.
    void sendPacketData(transport::ByteView data, std::int64_t atMs, FrameOutbox& out);
    void appendAddresses(transport::ByteBuffer& out) const;
    void streamPacketData(std::int64_t atMs, FrameOutbox& out);

    NodeConfig config_;
    FaultSet faults_;
    Inverter inverter_;
    std::uint32_t bd_;
    std::uint32_t storedBd_;
    std::int64_t downFromMs_ = 0;
    std::int64_t downUntilMs_ = 0;
    bool gone_ = false;
    std::uint32_t restarts_ = 0;
    std::int64_t nextUnaskedMs_ = 0;
    transport::ByteBuffer frame_;
    transport::ByteBuffer replies_;

    std::int64_t nextAnnounceMs_;  // kNotYet: waiting for a fix to begin
    std::int64_t nextPacketDataMs_;
    std::uint32_t packetDataState_ = 0x9E3779B9;
};

}  // namespace sim
