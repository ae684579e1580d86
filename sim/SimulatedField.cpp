#include "sim/SimulatedField.h"

namespace sim {

SimulatedField::SimulatedField(const Scenario& scenario, transport::Clock& clock)
    : scenario_(scenario), field_(scenario_), device_(clock) {
    device_.setPeer(&field_);
    if (scenario_.device.openFails) device_.setFault(transport::DeviceFault::Open);
    if (scenario_.device.baudRateFails) device_.setFault(transport::DeviceFault::BaudRate);
    if (scenario_.device.vanishesAtMs >= 0) device_.vanishAt(scenario_.device.vanishesAtMs);
    if (scenario_.device.returnsAtMs >= 0) device_.returnAt(scenario_.device.returnsAtMs);
}

SimulatedField::~SimulatedField() { device_.setPeer(nullptr); }

std::unique_ptr<SimulatedField> makeSimulatedField(const Scenario& scenario,
                                                   transport::Clock& clock) {
    return std::make_unique<SimulatedField>(scenario, clock);
}

}  // namespace sim
