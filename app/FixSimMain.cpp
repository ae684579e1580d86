// qor-comm-fix-sim: the same application in front of a simulated turbine field.
#include <CLI/CLI.hpp>
#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/QtDialogHost.h"
#include "app/Startup.h"
#include "engine/TurbineService.h"
#include "sim/Scenario.h"
#include "sim/SimulatedField.h"
#include "sim/SimulationSetup.h"
#include "transport/Clock.h"
#include "transport/PortFactory.h"

namespace {

constexpr const char* kProgram = "qor-comm-fix-sim";
constexpr int kExitUsage = 2;

struct Options {
    std::string scenario;
    std::string timeScale;
    std::string screenshot;
};

int usageError(const std::string& error) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", kProgram, error.c_str(), kProgram);
    return kExitUsage;
}

CLI::Validator timeScale() {
    return CLI::Validator(
        [](const std::string& value) -> std::string {
            double factor = 0;
            if (sim::parseTimeScale(value.c_str(), factor)) return {};
            return "takes a number from 0.01 to 1000, not \"" + value + "\"";
        },
        "");
}

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
    const std::unique_ptr<sim::SimulatedField> field = sim::makeSimulatedField(scenario, *clock);
    field->device().setRecording(false);  // a run may last all day; nothing reads the records
    transport::PortFactory factory(field->device(), *clock, settings);

    engine::TurbineService service(&factory, settings, *clock);
    app::QtDialogHost host;
    if (!options.screenshot.empty()) {
        host.setOnShow([&options](QDialog& dialog) {
            QTimer::singleShot(0, &dialog, [&options, &dialog] {
                dialog.grab().save(QString::fromStdString(options.screenshot));
                dialog.close();
            });
        });
    }
    return app::runFixApplication(service, host);
}
