#include "sim/TurbineField.h"

namespace sim {

namespace {

constexpr std::uint8_t kLocalCommandWithParameters = 0x08;
constexpr std::uint8_t kLocalCommand = 0x09;
constexpr std::uint8_t kTransmitRequest = 0x10;
constexpr std::uint8_t kRemoteCommand = 0x17;
constexpr std::uint8_t kLocalResponse = 0x88;
constexpr std::uint8_t kTransmitStatus = 0x8B;

constexpr std::uint8_t kStatusOk = 0;
constexpr std::uint8_t kStatusInvalidCommand = 2;
constexpr std::uint8_t kDeliveryOk = 0x00;
constexpr std::uint8_t kDeliveryNoAcknowledgement = 0x21;
constexpr std::uint16_t kUnknownNetworkAddress = 0xFFFE;
constexpr std::uint64_t kUnknownNodeAddress = 0xFFFFFFFFFFFFFFFF;
constexpr std::uint8_t kAnnounceOnCommissioning = 2;

constexpr std::uint32_t kAddressesSize = 10;  // 64-bit node address and 16-bit network address
// Frame data offsets after type and frame id.
constexpr std::uint32_t kRemoteCommandLetters = 2 + kAddressesSize + 1;  // options
constexpr std::uint32_t kTransmitRequestData = 2 + kAddressesSize + 2;   // radius, options

// A sender at 9600 baud read by a receiver at 115200: each of the sender's bits lasts twelve
// of the receiver's.
constexpr std::uint32_t kSpeedRatio = 12;
constexpr std::uint32_t kBitsPerByte = 10;  // start bit, 8 data bits, stop bit

// What a receiver at the tool's speed reads from a sender kSpeedRatio times slower. The line
// idles high; a low level starts a byte, whose data bits are then sampled one receiver bit
// apart, least significant first. A low stop bit is a framing error, after which the
// receiver waits for the line to go high again. Since the sender's level changes at most
// once over a receiver's eight data bits, every byte read is 0xFF shifted left: never the
// start byte of a frame.
void readAsSlowerSender(transport::ByteView sent, transport::ByteBuffer& read) {
    read.clear();
    const std::uint32_t bits = sent.length() * kBitsPerByte * kSpeedRatio;
    const auto level = [&](std::uint32_t at) {
        if (at >= bits) return true;
        const std::uint32_t senderBit = at / kSpeedRatio;
        const std::uint32_t inByte = senderBit % kBitsPerByte;
        if (inByte == 0) return false;
        if (inByte == kBitsPerByte - 1) return true;
        return ((sent[senderBit / kBitsPerByte] >> (inByte - 1)) & 1u) != 0;
    };
    bool waitingForHigh = false;
    for (std::uint32_t at = 0; at < bits;) {
        if (level(at)) {
            waitingForHigh = false;
            ++at;
            continue;
        }
        if (waitingForHigh) {
            ++at;
            continue;
        }
        std::uint8_t byte = 0;
        for (std::uint32_t bit = 0; bit < 8; ++bit)
            if (level(at + 1 + bit)) byte = static_cast<std::uint8_t>(byte | (1u << bit));
        read.append(byte);
        waitingForHigh = !level(at + 9);
        at += kBitsPerByte;
    }
}

}  // namespace

TurbineField::TurbineField(const Scenario& scenario)
    : noiseBytes_(scenario.noiseBytes),
      lineFault_(scenario.device.line),
      discoveryEndMs_(scenario.discoveryEndMs),
      reader_([this](transport::ByteView frameData) { onFrame(frameData); }),
      randomBytesPerSecond_(scenario.randomBytesPerSecond) {
    for (const NodeConfig& node : scenario.nodes)
        radios_.push_back(std::make_unique<RemoteRadio>(node));
}

void TurbineField::onWrite(transport::ByteView bytes, std::int64_t nowMs,
                           transport::DeviceLine& line) {
    if (lineFault_ == LineFault::Silent) return;
    line_ = &line;
    nowMs_ = nowMs;
    reader_.feed(bytes);
    line_ = nullptr;
}

void TurbineField::onTime(std::int64_t untilMs, transport::DeviceLine& line) {
    if (lineFault_ == LineFault::Silent) return;
    line_ = &line;
    for (const auto& radio : radios_) radio->sendPeriodicUntil(untilMs, *this);
    for (const auto& radio : radios_) radio->sendUnaskedUntil(untilMs, *this);
    sendRandomBytes(untilMs);
    line_ = nullptr;
}

void TurbineField::sendRandomBytes(std::int64_t untilMs) {
    if (randomBytesPerSecond_ == 0) return;
    // In steps of a few milliseconds, each with the bytes the rate owes by its end.
    constexpr std::int64_t kStepMs = 5;
    for (; randomBytesSentUntilMs_ + kStepMs <= untilMs; randomBytesSentUntilMs_ += kStepMs) {
        const std::int64_t stepEndMs = randomBytesSentUntilMs_ + kStepMs;
        const auto owed = static_cast<std::uint64_t>(stepEndMs) * randomBytesPerSecond_ / 1000;
        wire_.clear();
        for (; randomBytesSent_ < owed; ++randomBytesSent_) {
            randomState_ ^= randomState_ << 13;
            randomState_ ^= randomState_ >> 17;
            randomState_ ^= randomState_ << 5;
            wire_.append(static_cast<std::uint8_t>(randomState_));
        }
        scheduleWire(stepEndMs);
    }
}

const RemoteRadio* TurbineField::radio(std::string_view name) const {
    for (const auto& radio : radios_) {
        if (radio->config().name == name) return radio.get();
    }
    return nullptr;
}

void TurbineField::onFrame(transport::ByteView frameData) {
    if (frameData.length() < 2) return;
    const std::uint8_t type = frameData[0];
    const std::uint8_t frameId = frameData[1];
    const transport::ByteView rest(frameData.data() + 2, frameData.length() - 2);
    if (type == kLocalCommand || type == kLocalCommandWithParameters) {
        onLocalCommand(frameId, rest);
    } else if (type == kRemoteCommand) {
        onRemoteCommand(frameData);
    } else if (type == kTransmitRequest) {
        onTransmitRequest(frameData);
    }
    // The tool sends nothing else; the module would ignore other types too.
}

void TurbineField::onLocalCommand(std::uint8_t frameId, transport::ByteView command) {
    if (command.length() < 2) return;
    const transport::ByteView letters(command.data(), 2);
    const transport::ByteView parameter(command.data() + 2, command.length() - 2);
    if (isCommand(letters, "nd")) {
        discoverNodes(frameId, letters);
        if (discoveryEndMs_ > 0) localReply(nowMs_ + discoveryEndMs_, frameId, letters, kStatusOk);
    } else if (isCommand(letters, "cb")) {
        localReply(nowMs_ + kLocalReplyMs, frameId, letters, kStatusOk);
        if (parameter.length() == 1 && parameter[0] == kAnnounceOnCommissioning) {
            for (const auto& radio : radios_) {
                const std::int64_t at = nowMs_ + radio->config().announceDelayMs;
                if (radio->config().announcesAfterCb && radio->reachableAt(nowMs_) &&
                    radio->reachableAt(at)) {
                    radio->announce(at, *this);
                }
            }
        }
    } else {
        localReply(nowMs_ + kLocalReplyMs, frameId, letters, kStatusInvalidCommand);
    }
}

void TurbineField::discoverNodes(std::uint8_t frameId, transport::ByteView letters) {
    discoveryFrameId_ = frameId;
    discoveryLetters_.clear();
    discoveryLetters_.append(letters);
    std::int64_t staggered = nowMs_ + kFirstDiscoveryAnswerMs;
    for (const auto& radio : radios_) {
        if (!radio->reachableAt(nowMs_) || !radio->config().discoverable) continue;
        const int delay = radio->config().ndDelayMs;
        const std::int64_t at = delay == NodeConfig::kStaggered ? staggered : nowMs_ + delay;
        staggered += kDiscoveryStaggerMs;
        sendDiscoveryAnswer(*radio, at);
    }
}

void TurbineField::sendDiscoveryAnswer(RemoteRadio& radio, std::int64_t atMs) {
    frame_.clear();
    frame_.append(kLocalResponse);
    frame_.append(discoveryFrameId_);
    radio.appendDiscoveryRecord(frame_, discoveryLetters_.view());
    sendFrame(atMs, frame_.view(), radio.takeChecksumFault());
}

void TurbineField::onRemoteCommand(transport::ByteView frameData) {
    if (frameData.length() < kRemoteCommandLetters) return;
    RemoteRadio* radio = radioAt(transport::ByteView(frameData.data() + 2, kAddressesSize));
    for (const auto& any : radios_) any->onFixBegun(nowMs_);
    const transport::ByteView command(frameData.data() + kRemoteCommandLetters,
                                      frameData.length() - kRemoteCommandLetters);
    // Radios that answer what is sent to others do so whether the addressee is there or not.
    for (const auto& other : radios_) {
        if (other.get() != radio) other->onCommandForAnother(frameData[1], command, nowMs_, *this);
    }
    // An unreachable radio cannot answer; the module reports nothing either.
    if (radio == nullptr || !radio->reachableAt(nowMs_)) return;
    radio->onRemoteCommand(frameData[1], command, nowMs_, *this);
    if (command.length() >= 2 && isCommand(transport::ByteView(command.data(), 2), "fr") &&
        discoveryLetters_.length() > 0 && radio->takeLateDiscoveryAnswer()) {
        sendDiscoveryAnswer(*radio, nowMs_ + radio->config().replyDelayMs + kLateAnswerMs);
    }
}

void TurbineField::onTransmitRequest(transport::ByteView frameData) {
    if (frameData.length() < kTransmitRequestData) return;
    RemoteRadio* radio = radioAt(transport::ByteView(frameData.data() + 2, kAddressesSize));
    const bool delivered = radio != nullptr && radio->reachableAt(nowMs_);
    const std::uint8_t frameId = frameData[1];
    // A frame id of 0 asks for no transmit status.
    if (frameId != 0) {
        frame_.clear();
        frame_.append(kTransmitStatus);
        frame_.append(frameId);
        frame_.appendUint16(radio != nullptr ? radio->config().address16 : kUnknownNetworkAddress);
        frame_.append(std::uint8_t{0});  // retries
        frame_.append(delivered ? kDeliveryOk : kDeliveryNoAcknowledgement);
        frame_.append(std::uint8_t{0});  // discovery status
        sendFrame(nowMs_ + kTransmitStatusMs, frame_.view(), false);
    }
    if (delivered) {
        radio->onData(transport::ByteView(frameData.data() + kTransmitRequestData,
                                          frameData.length() - kTransmitRequestData),
                      nowMs_, *this);
    }
}

RemoteRadio* TurbineField::radioAt(transport::ByteView addresses) {
    std::uint64_t address64 = 0;
    for (std::uint32_t i = 0; i < 8; ++i) address64 = (address64 << 8) | addresses[i];
    const std::uint16_t address16 = static_cast<std::uint16_t>((addresses[8] << 8) | addresses[9]);
    // The 64-bit address decides; only when it is given as unknown does the 16-bit one.
    for (const auto& radio : radios_) {
        const NodeConfig& node = radio->config();
        if (address64 == kUnknownNodeAddress ? node.address16 == address16
                                             : node.address64 == address64) {
            return radio.get();
        }
    }
    return nullptr;
}

void TurbineField::localReply(std::int64_t atMs, std::uint8_t frameId, transport::ByteView letters,
                              std::uint8_t status) {
    frame_.clear();
    frame_.append(kLocalResponse);
    frame_.append(frameId);
    frame_.append(letters);
    frame_.append(status);
    sendFrame(atMs, frame_.view(), false);
}

void TurbineField::sendFrame(std::int64_t atMs, transport::ByteView frameData,
                             bool corruptChecksum) {
    wire_.clear();
    for (std::uint32_t i = 0; i < noiseBytes_; ++i) wire_.append(nextNoiseByte());
    const std::uint32_t frameStart = wire_.length();
    appendApiFrame(wire_, frameData, corruptChecksum);
    if (lineFault_ == LineFault::Noisy) {
        // One bit of the frame data or the checksum, never of the start byte or the length,
        // so that the frame still ends where it should and fails only its checksum.
        flipState_ ^= flipState_ << 13;
        flipState_ ^= flipState_ >> 17;
        flipState_ ^= flipState_ << 5;
        const std::uint32_t span = wire_.length() - frameStart - kApiHeaderSize;
        const std::uint32_t at = frameStart + kApiHeaderSize + flipState_ % span;
        wire_.put(at, static_cast<std::uint8_t>(wire_[at] ^ (1u << (flipState_ >> 29))));
    }
    scheduleWire(atMs);
}

void TurbineField::scheduleWire(std::int64_t atMs) {
    if (lineFault_ != LineFault::WrongSpeed) {
        line_->schedule(atMs, wire_.view());
        return;
    }
    readAsSlowerSender(wire_.view(), garbled_);
    line_->schedule(atMs, garbled_.view());
}

std::uint8_t TurbineField::nextNoiseByte() {
    // xorshift: repeatable noise; the start byte is left out so noise never opens a frame.
    std::uint8_t byte = kApiStartByte;
    while (byte == kApiStartByte) {
        noiseState_ ^= noiseState_ << 13;
        noiseState_ ^= noiseState_ >> 17;
        noiseState_ ^= noiseState_ << 5;
        byte = static_cast<std::uint8_t>(noiseState_);
    }
    return byte;
}

}  // namespace sim
