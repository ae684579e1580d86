#pragma once

#include <memory>
#include <string>

#include "sim/Scenario.h"
#include "transport/Clock.h"

namespace sim {

// What the programs that run in front of a simulated field share: how the field is chosen
// and the clock it runs on.

// A factor as --time-scale takes it: a number from 0.01 to 1000.
bool parseTimeScale(const char* text, double& factor);
// What is wrong with text as a --time-scale factor, for the option's error; empty: nothing.
std::string timeScaleProblem(const std::string& text);

// Real time, sped up by factor unless it is 1.
std::unique_ptr<transport::Clock> makeFieldClock(double factor);

// The scenario in the file at path, or the built-in field when path is empty. On failure
// answers false and sets error.
bool chooseScenario(const std::string& path, Scenario& scenario, std::string& error);

}  // namespace sim
