// qor-comm-fix-sim: the same application in front of a simulated turbine field.
#include <CLI/CLI.hpp>
#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/QtDialogHost.h"
#include "app/ReplayOperator.h"
#include "app/Startup.h"
#include "engine/TurbineService.h"
#include "sim/RecordedCommand.h"
#include "sim/Replay.h"
#include "sim/ReplayReport.h"
#include "sim/Scenario.h"
#include "sim/SimulatedField.h"
#include "sim/SimulationSetup.h"
#include "transport/Clock.h"
#include "transport/PortFactory.h"

namespace {

constexpr const char* kProgram = "qor-comm-fix-sim";
constexpr int kExitUsage = 2;
// A replay that left its recording, or whose recording ended first: the command-line
// program's codes for the same, so that support's scripts read both alike.
constexpr int kExitReplayDiverged = 9;
constexpr int kExitReplayEndedEarly = 10;

struct Options {
    std::string scenario;
    std::string timeScale;
    std::string screenshot;
    std::string replay;
};

int usageError(const std::string& error) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", kProgram, error.c_str(), kProgram);
    return kExitUsage;
}

CLI::Validator timeScale() { return CLI::Validator(sim::timeScaleProblem, ""); }

}  // namespace

int main(int argc, char** argv) {
    // The program's own options, read before Qt starts, as the help needs no display.
    // What they leave goes to Qt, which takes its own (-platform, -display, ...); anything
    // neither takes is a usage error.
    Options options;
    CLI::App commandLine{"The Fix dialog in front of a simulated turbine field.", kProgram};
    commandLine.set_help_flag("-h,--help", "print this help and exit");
    commandLine
        .add_option("--scenario", options.scenario, "the field to simulate (default: built-in)")
        ->type_name("FILE");
    commandLine
        .add_option("--time-scale", options.timeScale,
                    "run the field's clock FACTOR times faster (0.01 to 1000)")
        ->check(timeScale())
        ->type_name("FACTOR");
    commandLine
        .add_option("--screenshot", options.screenshot,
                    "save the dialog as it first shows to PNG, then close it")
        ->type_name("PNG");
    commandLine
        .add_option("--replay", options.replay,
                    "show the dialog against the trace FILE that qor-comm-fix-cli --trace "
                    "wrote, driven as its command was")
        ->excludes("--scenario")
        ->type_name("FILE");
    commandLine.footer("Qt's own options, such as -platform offscreen, pass to Qt.");
    commandLine.get_formatter()->column_width(23);
    commandLine.allow_extras();
    try {
        commandLine.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::fputs(commandLine.help().c_str(), stdout);
        return 0;
    } catch (const CLI::ParseError& error) {
        return usageError(error.what());
    }
    std::vector<std::string> forQt = commandLine.remaining();
    std::vector<char*> qtArgs{argv[0]};
    for (std::string& arg : forQt) qtArgs.push_back(arg.data());
    qtArgs.push_back(nullptr);
    int qtArgc = static_cast<int>(qtArgs.size()) - 1;
    QApplication application(qtArgc, qtArgs.data());  // takes Qt's own options out
    if (qtArgc > 1) return usageError("unexpected argument \"" + std::string(qtArgs[1]) + "\"");
    app::useClassicStyle(application);
    double factor = 1.0;
    if (!options.timeScale.empty()) sim::parseTimeScale(options.timeScale.c_str(), factor);

    sim::Scenario scenario;
    std::string error;
    if (!sim::chooseScenario(options.scenario, scenario, error)) {
        std::fprintf(stderr, "qor-comm-fix-sim: %s\n", error.c_str());
        return kExitUsage;
    }

    const std::unique_ptr<transport::Clock> clock = sim::makeFieldClock(factor);
    const transport::Settings& settings = transport::kBuildSettings;
    std::unique_ptr<sim::SimulatedField> field;
    std::unique_ptr<sim::Replay> replay;
    std::vector<transport::Driver*> drivers;
    sim::RecordedCommand recorded;
    if (options.replay.empty()) {
        field = sim::makeSimulatedField(scenario, *clock);
        field->device().setRecording(false);  // a run may last all day; nothing reads the records
        drivers.push_back(&field->device());
    } else {
        replay = sim::openReplay(options.replay, *clock, error);
        if (!replay)
            return usageError("cannot replay the trace file " + options.replay + ": " + error);
        std::ifstream header(options.replay, std::ios::binary);
        if (!sim::readRecordedCommand(header, recorded))
            std::fprintf(stderr, "%s: the trace does not say its command; nothing is typed\n",
                         kProgram);
        else if (recorded.id.empty() || recorded.all || recorded.byAddress)
            std::fprintf(stderr,
                         "%s: the dialog cannot ask what the recorded \"%s\" asked, by a turbine "
                         "ID; nothing is typed\n",
                         kProgram, recorded.command.c_str());
        for (const sim::ReplayDriver& driver : replay->drivers()) drivers.push_back(driver.driver);
    }
    transport::PortFactory factory(drivers, *clock, settings);

    engine::TurbineService service(&factory, settings, *clock);
    app::QtDialogHost host;
    std::unique_ptr<app::ReplayOperator> player;
    if (replay) player = std::make_unique<app::ReplayOperator>(host, *replay, recorded);
    host.setOnShow([&options, &player](QDialog& dialog) {
        if (player) player->start(dialog);
        if (options.screenshot.empty()) return;
        QTimer::singleShot(0, &dialog, [&options, &dialog] {
            dialog.grab().save(QString::fromStdString(options.screenshot));
            dialog.close();
        });
    });
    const int exitCode = app::runFixApplication(service, host);
    if (!replay) return exitCode;
    player.reset();
    const sim::ReplayResult result = replay->finish();
    std::fputs(sim::describeReplay(result).c_str(), stderr);
    switch (result.kind) {
        case sim::ReplayResult::Kind::Diverged:
            return kExitReplayDiverged;
        case sim::ReplayResult::Kind::EndedEarly:
            return kExitReplayEndedEarly;
        case sim::ReplayResult::Kind::Unreadable:
            return kExitUsage;
        case sim::ReplayResult::Kind::Matched:
            break;
    }
    return exitCode;
}
