#include "engine/ProcessObjects.h"

namespace engine {

ProcessObjects::ProcessObjects(transport::PortFactory* factory,
                               const transport::Settings& settingsIn, transport::Clock& clockIn)
    : settings(settingsIn),
      clock(clockIn),
      portFactory(factory),
      packetParser(settings),
      commandLink(settings, rawLog, frameEncoder, frameDispatcher),
      turbineQuery(commandLink, packetEncoder, packetParser, clock) {
    // Packet data is taken only from the node that remote commands and queries go to.
    frameDispatcher.setPacketSender(&frameEncoder.nodeAddress());
}

void ProcessObjects::releasePort() {
    commandLink.setPoller(nullptr);
    poller.reset();
}

}  // namespace engine
