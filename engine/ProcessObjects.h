#pragma once

#include <memory>

#include "radio/CommandLink.h"
#include "radio/FrameAssembler.h"
#include "radio/FrameDispatcher.h"
#include "radio/FrameEncoder.h"
#include "radio/PacketReassembler.h"
#include "transport/Clock.h"
#include "transport/PortFactory.h"
#include "transport/PortPoller.h"
#include "transport/RawLog.h"
#include "transport/Settings.h"
#include "turbine/PacketEncoder.h"
#include "turbine/PacketParser.h"
#include "turbine/TurbineQuery.h"

namespace engine {

// The program's process-wide objects, built in one place. Members are constructed in the
// order listed and destroyed in reverse; the program keeps one instance for its whole run,
// and tests build fresh ones. Only the worker thread uses them once the dialog runs, and
// the worker has ended before they are destroyed.
class ProcessObjects {
public:
    ProcessObjects(transport::PortFactory* factory, const transport::Settings& settings,
                   transport::Clock& clock);
    ProcessObjects(const ProcessObjects&) = delete;
    ProcessObjects& operator=(const ProcessObjects&) = delete;

    // Destroys the current poller, if any, which closes its device.
    void releasePort();

    const transport::Settings settings;
    transport::Clock& clock;

    transport::PortFactory* const portFactory;
    radio::FrameEncoder frameEncoder;
    radio::FrameAssembler frameAssembler;
    radio::FrameDispatcher frameDispatcher;
    radio::PacketReassembler packetReassembler;
    turbine::PacketParser packetParser;
    transport::RawLog rawLog;
    turbine::PacketEncoder packetEncoder;

    std::unique_ptr<transport::PortPoller> poller;  // the current poller; null until attached
    radio::CommandLink commandLink;
    turbine::TurbineQuery turbineQuery;
};

}  // namespace engine
