#pragma once

#include <string>
#include <vector>

#include "FakeDialogHost.h"
#include "FieldRig.h"
#include "app/FixDialog.h"
#include "app/LinkWorker.h"

namespace app::testing {

// The Fix dialog on the test double, in front of a simulated field; the test's thread is
// the dialog's thread while run() runs.
struct DialogRun {
    explicit DialogRun(const sim::Scenario& scenario = sim::defaultField()) : rig(scenario) {
        attached = rig.attach();
    }

    // Runs the dialog until the script closes it, then ends the worker as start-up does.
    int run(FakeDialogHost::Script script) {
        host.setScript(std::move(script));
        const int result = dialog.run(kFixDialogTemplate);
        dialog.stopWorker();
        return result;
    }

    LinkWorker& worker() { return *dialog.worker(); }
    std::vector<std::string> statuses() const { return host.texts(kIdStatus); }
    std::string lastText(int id) const {
        const std::vector<std::string> all = host.texts(id);
        return all.empty() ? std::string() : all.back();
    }

    FieldRig rig;
    bool attached = false;
    FakeDialogHost host;
    FixDialog dialog{host, rig.service};
};

}  // namespace app::testing
