// qor-comm-fix-sim: the same application in front of a simulated turbine field.
#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <string>

#include "app/ProcessObjects.h"
#include "app/QtDialogHost.h"
#include "app/Startup.h"
#include "sim/Scenario.h"
#include "sim/SimulatedField.h"
#include "sim/SimulationSetup.h"
#include "transport/Clock.h"
#include "transport/PortFactory.h"

namespace {

constexpr const char* kUsage =
    "usage: qor-comm-fix-sim [--scenario FILE] [--time-scale FACTOR] [--screenshot PNG]\n"
    "  --scenario FILE      the field to simulate (default: the built-in field)\n"
    "  --time-scale FACTOR  run the field's clock FACTOR times faster than real time\n"
    "                       (0.01 to 1000)\n"
    "  --screenshot PNG     save the dialog as it first shows to PNG, then close it\n";
constexpr int kExitUsage = 2;

struct Options {
    std::string scenario;
    double timeScale = 1.0;
    std::string screenshot;
};

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc) return false;
        const char* value = argv[++i];
        if (option == "--scenario") {
            options.scenario = value;
        } else if (option == "--time-scale") {
            if (!sim::parseTimeScale(value, options.timeScale)) return false;
        } else if (option == "--screenshot") {
            options.screenshot = value;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help" || option == "-h") {
            std::fputs(kUsage, stdout);  // before Qt, which needs a display
            return 0;
        }
    }
    QApplication application(argc, argv);  // takes Qt's own options out of argv
    app::useClassicStyle(application);
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    sim::Scenario scenario;
    std::string error;
    if (!sim::chooseScenario(options.scenario, scenario, error)) {
        std::fprintf(stderr, "qor-comm-fix-sim: %s\n", error.c_str());
        return kExitUsage;
    }

    const std::unique_ptr<transport::Clock> clock = sim::makeFieldClock(options.timeScale);
    const transport::Settings& settings = transport::kBuildSettings;
    const std::unique_ptr<sim::SimulatedField> field = sim::makeSimulatedField(scenario, *clock);
    field->device().setRecording(false);  // a run may last all day; nothing reads the records
    transport::PortFactory factory(field->device(), *clock, settings);

    app::ProcessObjects objects(&factory, settings, *clock);
    app::QtDialogHost host;
    if (!options.screenshot.empty()) {
        host.setOnShow([&options](QDialog& dialog) {
            QTimer::singleShot(0, &dialog, [&options, &dialog] {
                dialog.grab().save(QString::fromStdString(options.screenshot));
                dialog.close();
            });
        });
    }
    return app::runFixApplication(objects, host);
}
