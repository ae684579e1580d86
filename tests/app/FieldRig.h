#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/ProcessObjects.h"
#include "app/Startup.h"
#include "sim/Scenario.h"
#include "sim/SimulatedField.h"
#include "transport/Clock.h"
#include "transport/PortFactory.h"

namespace app::testing {

// A fresh set of process objects in front of a simulated turbine field, on virtual time.
struct FieldRig {
    explicit FieldRig(const sim::Scenario& scenario = sim::defaultField())
        : field(sim::makeSimulatedField(scenario, clock)),
          factory(field->device(), clock, settings),
          objects(&factory, settings, clock) {}

    // Wires the chain and opens the port, as start-up does.
    bool attach() {
        wireReceiveChain(objects);
        return attachRadio(objects, objects.frameAssembler, kRadioDeviceIndex, kRadioBaud);
    }

    // The "bd" values written to remote radios, in order.
    std::vector<unsigned> speedsWritten() const;

    transport::VirtualClock clock;
    transport::Settings settings;
    std::unique_ptr<sim::SimulatedField> field;
    transport::PortFactory factory;
    ProcessObjects objects;
};

// A scenario from the project's scenario folder, or from text.
bool loadScenarioFile(const std::string& name, sim::Scenario& scenario, std::string& error);
bool parseField(const std::string& text, sim::Scenario& scenario, std::string& error);

}  // namespace app::testing
