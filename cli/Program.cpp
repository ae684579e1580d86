#include "cli/Program.h"

#include <cerrno>
#include <cstring>
#include <ctime>

#include "app/ProcessObjects.h"
#include "app/Startup.h"
#include "app/TurbineIds.h"
#include "cli/CommandRun.h"
#include "cli/Console.h"
#include "cli/Interrupt.h"
#include "cli/LiveLine.h"
#include "cli/Options.h"
#include "cli/Text.h"
#include "cli/TraceFile.h"
#include "sim/SimulatedField.h"
#include "sim/SimulationSetup.h"
#include "transport/DriverChooser.h"
#include "transport/PortFactory.h"
#include "transport/TraceSink.h"
#include "transport/TracingDriver.h"

#ifndef QOR_VERSION
#define QOR_VERSION "unknown"
#endif

namespace cli {

namespace {

constexpr const char* kProgram = "qor-comm-fix-cli";

int usageError(const Context& context, const std::string& error) {
    std::fprintf(context.err, "%s: %s\nTry '%s --help'.\n", kProgram, error.c_str(), kProgram);
    return kExitUsage;
}

// The ID as the dialog reads its Turbine ID box: at most 63 characters, "QOR" and the five
// characters after it skipped, the digits of the rest; the text itself names a radio exactly.
bool targetFromId(const std::string& id, app::SearchTarget& target, std::string& error) {
    const std::string typed = id.substr(0, app::kTurbineIdMaxChars);
    const std::int32_t value = app::turbineIdValue(typed);
    if (value == 0) {
        error = "No turbine specified: No identifier digits found.";
        return false;
    }
    target.number = app::targetOf(value);
    target.text = typed;
    if (target.number <= 0) {
        error = "\"" + printable(id) + "\" gives the turbine number " +
                std::to_string(target.number) +
                ", and a search needs one above 0 (the ID's last seven digits count)";
        return false;
    }
    return true;
}

std::string traceHeader(const std::vector<std::string>& args, const Options& options) {
    std::string command = kProgram;
    for (const std::string& arg : args) command += " " + printable(arg);
    char started[64] = "unknown";
    const std::time_t now = std::time(nullptr);
    if (const std::tm* utc = std::gmtime(&now))
        std::strftime(started, sizeof started, "%Y-%m-%dT%H:%M:%SZ", utc);
    const std::string radio =
        !options.sim ? std::string("the radio module, through the drivers tried in turn")
        : options.scenario.empty() ? std::string("the built-in simulated field")
                                   : "the simulated field of " + printable(options.scenario);
    return std::string("# ") + kProgram + " " + QOR_VERSION + " trace\n" + "# command: " + command +
           "\n" + "# radio: " + radio + "\n" + "# started: " + started + "\n" +
           "# each line: <ms> <tag> <data>; ms on the run's clock since it began\n"
           "# tx, rx: bytes written to, read from the radio module, in hex\n"
           "# out, err: the diagnostics the dialog program prints on standard output, error\n"
           "# note: the driver's calls and their answers, the steps of the run\n";
}

// The process's trace sink for the length of a run.
class TraceSinkScope {
public:
    explicit TraceSinkScope(transport::TraceSink& sink)
        : previous_(transport::setTraceSink(&sink)) {}
    ~TraceSinkScope() { transport::setTraceSink(previous_); }
    TraceSinkScope(const TraceSinkScope&) = delete;
    TraceSinkScope& operator=(const TraceSinkScope&) = delete;

private:
    transport::TraceSink* previous_;
};

Outcome runCommand(CommandRun& run, const Options& options, const app::SearchTarget& target) {
    switch (options.command) {
        case Command::Scan:
            return run.scan();
        case Command::Fix:
            return run.fix(target);
        case Command::Check:
            return options.all ? run.checkAll() : run.check(target);
        case Command::None:
            break;
    }
    return Outcome::UsageError;
}

}  // namespace

int runProgram(const std::vector<std::string>& args, Context& context) {
    Options options;
    std::string error;
    if (!parseOptions(args, options, error)) return usageError(context, error);
    if (options.help) {
        std::fputs(kUsage, context.out);
        return 0;
    }
    if (options.version) {
        std::fprintf(context.out, "%s %s\n", kProgram, QOR_VERSION);
        return 0;
    }
    app::SearchTarget target;
    target.address = options.address;
    if (options.command != Command::Scan && !options.all && !options.address &&
        !targetFromId(options.id, target, error))
        return usageError(context, error);

    std::unique_ptr<transport::Clock> ownClock;
    transport::Clock* clock = context.clock;
    if (!clock) {
        ownClock = options.sim ? sim::makeFieldClock(options.timeScale)
                               : std::make_unique<transport::SteadyClock>();
        clock = ownClock.get();
    }
    const std::int64_t startMs = clock->nowMs();

    std::unique_ptr<TraceFile> trace;
    if (!options.traceFile.empty()) {
        std::FILE* file = std::fopen(options.traceFile.c_str(), "wb");
        if (!file) {
            return usageError(context, "cannot write the trace file " +
                                           printable(options.traceFile) + ": " +
                                           std::strerror(errno));
        }
        trace = std::make_unique<TraceFile>(file, *clock, startMs, traceHeader(args, options));
    }
    NoTrace noTrace;
    const TraceSinkScope sinkScope(trace ? static_cast<transport::TraceSink&>(*trace) : noTrace);

    // The radio: the simulated field, or the drivers that may reach the dongle, each seen
    // through the trace when there is one.
    std::unique_ptr<sim::SimulatedField> field;
    std::vector<std::unique_ptr<transport::Driver>> platform;
    std::vector<std::pair<transport::Driver*, std::string>> drivers;
    if (options.sim) {
        sim::Scenario scenario;
        if (!sim::chooseScenario(options.scenario, scenario, error))
            return usageError(context, error);
        field = sim::makeSimulatedField(scenario, *clock);
        field->device().setRecording(false);  // nothing reads the records
        if (context.onSimulatedField) context.onSimulatedField(*field);
        drivers.emplace_back(&field->device(), "simulated device");
    } else {
        platform = context.drivers ? context.drivers() : transport::platformDrivers();
        for (std::size_t i = 0; i < platform.size(); ++i)
            drivers.emplace_back(platform[i].get(), "driver " + std::to_string(i + 1));
    }
    std::vector<std::unique_ptr<transport::TracingDriver>> traced;
    std::vector<transport::Driver*> tried;
    for (auto& [driver, label] : drivers) {
        if (trace) {
            traced.push_back(std::make_unique<transport::TracingDriver>(*driver, *trace, label));
            tried.push_back(traced.back().get());
        } else {
            tried.push_back(driver);
        }
    }

    const transport::Settings& settings = transport::kBuildSettings;
    transport::PortFactory factory(tried, *clock, settings);
    app::ProcessObjects objects(&factory, settings, *clock);

    std::unique_ptr<LiveLine> live;
    if (context.liveLine)
        live = std::make_unique<LiveLine>(context.err, *clock, startMs, context.liveRedrawMs);
    Console console(context.out, options.json, live.get());
    RunViews views;
    views.add(console);
    if (trace) views.add(*trace);

    app::wireReceiveChain(objects);
    transport::DriverError failure;
    if (!app::attachRadio(objects, objects.frameAssembler, app::kRadioDeviceIndex, app::kRadioBaud,
                          &failure)) {
        RunReport report;
        report.command = options.command;
        report.all = options.all;
        report.outcome = Outcome::NoRadio;
        report.error = failure.describe();
        report.durationMs = clock->nowMs() - startMs;
        if (live) live->end();
        std::fprintf(context.err, "%s: Could not find downtower tallis radio. %s\n", kProgram,
                     report.error.c_str());
        views.finished(report);
        return exitCodeOf(report.outcome);
    }

    const InterruptScope interrupt(objects.commandLink);
    CommandRun run(objects, views, startMs);
    return exitCodeOf(runCommand(run, options, target));
}

}  // namespace cli
