#pragma once

#include <string>

#include "cli/Report.h"
#include "engine/Results.h"
#include "transport/DeviceChoice.h"
#include "transport/DriverError.h"
#include "transport/PortListing.h"

namespace cli {

// doctor's five checks, each judged from what was found out before it: the list of ports,
// the open sequence's outcome, the module check. Each answers the step, with what it found
// and, when it failed, what to do: the remedies are the troubleshooting table's.

// 1: the device the choice names is there. pathExists: a device file is at the choice's
// path, for a port the listing does not know (one of another kind than USB).
DoctorStep checkDevice(const transport::PortListing& listing, const transport::DeviceChoice& choice,
                       bool pathExists);
// 2: nothing keeps this user from opening it, and which of the kernel's serial driver and
// the chip maker's library holds the dongle.
DoctorStep checkAccess(const transport::PortListing& listing,
                       const transport::DeviceChoice& choice);
// Checks 1 and 2 on the simulated field, which has device 0 alone.
DoctorStep checkSimulatedDevice(const transport::DeviceChoice& choice);
DoctorStep checkSimulatedAccess();
// --replay: the recording stands in for the device and this user's access to it.
DoctorStep checkReplayed(DoctorStep::Check check);
// 3: the open sequence set the line up.
DoctorStep checkOpens(bool opened, const transport::DriverError& failure);
// 4: the module answered the discovery request in frames.
DoctorStep checkModule(const engine::ModuleCheckResult& result);
// 5: remote radios answered it.
DoctorStep checkRemotes(const engine::ModuleCheckResult& result);

// The step's lines for the terminal: "4. The radio module answers in frame mode: ok. ...",
// and below a failed one, what to do.
std::string stepText(const DoctorStep& step);
// The last line, once the checks have run.
std::string doctorSummary(const RunReport& report);

}  // namespace cli
