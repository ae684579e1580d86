#include "app/Startup.h"

#include "app/DialogHost.h"
#include "app/FixDialog.h"
#include "app/ProcessObjects.h"

namespace app {

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

bool attachRadio(ProcessObjects& objects, transport::ByteSink& top, int deviceIndex, int baud) {
    objects.releasePort();
    if (!objects.portFactory) return false;
    transport::ByteSource* source = nullptr;
    std::unique_ptr<transport::PortPoller> poller =
        objects.portFactory->create(source, deviceIndex, baud);
    if (!poller || !source) return false;
    source->setPending(&objects.rawLog);
    source->sync();
    objects.rawLog.setPending(&top);
    objects.rawLog.sync();
    objects.poller = std::move(poller);
    objects.commandLink.setPoller(objects.poller.get());
    return true;
}

int runFixApplication(ProcessObjects& objects, DialogHost& host) {
    wireReceiveChain(objects);
    if (!attachRadio(objects, objects.frameAssembler, kRadioDeviceIndex, kRadioBaud)) {
        host.messageBox(BoxOwner::None, "Could not find downtower tallis radio",
                        "Communications fault", BoxIcon::Error);
        return kExitNoRadio;
    }
    FixDialog dialog(host, objects);
    dialog.run(kFixDialogTemplate);
    dialog.stopWorker();
    return kExitOk;
}

}  // namespace app
