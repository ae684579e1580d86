#include "app/Startup.h"

#include <cstdio>

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

int runFixApplication(ProcessObjects& objects, DialogHost& host) {
    wireReceiveChain(objects);
    transport::DriverError failure;
    if (!attachRadio(objects, objects.frameAssembler, kRadioDeviceIndex, kRadioBaud, &failure)) {
        const std::string cause = failure.describe();
        std::fprintf(stderr, "%s\n", cause.c_str());
        host.messageBox(BoxOwner::None, "Could not find downtower tallis radio",
                        "Communications fault", BoxIcon::Error, cause);
        return kExitNoRadio;
    }
    FixDialog dialog(host, objects);
    dialog.run(kFixDialogTemplate);
    dialog.stopWorker();
    return kExitOk;
}

}  // namespace app
