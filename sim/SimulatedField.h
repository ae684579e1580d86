#pragma once

#include <memory>

#include "sim/Scenario.h"
#include "sim/TurbineField.h"
#include "transport/Clock.h"
#include "transport/SimulatedDevice.h"

namespace sim {

// A scenario made ready to use: the simulated USB device with the scenario's device faults
// applied, and the field standing behind it. The caller chooses the clock: virtual in
// tests, real or scaled in the demo. The field is driven by the thread that writes to the
// device; look at its state only while no other thread uses the device.
class SimulatedField {
public:
    SimulatedField(const Scenario& scenario, transport::Clock& clock);
    ~SimulatedField();
    SimulatedField(const SimulatedField&) = delete;
    SimulatedField& operator=(const SimulatedField&) = delete;

    transport::SimulatedDevice& device() { return device_; }
    TurbineField& field() { return field_; }
    const Scenario& scenario() const { return scenario_; }

private:
    Scenario scenario_;
    TurbineField field_;
    transport::SimulatedDevice device_;
};

std::unique_ptr<SimulatedField> makeSimulatedField(const Scenario& scenario,
                                                   transport::Clock& clock);

}  // namespace sim
