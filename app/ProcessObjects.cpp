#include "app/ProcessObjects.h"

namespace app {

ProcessObjects::ProcessObjects(transport::PortFactory* factory,
                               const transport::Settings& settingsIn, transport::Clock& clockIn)
    : settings(settingsIn),
      clock(clockIn),
      portFactory(factory),
      packetParser(settings),
      commandLink(settings, rawLog, frameEncoder, frameDispatcher),
      turbineQuery(commandLink, packetEncoder, packetParser, clock) {}

void ProcessObjects::releasePort() {
    commandLink.setPoller(nullptr);
    poller.reset();
}

}  // namespace app
