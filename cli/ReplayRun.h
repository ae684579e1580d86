#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "cli/Report.h"
#include "transport/Clock.h"
#include "transport/Driver.h"

namespace engine {
class TurbineService;
}
namespace sim {
class Replay;
}

namespace cli {

// A recording played in place of the radio (--replay): the drivers the recorded run tried,
// failing as they did, the recording behind the one that opened; the run stopped where the
// replay stops; and at the end, how the run went against the recording.
class ReplayRun {
public:
    // Null when the recording cannot be opened or read; error says why.
    static std::unique_ptr<ReplayRun> open(const std::string& path, transport::Clock& clock,
                                           std::string& error);
    ~ReplayRun();
    ReplayRun(const ReplayRun&) = delete;
    ReplayRun& operator=(const ReplayRun&) = delete;

    // The drivers, in the order the recorded run tried them, with the recording's names.
    std::vector<std::pair<transport::Driver*, std::string>> drivers() const;
    // While service lives: a replay that stops before the run does stops the service there,
    // rather than let it wait out its time-outs on a recording that has nothing more to say.
    // Null: no service any more.
    void stopWith(engine::TurbineService* service);
    // Once the radio is closed: how the run, which ended as report says, went against the
    // recording.
    ReplayCheck finish(const RunReport& report);

private:
    explicit ReplayRun(std::unique_ptr<sim::Replay> replay);

    std::unique_ptr<sim::Replay> replay_;
};

}  // namespace cli
