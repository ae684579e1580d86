#include "engine/Attachment.h"

#include "engine/ProcessObjects.h"

namespace engine {

void wireReceiveChain(ProcessObjects& objects) {
    objects.frameAssembler.setPending(&objects.frameDispatcher);
    objects.frameDispatcher.setPending(&objects.packetReassembler);
    objects.packetReassembler.setPending(&objects.packetParser);
    // Current at once: a stage made current by the first hand-over would be reset then, and
    // forget what the exchange in progress awaits.
    objects.frameAssembler.sync();
    objects.frameDispatcher.sync();
    objects.packetReassembler.sync();
}

bool attachRadio(ProcessObjects& objects, transport::ByteSink& top, int deviceIndex, int baud,
                 transport::DriverError* failure, bool quiet) {
    objects.releasePort();
    if (!objects.portFactory) {
        if (failure) *failure = {transport::DriverError::Cause::NoDevice, 0, {}};
        return false;
    }
    objects.poller =
        objects.portFactory->createLinked(deviceIndex, baud, objects.rawLog, top, failure, quiet);
    if (!objects.poller) return false;
    objects.commandLink.setPoller(objects.poller.get());
    return true;
}

}  // namespace engine
