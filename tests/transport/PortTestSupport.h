#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "transport/Clock.h"
#include "transport/Port.h"
#include "transport/RawLog.h"
#include "transport/SimulatedDevice.h"

namespace transport::testing {

// A top stage that completes the wait on a given byte.
class CompleteOn final : public ReceiveStage {
public:
    explicit CompleteOn(std::uint8_t mark) : mark_(mark) {}
    void receive(ByteView bytes) override {
        ++chunks;
        for (std::uint8_t byte : bytes)
            if (byte == mark_) forwardNotify(1);
    }
    bool ownedBySource() override { return false; }
    int chunks = 0;

private:
    std::uint8_t mark_;
};

// A device on virtual time with a port, its poller and a chain port -> RawLog -> top.
struct PortRig {
    VirtualClock clock;
    SimulatedDevice device{clock};
    Settings settings;
    RawLog rawLog;
    CompleteOn top{0xAA};
    std::unique_ptr<PortPoller> poller;

    PortRig() {
        PortFactory factory(device, clock, settings);
        ByteSource* source = nullptr;
        poller = factory.create(source, 0, 115200);
        source->setPending(&rawLog);
        source->sync();
        rawLog.setPending(&top);
        rawLog.sync();
        device.clearRecords();
    }
    void send(std::int64_t atMs, std::vector<std::uint8_t> bytes) {
        device.line().schedule(atMs,
                               ByteView(bytes.data(), static_cast<std::uint32_t>(bytes.size())));
    }
    bool complete() { return poller->port().isComplete(); }
};

}  // namespace transport::testing
