#include "cli/Program.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "app/ProcessObjects.h"
#include "app/Startup.h"
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
#include "cli/TurbineId.h"
#include "cli/Version.h"
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
bool targetFromId(const std::string& id, app::SearchTarget& target, std::string& error) {
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

Outcome runCommand(CommandRun& run, const Options& options, const app::SearchTarget& target) {
    switch (options.command) {
        case Command::Scan:
            return run.scan();
        case Command::Fix:
            return run.fix(target);
        case Command::Check:
            return options.all ? run.checkAll() : run.check(target);
        case Command::Ports:
        case Command::Doctor:
        case Command::None:
            break;
    }
    return Outcome::UsageError;
}

// Keeps the report the run ended with, for the summary once the radio is closed.
class Ending final : public RunView {
public:
    void finished(const RunReport& report) override { report_ = report; }
    const RunReport& report() const { return report_; }

private:
    RunReport report_;
};

// The command against the radio, from opening it to closing it; the views hear of every
// step and of the end. Without a radio, says why on the error stream.
void runOnRadio(const Options& options, const app::SearchTarget& target,
                const sim::Scenario& scenario, Context& context, transport::Clock& clock,
                std::int64_t startMs, TraceFile* trace, RunView& views, LiveLine* live,
                ReplayRun* replay) {
    const RadioDrivers drivers(options, scenario, context, clock, trace, replay);
    const transport::Settings& settings = transport::kBuildSettings;
    transport::PortFactory factory(drivers.tried(), clock, settings);
    app::ProcessObjects objects(&factory, settings, clock);
    app::wireReceiveChain(objects);
    transport::DriverError failure;
    if (!app::attachRadio(objects, objects.frameAssembler, options.device.index(), app::kRadioBaud,
                          &failure)) {
        RunReport report;
        report.command = options.command;
        report.all = options.all;
        if (target.number > 0) report.target = target.number;
        report.targetAddress = target.address;
        report.outcome = Outcome::NoRadio;
        report.error = failure.describe();
        report.durationMs = clock.nowMs() - startMs;
        if (live) live->end();
        std::fprintf(context.err, "%s: Could not find downtower tallis radio. %s\n", kProgram,
                     report.error.c_str());
        views.finished(report);
        return;
    }
    const InterruptScope interrupt(objects.commandLink);
    CommandRun run(objects, views, startMs);
    if (replay) replay->stopWith(&objects.commandLink);
    runCommand(run, options, target);
    if (replay) replay->stopWith(nullptr);
}

// A trace written over the recording it replays would destroy it as it is read.
bool sameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return a == b || std::filesystem::equivalent(a, b, error);
}

}  // namespace

int runProgram(const std::vector<std::string>& args, Context& context) {
    Options options;
    const CommandLine line = parseCommandLine(args, options);
    if (line.action == CommandLine::Action::Print) {
        std::fputs(line.text.c_str(), context.out);
        return kExitOk;
    }
    if (line.action == CommandLine::Action::UsageError) return usageError(context, line.text);
    std::string error;
    app::SearchTarget target;
    target.address = options.address;
    if ((options.command == Command::Fix || options.command == Command::Check) && !options.all &&
        !options.address && !targetFromId(options.id, target, error))
        return usageError(context, error);
    if (options.command == Command::Ports) return runPorts(options, context);
    sim::Scenario scenario;
    if (options.sim && !sim::chooseScenario(options.scenario, scenario, error))
        return usageError(context, error);

    std::unique_ptr<transport::Clock> ownClock;
    transport::Clock* clock = context.clock;
    if (!clock) {
        ownClock = options.sim || !options.replayFile.empty()
                       ? sim::makeFieldClock(options.timeScale)
                       : std::make_unique<transport::SteadyClock>();
        clock = ownClock.get();
    }
    const std::int64_t startMs = clock->nowMs();

    std::unique_ptr<ReplayRun> replay;
    if (!options.replayFile.empty()) {
        if (!options.traceFile.empty() && sameFile(options.traceFile, options.replayFile))
            return usageError(context, "--trace would overwrite the recording --replay plays");
        replay = ReplayRun::open(options.replayFile, *clock, error);
        if (!replay) {
            return usageError(context, "cannot replay the trace file " +
                                           printable(options.replayFile) + ": " + error);
        }
    }

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

    std::unique_ptr<LiveLine> live;
    if (context.liveLine) {
        live = std::make_unique<LiveLine>(context.err, *clock, startMs, context.liveRedrawMs,
                                          context.terminalColumns);
    }
    Console console(context.out, options.json, live.get());
    Ending ending;
    RunViews views;
    views.add(console);
    if (trace) views.add(*trace);
    views.add(ending);
    if (options.command == Command::Doctor)
        runDoctor(options, scenario, context, *clock, startMs, trace.get(), views, live.get(),
                  replay.get());
    else
        runOnRadio(options, target, scenario, context, *clock, startMs, trace.get(), views,
                   live.get(), replay.get());

    // The radio is closed and the trace has its last line: whether the trace is whole is
    // known before the summary, which says so.
    RunReport report = ending.report();
    if (replay) report.replay = replay->finish(report);
    if (trace && !trace->close()) {
        report.traceError = "the trace file " + printable(options.traceFile) +
                            " is incomplete: " + trace->failure();
    }
    console.summarize(report);
    if (report.replay) std::fputs(report.replay->text.c_str(), context.err);
    if (report.traceError)
        std::fprintf(context.err, "%s: warning: %s\n", kProgram, report.traceError->c_str());
    return exitCodeOf(report);
}

}  // namespace cli
