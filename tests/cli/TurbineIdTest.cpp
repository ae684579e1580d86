#include <gtest/gtest.h>

#include "CliRig.h"
#include "cli/TurbineId.h"

using namespace clitest;

namespace {

// An ID is taken only when the dialog's reading of it searches exactly the number typed;
// otherwise the error says what was typed, what the dialog would have searched and what to
// type instead.
TEST(StrictTurbineIdTest, TakenOnlyWhenTheDialogSearchesTheNumberTyped) {
    struct Case {
        std::string id;
        std::int32_t target;  // 0: refused
        const char* why;
        const char* dialog;
        const char* instead;
    };
    const Case cases[] = {
        {"7654321", 7654321, "", "", ""},
        {"QOR123-7654321", 7654321, "", "", ""},
        {"T-1234", 1234, "", "", ""},
        {"QOR123 1", 1, "", "", ""},
        {"87654321", 0, "its number has 8 digits", "would search turbine 7654321",
         "Type 7654321 if that is the turbine"},
        {"0007654321", 0, "its number has 10 digits", "would search turbine 7654321",
         "Type 7654321 if that is the turbine"},
        {"QOR-7654321", 0, "loses its first six characters, \"QOR-76\", and they end inside",
         "would search turbine 54321", "Type 7654321 if that is the turbine"},
        {"QOR1234567", 0, "\"QOR123\", and they end inside", "would search turbine 4567",
         "Type 1234567 if that is the turbine"},
        {"0", 0, "its number is 0", "would search nothing (\"No identifier digits found.\")",
         "Type the turbine's number"},
        {"20000000", 0, "its number has 8 digits", "would search no turbine",
         "Type the turbine's number"},
        {"3000000000", 0, "its number has 10 digits", "would search no turbine",
         "Type the turbine's number"},
        {"T-12a34", 0, "it holds more than one number", "would search turbine 1234",
         "Type the turbine's number"},
        {"qor123-7654321", 0, "it holds more than one number", "would search turbine 7654321",
         "Type the turbine's number"},
        {"QOR12", 0, "no number follows them", "would search nothing", "Type the turbine's number"},
        {"MET-MAST-NORTH", 0, "there is no number in it", "would search nothing",
         "Type the turbine's number"},
        {std::string(70, 'x') + "1234", 0, "longer than the 63 characters", "would search nothing",
         "Type the turbine's number"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        std::int32_t target = -1;
        std::string error;
        const bool taken = cli::readTurbineId(c.id, target, error);
        EXPECT_EQ(taken, c.target != 0) << error;
        if (taken) {
            EXPECT_EQ(target, c.target);
            continue;
        }
        EXPECT_EQ(error.rfind("\"" + c.id + "\" does not name one turbine as typed: ", 0), 0u)
            << error;
        for (const char* part : {c.why, c.dialog, c.instead, "give its --address from scan."})
            EXPECT_NE(error.find(part), std::string::npos) << part << "\n" << error;
    }
}

// A command that writes to radios does not guess: a refused ID is a usage error before the
// radio is opened, and the radio hears nothing.
TEST(StrictTurbineIdTest, ARefusedIdReachesNoRadio) {
    for (const char* command : {"fix", "check"}) {
        for (const char* id : {"87654321", "QOR-7654321", "0"}) {
            SCOPED_TRACE(std::string(command) + " " + id);
            const CliResult run = runCli({command, id, "--sim", "--json"});
            EXPECT_EQ(run.exitCode, 2);
            EXPECT_EQ(run.out, "");
            EXPECT_EQ(run.err.rfind(std::string("qor-comm-fix-cli: \"") + id + "\"", 0), 0u)
                << run.err;
            EXPECT_FALSE(run.fieldMade);
        }
    }
}

}  // namespace
