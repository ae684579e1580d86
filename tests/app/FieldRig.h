#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/ProcessObjects.h"
#include "engine/TurbineSearch.h"
#include "engine/TurbineService.h"
#include "sim/Scenario.h"
#include "sim/SimulatedField.h"
#include "transport/Clock.h"
#include "transport/PortFactory.h"

namespace app::testing {

// A fresh turbine service in front of a simulated turbine field, on virtual time; its
// process objects for the tests that look inside.
struct FieldRig {
    explicit FieldRig(const sim::Scenario& scenario = sim::defaultField())
        : field(sim::makeSimulatedField(scenario, clock)),
          factory(field->device(), clock, settings),
          service(&factory, settings, clock),
          objects(service.objects()) {}

    // Opens the port, as start-up does.
    bool attach() { return service.attach(); }

    // The "bd" values written to remote radios, in order.
    std::vector<unsigned> speedsWritten() const;
    // Frames written so far with this API frame type.
    int framesWritten(std::uint8_t type) const;
    // Remote command frames written so far with these two letters, reads and sets alike.
    int remoteCommandsWritten(const char* letters) const;

    transport::VirtualClock clock;
    transport::Settings settings;
    std::unique_ptr<sim::SimulatedField> field;
    transport::PortFactory factory;
    engine::TurbineService service;
    engine::ProcessObjects& objects;
};

// Stands between the device and the field and holds the writing thread inside its nth
// write of a frame of one type (0: none) until release, so that another thread can act
// at that exact point of an exchange. Every write still reaches the field first.
class WriteGate final : public transport::DevicePeer {
public:
    WriteGate(FieldRig& rig, std::uint8_t frameType, int nth);
    ~WriteGate() override;

    void onWrite(transport::ByteView bytes, std::int64_t nowMs,
                 transport::DeviceLine& line) override;
    // What the field sends unasked still reaches the line.
    void onTime(std::int64_t untilMs, transport::DeviceLine& line) override;
    bool holding() const;
    void release();

private:
    FieldRig& rig_;
    const std::uint8_t frameType_;
    const int nth_;
    int seen_ = 0;  // the writing thread's own
    mutable std::mutex mutex_;
    std::condition_variable released_;
    bool holding_ = false;
    bool open_ = false;
};

// A scenario from the project's scenario folder, or from text.
bool loadScenarioFile(const std::string& name, sim::Scenario& scenario, std::string& error);
bool parseField(const std::string& text, sim::Scenario& scenario, std::string& error);

}  // namespace app::testing
