#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "sim/ApiFrame.h"
#include "sim/FrameOutbox.h"
#include "sim/RemoteRadio.h"
#include "sim/Scenario.h"
#include "transport/SimulatedDevice.h"

namespace sim {

// The far end of the simulated device: the radio module attached to it and, over the air,
// the turbines' radios and inverters. It reads the frames the tool writes and answers each
// by scheduling frames on the device's line, later on the same clock.
class TurbineField final : public transport::DevicePeer, private FrameOutbox {
public:
    // Delays of the attached module's own answers.
    static constexpr std::int64_t kLocalReplyMs = 5;
    static constexpr std::int64_t kTransmitStatusMs = 10;
    // Discovery answers not given a delay of their own come at these steps.
    static constexpr std::int64_t kFirstDiscoveryAnswerMs = 200;
    static constexpr std::int64_t kDiscoveryStaggerMs = 150;
    // A late discovery answer follows the "fr" answer by this much.
    static constexpr std::int64_t kLateAnswerMs = 20;

    explicit TurbineField(const Scenario& scenario);

    void onWrite(transport::ByteView bytes, std::int64_t nowMs,
                 transport::DeviceLine& line) override;
    void onTime(std::int64_t untilMs, transport::DeviceLine& line) override;

    // Null when no node has that name.
    const RemoteRadio* radio(std::string_view name) const;

private:
    void onFrame(transport::ByteView frameData);
    void onLocalCommand(std::uint8_t frameId, transport::ByteView command);
    void discoverNodes(std::uint8_t frameId, transport::ByteView letters);
    // The radio's answer to the last discovery, sent at atMs.
    void sendDiscoveryAnswer(RemoteRadio& radio, std::int64_t atMs);
    void onRemoteCommand(transport::ByteView frameData);
    void onTransmitRequest(transport::ByteView frameData);
    RemoteRadio* radioAt(transport::ByteView addresses);
    void localReply(std::int64_t atMs, std::uint8_t frameId, transport::ByteView letters,
                    std::uint8_t status);

    void sendFrame(std::int64_t atMs, transport::ByteView frameData, bool corruptChecksum) override;
    std::uint8_t nextNoiseByte();
    void sendRandomBytes(std::int64_t untilMs);
    // Puts wire_ on the line at atMs, as the line fault lets it arrive.
    void scheduleWire(std::int64_t atMs);

    std::uint32_t noiseBytes_;
    LineFault lineFault_;
    std::uint32_t discoveryEndMs_;
    std::vector<std::unique_ptr<RemoteRadio>> radios_;
    ApiFrameReader reader_;
    std::uint32_t noiseState_ = 0x2545F491;
    // Valid during onWrite only.
    transport::DeviceLine* line_ = nullptr;
    std::int64_t nowMs_ = 0;
    std::uint8_t discoveryFrameId_ = 0;
    transport::ByteBuffer discoveryLetters_;  // as the last "ND" had them
    transport::ByteBuffer frame_;
    transport::ByteBuffer wire_;
    transport::ByteBuffer garbled_;
    std::uint32_t flipState_ = 0x9E3779B9;

    std::uint32_t randomBytesPerSecond_;
    std::int64_t randomBytesSentUntilMs_ = 0;
    std::uint64_t randomBytesSent_ = 0;
    std::uint32_t randomState_ = 0x6C8E9CF5;
};

}  // namespace sim
