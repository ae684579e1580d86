#include "sim/SimulationSetup.h"

#include <cmath>
#include <cstdlib>

namespace sim {

namespace {
// Beyond these the clock's arithmetic would overflow (an endless factor, or a sleep scaled
// past any real time); no demonstration needs them.
constexpr double kSlowestTimeScale = 0.01;
constexpr double kFastestTimeScale = 1000.0;
}  // namespace

bool parseTimeScale(const char* text, double& factor) {
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || !std::isfinite(value) || value < kSlowestTimeScale ||
        value > kFastestTimeScale)
        return false;
    factor = value;
    return true;
}

std::string timeScaleProblem(const std::string& text) {
    double factor = 0;
    if (parseTimeScale(text.c_str(), factor)) return {};
    return "takes a number from 0.01 to 1000, not \"" + text + "\"";
}

std::unique_ptr<transport::Clock> makeFieldClock(double factor) {
    if (factor == 1.0) return std::make_unique<transport::SteadyClock>();
    return std::make_unique<transport::ScaledClock>(factor);
}

bool chooseScenario(const std::string& path, Scenario& scenario, std::string& error) {
    if (path.empty()) {
        scenario = defaultField();
        return true;
    }
    return loadScenario(path, scenario, error);
}

}  // namespace sim
