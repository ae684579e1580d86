#include "app/Startup.h"

#include "app/DialogHost.h"
#include "app/FixDialog.h"
#include "app/ProcessObjects.h"

namespace app {

void wireReceiveChain(ProcessObjects& objects) {
    objects.frameAssembler.setPending(&objects.frameDispatcher);
    objects.frameDispatcher.setPending(&objects.packetReassembler);
    objects.packetReassembler.setPending(&objects.packetParser);
}

bool attachRadio(ProcessObjects& objects, transport::ByteSink& top, int deviceIndex, int baud) {
    objects.releasePort();
    if (!objects.portFactory) return false;
    objects.poller = objects.portFactory->createLinked(deviceIndex, baud, objects.rawLog, top);
    if (!objects.poller) return false;
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
