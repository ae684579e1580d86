#pragma once

#include <memory>
#include <vector>

#include "transport/Clock.h"
#include "transport/Driver.h"
#include "transport/TracingDriver.h"

namespace sim {
class SimulatedField;
struct Scenario;
}  // namespace sim

namespace cli {

struct Context;
struct Options;
class ReplayRun;
class TraceDriverLog;
class TraceFile;

// The drivers a run tries in turn to open the radio: the simulated field's device with
// --sim, the recorded run's with --replay, else those that reach the device --device names
// (the platform's, for an index); each seen through the trace when there is one. They live as
// long as this object, which outlives the service whose poller closes the device through one.
class RadioDrivers {
public:
    RadioDrivers(const Options& options, const sim::Scenario& scenario, Context& context,
                 transport::Clock& clock, TraceFile* trace, ReplayRun* replay);
    ~RadioDrivers();
    RadioDrivers(const RadioDrivers&) = delete;
    RadioDrivers& operator=(const RadioDrivers&) = delete;

    const std::vector<transport::Driver*>& tried() const { return tried_; }

private:
    std::unique_ptr<sim::SimulatedField> field_;
    std::vector<std::unique_ptr<transport::Driver>> platform_;
    std::unique_ptr<TraceDriverLog> traceLog_;
    std::vector<std::unique_ptr<transport::TracingDriver>> traced_;
    std::vector<transport::Driver*> tried_;
};

}  // namespace cli
