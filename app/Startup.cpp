#include "app/Startup.h"

#include <cstdio>

#include "app/DialogHost.h"
#include "app/FixDialog.h"
#include "engine/Messages.h"
#include "engine/TurbineService.h"

namespace app {

int runFixApplication(engine::TurbineService& service, DialogHost& host) {
    transport::DriverError failure;
    if (!service.attach(&failure)) {
        const std::string cause = failure.describe();
        std::fprintf(stderr, "%s\n", cause.c_str());
        host.messageBox(BoxOwner::None, engine::kNoRadioText, engine::kNoRadioTitle, BoxIcon::Error,
                        cause);
        return kExitNoRadio;
    }
    FixDialog dialog(host, service);
    dialog.run(kFixDialogTemplate);
    dialog.stopWorker();
    return kExitOk;
}

}  // namespace app
