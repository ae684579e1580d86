#include "cli/Program.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>

#include "cli/CommandRun.h"
#include "cli/Console.h"
#include "cli/Doctor.h"
#include "cli/Interrupt.h"
#include "cli/LiveLine.h"
#include "cli/Options.h"
#include "cli/Ports.h"
#include "cli/RadioDrivers.h"
#include "cli/ReplayRun.h"
#include "cli/Text.h"
#include "cli/TraceFile.h"
#include "cli/TraceHeader.h"
#include "cli/TraceRoles.h"
#include "cli/TurbineId.h"
#include "cli/Version.h"
#include "engine/Messages.h"
#include "engine/TurbineService.h"
#include "sim/SimulationSetup.h"
#include "transport/PortFactory.h"
#include "transport/TraceSink.h"

namespace cli {

namespace {

constexpr const char* kProgram = "qor-comm-fix-cli";

int usageError(const Context& context, const std::string& error) {
    std::fprintf(context.err, "%s: %s\nTry '%s --help'.\n", kProgram, error.c_str(), kProgram);
    return kExitUsage;
}

// The search for an ID: the number its strict reading gives, and the ID as typed, which is
// also a radio's exact name.
bool targetFromId(const std::string& id, engine::SearchTarget& target, std::string& error) {
    if (!readTurbineId(id, target.number, error)) return false;
    target.text = id;
    return true;
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

// Keeps the report the run ended with, for the summary once the radio is closed.
class Ending final : public RunView {
public:
    void finished(const RunReport& report) override { report_ = report; }
    const RunReport& report() const { return report_; }

private:
    RunReport report_;
};

// A run of the program, built up step by step: each step below adds what the later ones
// use, and a step that ends the run answers its exit code.
struct Run {
    Run(const std::vector<std::string>& argsIn, Context& contextIn)
        : args(argsIn), context(contextIn) {}

    const std::vector<std::string>& args;
    Context& context;
    Options options;
    engine::SearchTarget target;
    sim::Scenario scenario;
    std::unique_ptr<transport::Clock> ownClock;
    transport::Clock* clock = nullptr;
    std::int64_t startMs = 0;
    std::unique_ptr<ReplayRun> replay;
    std::unique_ptr<TraceFile> trace;
    std::unique_ptr<TraceRunView> traceView;
    std::unique_ptr<LiveLine> live;
    std::unique_ptr<Console> console;
    Ending ending;
    RunViews views;
};

// The command line: the options, the target and the scenario, or a usage error.
std::optional<int> readOptions(Run& run) {
    const CommandLine line = parseCommandLine(run.args, run.options);
    if (line.action == CommandLine::Action::Print) {
        std::fputs(line.text.c_str(), run.context.out);
        return kExitOk;
    }
    if (line.action == CommandLine::Action::UsageError) return usageError(run.context, line.text);
    const Options& options = run.options;
    std::string error;
    run.target.address = options.address;
    if ((options.command == Command::Fix || options.command == Command::Check) && !options.all &&
        !options.address && !targetFromId(options.id, run.target, error))
        return usageError(run.context, error);
    if (options.sim && !sim::chooseScenario(options.scenario, run.scenario, error))
        return usageError(run.context, error);
    return std::nullopt;
}

// The context's clock, or real time, sped up for the simulated field or a recording when
// asked.
void startClock(Run& run) {
    run.clock = run.context.clock;
    if (!run.clock) {
        const bool scaled = run.options.sim || !run.options.replayFile.empty();
        run.ownClock = scaled ? sim::makeFieldClock(run.options.timeScale)
                              : std::make_unique<transport::SteadyClock>();
        run.clock = run.ownClock.get();
    }
    run.startMs = run.clock->nowMs();
}

// A trace written over the recording it replays would destroy it as it is read.
bool sameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return a == b || std::filesystem::equivalent(a, b, error);
}

// The recording that stands in for the radio, when asked for; one that cannot be read is a
// usage error.
std::optional<int> openReplay(Run& run) {
    const Options& options = run.options;
    if (options.replayFile.empty()) return std::nullopt;
    if (!options.traceFile.empty() && sameFile(options.traceFile, options.replayFile))
        return usageError(run.context, "--trace would overwrite the recording --replay plays");
    std::string error;
    run.replay = ReplayRun::open(options.replayFile, *run.clock, error);
    if (run.replay) return std::nullopt;
    return usageError(run.context, "cannot replay the trace file " + printable(options.replayFile) +
                                       ": " + error);
}

// The trace file, when asked for; a file that cannot be written is a usage error.
std::optional<int> openTrace(Run& run) {
    const std::string& path = run.options.traceFile;
    if (path.empty()) return std::nullopt;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return usageError(run.context, "cannot write the trace file " + printable(path) + ": " +
                                           std::strerror(errno));
    }
    run.trace = std::make_unique<TraceFile>(file, *run.clock, run.startMs,
                                            traceHeader(run.args, run.options));
    return std::nullopt;
}

// Where the run's steps show: the terminal (and its live line), the trace, the ending.
void buildViews(Run& run) {
    if (run.context.liveLine) {
        run.live =
            std::make_unique<LiveLine>(run.context.err, *run.clock, run.startMs,
                                       run.context.liveRedrawMs, run.context.terminalColumns);
    }
    run.console = std::make_unique<Console>(run.context.out, run.options.json, run.live.get());
    run.views.add(*run.console);
    if (run.trace) {
        run.traceView = std::make_unique<TraceRunView>(*run.trace);
        run.views.add(*run.traceView);
    }
    run.views.add(run.ending);
}

// Opens the radio; without one, the run ends with NoRadio and the cause on the error stream.
bool attach(Run& run, engine::TurbineService& service) {
    transport::DriverError failure;
    if (service.attach(&failure, run.options.device.index())) return true;
    RunReport report;
    report.command = run.options.command;
    report.all = run.options.all;
    if (run.target.number > 0) report.target = run.target.number;
    report.targetAddress = run.target.address;
    report.outcome = Outcome::NoRadio;
    report.error = failure.describe();
    report.durationMs = run.clock->nowMs() - run.startMs;
    if (run.live) run.live->end();
    std::fprintf(run.context.err, "%s: %s. %s\n", kProgram, engine::kNoRadioText,
                 report.error.c_str());
    run.views.finished(report);
    return false;
}

// The command itself, while Ctrl-C, SIGTERM and a hang-up stop the service.
void runCommand(Run& run, engine::TurbineService& service) {
    const InterruptScope interrupt(service);
    CommandRun command(service, run.views, *run.clock, run.startMs);
    switch (run.options.command) {
        case Command::Scan:
            command.scan();
            break;
        case Command::Fix:
            command.fix(run.target);
            break;
        case Command::Check:
            if (run.options.all)
                command.checkAll();
            else
                command.check(run.target);
            break;
        case Command::Ports:   // runs without the radio
        case Command::Doctor:  // runs its own steps
        case Command::None:    // a usage error, told before
            break;
    }
}

// The command against the radio, from opening it to closing it.
void runOnRadio(Run& run) {
    const RadioDrivers drivers(run.options, run.scenario, run.context, *run.clock, run.trace.get(),
                               run.replay.get());
    const transport::Settings& settings = transport::kBuildSettings;
    transport::PortFactory factory(drivers.tried(), *run.clock, settings);
    engine::TurbineService service(&factory, settings, *run.clock);
    if (!attach(run, service)) return;
    if (run.replay) run.replay->stopWith(&service);
    runCommand(run, service);
    if (run.replay) run.replay->stopWith(nullptr);
}

// The radio is closed and the trace has its last line: whether the trace is whole is known
// before the summary, which says so. Answers the exit code.
int summarize(Run& run) {
    RunReport report = run.ending.report();
    if (run.replay) report.replay = run.replay->finish(report);
    if (run.trace && !run.trace->close()) {
        report.traceError = "the trace file " + printable(run.options.traceFile) +
                            " is incomplete: " + run.trace->failure();
    }
    run.console->summarize(report);
    if (report.replay) std::fputs(report.replay->text.c_str(), run.context.err);
    if (report.traceError)
        std::fprintf(run.context.err, "%s: warning: %s\n", kProgram, report.traceError->c_str());
    return exitCodeOf(report);
}

}  // namespace

int runProgram(const std::vector<std::string>& args, Context& context) {
    Run run(args, context);
    if (const std::optional<int> code = readOptions(run)) return *code;
    if (run.options.command == Command::Ports) return runPorts(run.options, run.context);
    startClock(run);
    if (const std::optional<int> code = openReplay(run)) return *code;
    if (const std::optional<int> code = openTrace(run)) return *code;
    NoTrace noTrace;
    std::unique_ptr<TraceDiagnostics> diagnostics;
    if (run.trace) diagnostics = std::make_unique<TraceDiagnostics>(*run.trace);
    const TraceSinkScope sinkScope(diagnostics ? static_cast<transport::TraceSink&>(*diagnostics)
                                               : noTrace);
    buildViews(run);
    if (run.options.command == Command::Doctor) {
        runDoctor(run.options, run.scenario, run.context, *run.clock, run.startMs, run.trace.get(),
                  run.views, run.live.get(), run.replay.get());
    } else {
        runOnRadio(run);
    }
    return summarize(run);
}

}  // namespace cli
