#include "cli/RadioDrivers.h"

#include <string>
#include <utility>

#include "cli/Options.h"
#include "cli/Program.h"
#include "cli/ReplayRun.h"
#include "cli/TraceFile.h"
#include "cli/TraceRoles.h"
#include "sim/SimulatedField.h"
#include "transport/DriverChooser.h"

namespace cli {

RadioDrivers::RadioDrivers(const Options& options, const sim::Scenario& scenario, Context& context,
                           transport::Clock& clock, TraceFile* trace, ReplayRun* replay) {
    std::vector<std::pair<transport::Driver*, std::string>> drivers;
    if (options.sim) {
        field_ = sim::makeSimulatedField(scenario, clock);
        field_->device().setRecording(false);  // nothing reads the records
        if (context.onSimulatedField) context.onSimulatedField(*field_);
        drivers.emplace_back(&field_->device(), "simulated device");
    } else if (replay) {
        drivers = replay->drivers();
    } else {
        platform_ = context.drivers ? context.drivers() : transport::driversFor(options.device);
        for (std::size_t i = 0; i < platform_.size(); ++i)
            drivers.emplace_back(platform_[i].get(), "driver " + std::to_string(i + 1));
    }
    if (trace) traceLog_ = std::make_unique<TraceDriverLog>(*trace);
    for (auto& [driver, label] : drivers) {
        if (traceLog_) {
            traced_.push_back(
                std::make_unique<transport::TracingDriver>(*driver, *traceLog_, label));
            tried_.push_back(traced_.back().get());
        } else {
            tried_.push_back(driver);
        }
    }
}

RadioDrivers::~RadioDrivers() = default;

}  // namespace cli
