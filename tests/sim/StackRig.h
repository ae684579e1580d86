#pragma once

#include <memory>
#include <string>
#include <vector>

#include "radio/CommandLink.h"
#include "radio/CommandSender.h"
#include "radio/FrameAssembler.h"
#include "radio/FrameDispatcher.h"
#include "radio/FrameEncoder.h"
#include "radio/NodeAddress.h"
#include "radio/NodeSink.h"
#include "radio/PacketReassembler.h"
#include "sim/SimulatedField.h"
#include "tests/support/SimulatedPort.h"
#include "transport/Port.h"
#include "transport/RawLog.h"
#include "turbine/PacketEncoder.h"
#include "turbine/PacketParser.h"
#include "turbine/TurbineQuery.h"

namespace sim::test {

// The turbine of the built-in field.
inline const std::string kTarget = "QOR123-7654321";

struct NodeReport {
    radio::NodeId node;
    std::uint16_t network;
    std::string name;
};

// Keeps every node report; raises found when the awaited name is reported.
class NodeRecorder final : public radio::NodeSink {
public:
    void onNode(radio::NodeId node, std::uint16_t network, const char* name,
                std::int32_t) override {
        reports.push_back({node, network, name});
        if (name == awaited) found = true;
    }
    std::vector<NodeReport> reports;
    std::string awaited;
    bool found = false;
};

// The tool's stack wired as the program wires it, on virtual time, in front of a field
// built from a scenario: simulated device, port and poller, the radio receive chain up to
// the packet parser, and the command link.
struct StackRig {
    transport::Settings settings;
    transport::VirtualClock clock;
    std::unique_ptr<SimulatedField> sim;
    radio::FrameEncoder encoder;
    radio::FrameAssembler assembler;
    radio::FrameDispatcher dispatcher;
    radio::PacketReassembler reassembler;
    turbine::PacketParser parser{settings};
    transport::RawLog rawLog;
    std::unique_ptr<transport::PortPoller> poller;
    radio::CommandLink link{settings, rawLog, encoder, dispatcher};
    radio::LocalCommandSender local{link};
    radio::RemoteCommandSender remote{link};
    NodeRecorder nodes;

    explicit StackRig(const Scenario& scenario) : sim(makeSimulatedField(scenario, clock)) {
        testsupport::linkChain(assembler, dispatcher, reassembler, parser);
        dispatcher.setNodeSink(&nodes);
        dispatcher.setPacketSender(&encoder.nodeAddress());
        poller = testsupport::openSimulatedPort(sim->device(), clock, settings, rawLog, assembler);
        if (!poller) return;
        // Current now, so that the first frame a test receives is not met by a reset of the
        // dispatcher.
        testsupport::makeCurrent(assembler, dispatcher, reassembler);
        link.setPoller(poller.get());
    }

    // Points the encoder's node address at the named node of the scenario.
    void target(const std::string& name) {
        for (const NodeConfig& node : sim->scenario().nodes) {
            if (node.name != name) continue;
            encoder.setNodeAddress(radio::makeNodeAddress(node.address64, node.address16));
            nodes.awaited = name;
        }
    }

    // The search as the worker makes it: "cb" 2, 800 ms, then discovery.
    int search() {
        const std::uint8_t cb[] = {'c', 'b', 2};
        local.sendWithParameters(transport::ByteView(cb, sizeof cb));
        clock.sleepFor(800);
        return local.discoverNodes(1100);
    }

    // A remote query: the send and the check of its answer.
    bool query(const char* letters, std::uint32_t& value) {
        return remote.send(letters) && radio::checkResponse(letters, dispatcher.body(), value);
    }

    // "bd" set to v, "wr", "fr", as the speed fix makes them; the results are not looked at.
    void switchSpeed(std::uint8_t v) {
        const std::uint8_t bd[] = {'b', 'd', v};
        remote.sendWithParameters(transport::ByteView(bd, sizeof bd));
        remote.send("wr");
        remote.send("fr");
    }

    // Up to ms / 500 waits of 500 ms, ended early when the target reports itself.
    bool waitForLink(int ms) {
        const int previous = link.setDefaultTimeout(500);
        nodes.found = false;
        for (int n = ms / 500; n > 0 && !nodes.found; --n) link.waitForCompletion(0);
        link.setDefaultTimeout(previous);
        return nodes.found;
    }

    const RemoteRadio& radio(const std::string& name) const { return *sim->field().radio(name); }
};

// The stack with the inverter query on top, aimed at the default field's target.
struct QueryRig : StackRig {
    turbine::PacketEncoder packets;
    turbine::TurbineQuery inverterQuery{link, packets, parser, clock};

    explicit QueryRig(const Scenario& scenario) : StackRig(scenario) { target(kTarget); }

    // The speed fix's test: the ordinary query with the word 0.
    std::int32_t probe() { return inverterQuery.probeInverter(false, true); }

    // Times at which transmit requests were written since the last clearRecords.
    std::vector<std::int64_t> transmissions() const {
        std::vector<std::int64_t> times;
        for (const auto& write : sim->device().writes()) {
            if (write.bytes.size() > 3 && write.bytes[3] == 0x10) times.push_back(write.atMs);
        }
        return times;
    }
};

}  // namespace sim::test
