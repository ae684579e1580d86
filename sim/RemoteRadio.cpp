#include "sim/RemoteRadio.h"

#include <algorithm>

#include "sim/ApiFrame.h"

namespace sim {

namespace {

constexpr std::uint8_t kRemoteResponse = 0x97;
constexpr std::uint8_t kReceivedPacket = 0x90;
constexpr std::uint8_t kNodeIdentification = 0x95;

constexpr std::uint8_t kStatusOk = 0;
constexpr std::uint8_t kStatusInvalidCommand = 2;
constexpr std::uint8_t kStatusInvalidParameter = 3;

constexpr std::uint8_t kOptionsAcknowledged = 0x01;
constexpr std::uint8_t kOptionsBroadcast = 0x02;
constexpr std::uint16_t kNoParent = 0xFFFE;
constexpr std::uint8_t kDeviceTypeRouter = 0x01;
constexpr std::uint8_t kEventPowerCycle = 0x03;
constexpr std::uint16_t kProfileId = 0xC105;
constexpr std::uint16_t kManufacturerId = 0x101E;
constexpr std::uint32_t kDeviceTypeIdentifier = 0x00030000;
constexpr std::int64_t kMsBetweenPacketFrames = 2;
constexpr std::uint8_t kDataLinkEscape = 0x10;
constexpr std::uint8_t kModemStatus = 0x8A;
constexpr std::uint8_t kSomeModemStatus = 0x02;

std::uint32_t readNumber(transport::ByteView bytes) {
    std::uint32_t value = 0;
    for (std::uint8_t byte : bytes) value = (value << 8) | byte;
    return value;
}

void appendUint32(transport::ByteBuffer& out, std::uint32_t value) {
    out.appendUint16(static_cast<std::uint16_t>(value >> 16));
    out.appendUint16(static_cast<std::uint16_t>(value & 0xFFFF));
}

// What follows the name in node identifications and discovery answers: parent network
// address, device type, event or status, profile and manufacturer, then the device type
// identifier.
void appendNodeTail(transport::ByteBuffer& out, std::uint8_t eventOrStatus) {
    out.appendUint16(kNoParent);
    out.append(kDeviceTypeRouter);
    out.append(eventOrStatus);
    out.appendUint16(kProfileId);
    out.appendUint16(kManufacturerId);
    appendUint32(out, kDeviceTypeIdentifier);
}

}  // namespace

RemoteRadio::RemoteRadio(const NodeConfig& config)
    : config_(config),
      faults_(config.faults),
      inverter_(config_, faults_),
      bd_(config.bd),
      storedBd_(config.bd),
      nextAnnounceMs_(config.announceFromMs == NodeConfig::kStaggered ? config.announceEveryMs
                      : config.announceFromMs == NodeConfig::kFromFix ? kNotYet
                                                                      : config.announceFromMs),
      nextPacketDataMs_(config.packetStreamEveryMs) {}

bool RemoteRadio::reachableAt(std::int64_t ms) const {
    if (!config_.reachable || gone_) return false;
    return ms < downFromMs_ || ms >= downUntilMs_;
}

void RemoteRadio::onRemoteCommand(std::uint8_t frameId, transport::ByteView command,
                                  std::int64_t nowMs, FrameOutbox& out) {
    if (command.length() < 2) return;
    const transport::ByteView letters(command.data(), 2);
    const transport::ByteView parameter(command.data() + 2, command.length() - 2);
    const std::int64_t replyAt = nowMs + config_.replyDelayMs;
    transport::ByteBuffer value;

    if (isCommand(letters, "bd")) {
        if (faults_.take(FaultKind::SilentBd)) return;
        if (parameter.empty()) {
            value.appendNumber(static_cast<std::int32_t>(bd_), config_.bdWidth);
            reply(frameId, letters, kStatusOk, value.view(), replyAt, out);
        } else if (parameter.length() > 4 || readNumber(parameter) > kHighestBd) {
            reply(frameId, letters, kStatusInvalidParameter, {}, replyAt, out);
        } else {
            bd_ = readNumber(parameter);
            reply(frameId, letters, kStatusOk, {}, replyAt, out);
        }
    } else if (isCommand(letters, "wr")) {
        storedBd_ = bd_;
        reply(frameId, letters, kStatusOk, {}, replyAt, out);
    } else if (isCommand(letters, "fr")) {
        reply(frameId, letters, kStatusOk, {}, replyAt, out);
        restart(replyAt, out);
    } else if (isCommand(letters, "db")) {
        value.append(config_.signal);
        reply(frameId, letters, kStatusOk, value.view(), replyAt, out);
    } else {
        reply(frameId, letters, kStatusInvalidCommand, {}, replyAt, out);
    }
}

void RemoteRadio::restart(std::int64_t atMs, FrameOutbox& out) {
    ++restarts_;
    // What was set but not written is lost with the restart.
    bd_ = storedBd_;
    if (faults_.take(FaultKind::NoReturn)) {
        gone_ = true;
        return;
    }
    downFromMs_ = atMs;
    downUntilMs_ = atMs + config_.restartMs;
    if (config_.announcesAfterRestart) announce(downUntilMs_, out);
}

void RemoteRadio::onCommandForAnother(std::uint8_t frameId, transport::ByteView command,
                                      std::int64_t nowMs, FrameOutbox& out) {
    if (command.length() < 2 || !reachableAt(nowMs) || !faults_.take(FaultKind::AnswersOthers))
        return;
    // It answers as itself, from its own addresses, with its own values, and acts on nothing.
    const transport::ByteView letters(command.data(), 2);
    transport::ByteBuffer value;
    if (isCommand(letters, "bd") && command.length() == 2) {
        value.appendNumber(static_cast<std::int32_t>(bd_), config_.bdWidth);
    } else if (isCommand(letters, "db")) {
        value.append(config_.signal);
    }
    reply(frameId, letters, kStatusOk, value.view(), nowMs + config_.replyDelayMs, out);
}

void RemoteRadio::onData(transport::ByteView data, std::int64_t nowMs, FrameOutbox& out) {
    replies_.clear();
    inverter_.receive(data, bd_ == config_.inverterSpeed, replies_);
    sendPacketData(replies_.view(), nowMs + config_.inverterDelayMs, out);
}

void RemoteRadio::sendUnaskedUntil(std::int64_t untilMs, FrameOutbox& out) {
    while (nextUnaskedMs_ <= untilMs) {
        std::uint32_t periodMs = 0;
        if (!faults_.take(FaultKind::Crosstalk, &periodMs)) return;
        if (reachableAt(nextUnaskedMs_)) {
            replies_.clear();
            inverter_.appendUnaskedReply(replies_);
            sendPacketData(replies_.view(), nextUnaskedMs_, out);
        }
        nextUnaskedMs_ += periodMs;
    }
}

void RemoteRadio::sendPacketData(transport::ByteView data, std::int64_t atMs, FrameOutbox& out) {
    for (std::uint32_t sent = 0; sent < data.length(); sent += config_.replyChunk) {
        const std::uint32_t piece = std::min(config_.replyChunk, data.length() - sent);
        frame_.clear();
        frame_.append(kReceivedPacket);
        appendAddresses(frame_);
        frame_.append(kOptionsAcknowledged);
        frame_.append(data.data() + sent, piece);
        out.sendFrame(atMs, frame_.view(), takeChecksumFault());
        atMs += kMsBetweenPacketFrames;
    }
}

void RemoteRadio::sendPeriodicUntil(std::int64_t untilMs, FrameOutbox& out) {
    if (config_.announceEveryMs > 0) {
        for (; nextAnnounceMs_ <= untilMs; nextAnnounceMs_ += config_.announceEveryMs) {
            if (reachableAt(nextAnnounceMs_)) announce(nextAnnounceMs_, out);
        }
    }
    if (config_.packetStreamEveryMs > 0) {
        for (; nextPacketDataMs_ <= untilMs; nextPacketDataMs_ += config_.packetStreamEveryMs) {
            if (reachableAt(nextPacketDataMs_)) streamPacketData(nextPacketDataMs_, out);
        }
    }
}

void RemoteRadio::onFixBegun(std::int64_t nowMs) {
    if (nextAnnounceMs_ == kNotYet) nextAnnounceMs_ = nowMs + config_.announceEveryMs;
}

void RemoteRadio::streamPacketData(std::int64_t atMs, FrameOutbox& out) {
    frame_.clear();
    frame_.append(kReceivedPacket);
    appendAddresses(frame_);
    frame_.append(kOptionsAcknowledged);
    for (std::uint32_t i = 0; i < config_.packetStreamBytes; ++i) {
        packetDataState_ = packetDataState_ * 1664525u + 1013904223u;
        const auto byte = static_cast<std::uint8_t>(packetDataState_ >> 24);
        // Without a DLE there is no end mark: the data never makes a packet.
        frame_.append(byte == kDataLinkEscape ? std::uint8_t{0x11} : byte);
    }
    out.sendFrame(atMs, frame_.view(), false);
}

void RemoteRadio::announce(std::int64_t atMs, FrameOutbox& out) {
    frame_.clear();
    frame_.append(kNodeIdentification);
    appendAddresses(frame_);
    frame_.append(kOptionsBroadcast);
    frame_.appendUint16(config_.address16);
    appendUint32(frame_, static_cast<std::uint32_t>(config_.address64 >> 32));
    appendUint32(frame_, static_cast<std::uint32_t>(config_.address64));
    frame_.append(config_.name.c_str());
    frame_.append(std::uint8_t{0});
    appendNodeTail(frame_, kEventPowerCycle);
    out.sendFrame(atMs, frame_.view(), takeChecksumFault());
}

void RemoteRadio::appendDiscoveryRecord(transport::ByteBuffer& body,
                                        transport::ByteView letters) const {
    body.append(letters);
    body.append(kStatusOk);
    body.appendUint16(config_.address16);
    appendUint32(body, static_cast<std::uint32_t>(config_.address64 >> 32));
    appendUint32(body, static_cast<std::uint32_t>(config_.address64));
    body.append(config_.name.c_str());
    body.append(std::uint8_t{0});
    appendNodeTail(body, kStatusOk);
}

void RemoteRadio::reply(std::uint8_t frameId, transport::ByteView letters, std::uint8_t status,
                        transport::ByteView value, std::int64_t atMs, FrameOutbox& out) {
    frame_.clear();
    frame_.append(kRemoteResponse);
    frame_.append(frameId);
    appendAddresses(frame_);
    frame_.append(letters);
    frame_.append(status);
    frame_.append(value);
    out.sendFrame(atMs, frame_.view(), takeChecksumFault());
    if (faults_.take(FaultKind::StatusAfterReply)) {
        const std::uint8_t modemStatus[] = {kModemStatus, kSomeModemStatus};
        out.sendFrame(atMs, transport::ByteView(modemStatus, sizeof modemStatus), false);
    }
}

void RemoteRadio::appendAddresses(transport::ByteBuffer& out) const {
    appendUint32(out, static_cast<std::uint32_t>(config_.address64 >> 32));
    appendUint32(out, static_cast<std::uint32_t>(config_.address64));
    out.appendUint16(config_.address16);
}

}  // namespace sim
