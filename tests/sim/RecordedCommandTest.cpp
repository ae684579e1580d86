#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "sim/RecordedCommand.h"

namespace sim::test {
namespace {

// What a front end replaying a trace takes from its header: the command and the ID to type.
TEST(RecordedCommandTest, ReadsTheCommandFromTheHeader) {
    struct Case {
        const char* header;
        bool found;
        const char* command;
        const char* id;
        bool byAddress;
        bool all;
    };
    const Case cases[] = {
        {"# qor-comm-fix-cli 0.1 trace\n# command: qor-comm-fix-cli fix 7654321 --sim "
         "--trace FILE\n# radio: x\n0 note a\n",
         true, "fix", "7654321", false, false},
        // Options before the command, and their values, are not the command or the ID.
        {"# command: qor-comm-fix-cli --trace FILE --time-scale 20 check QOR123-7654321\n", true,
         "check", "QOR123-7654321", false, false},
        {"# command: qor-comm-fix-cli --json --scenario fix fix 7654325\n", true, "fix", "7654325",
         false, false},
        {"# command: qor-comm-fix-cli fix --address 0013A20041C7F321 --sim\n", true, "fix", "",
         true, false},
        {"# command: qor-comm-fix-cli check --all --sim\r\n", true, "check", "", false, true},
        // An old header, with its start time, reads the same.
        {"# qor-comm-fix-cli 0.1 trace\n# command: qor-comm-fix-cli fix 7654321 --sim\n"
         "# started: 2026-12-09T10:00:00Z\n",
         true, "fix", "7654321", false, false},
        // Only the header counts: a command line after the first data line is not read.
        {"# qor-comm-fix-cli 0.1 trace\n0 note x\n# command: qor-comm-fix-cli fix 7654321\n", false,
         "", "", false, false},
        {"# command: qor-comm-fix-cli --sim\n", false, "", "", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.header);
        std::istringstream in(c.header);
        RecordedCommand command;
        EXPECT_EQ(readRecordedCommand(in, command), c.found);
        EXPECT_EQ(command.command, c.command);
        EXPECT_EQ(command.id, c.id);
        EXPECT_EQ(command.byAddress, c.byAddress);
        EXPECT_EQ(command.all, c.all);
    }
}

}  // namespace
}  // namespace sim::test
