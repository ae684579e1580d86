#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "transport/Clock.h"
#include "transport/Driver.h"
#include "transport/PortListing.h"

namespace sim {
class SimulatedField;
}

namespace cli {

// Where the program runs: its streams, its clock and its drivers. The program itself uses
// the standard streams, real time and the platform's drivers; tests put in their own.
struct Context {
    std::FILE* out = stdout;
    std::FILE* err = stderr;
    // Draw the live line on err; the program does when err is a terminal.
    bool liveLine = false;
    int liveRedrawMs = 250;
    // The terminal's width in columns, for the live line; unset or 0: 80.
    std::function<int()> terminalColumns;
    // Null: real time, sped up with --sim --time-scale.
    transport::Clock* clock = nullptr;
    // The drivers tried in turn to open the radio; unset: those that reach the device
    // --device names.
    std::function<std::vector<std::unique_ptr<transport::Driver>>()> drivers;
    // ports and doctor: the devices there are; unset: the system's.
    std::function<transport::PortListing()> listPorts;
    // With --sim: told of the simulated field before the radio is attached.
    std::function<void(sim::SimulatedField&)> onSimulatedField;
};

// The whole program on the arguments after its name; answers the exit code. Ctrl-C, SIGTERM
// and a hang-up are handled while the command runs.
int runProgram(const std::vector<std::string>& args, Context& context);

}  // namespace cli
