#pragma once

#include <istream>
#include <string>

namespace sim {

// What the recorded run was asked to do, as the trace's header says: its command and the
// turbine it named, so that a front end can ask the same of the recording.
struct RecordedCommand {
    std::string command;     // "fix", "check", "scan"; empty when the header does not say
    std::string id;          // the turbine ID as typed; empty when none was given
    bool byAddress = false;  // the radio was named by --address, not by an ID
    bool all = false;        // check --all
};

// Reads the comment lines at the start of a trace, up to the first line that is not one.
// Answers false when none of them names the command.
bool readRecordedCommand(std::istream& in, RecordedCommand& command);

}  // namespace sim
