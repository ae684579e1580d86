#include "cli/Doctor.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "cli/DoctorChecks.h"
#include "cli/Interrupt.h"
#include "cli/LiveLine.h"
#include "cli/Options.h"
#include "cli/Program.h"
#include "cli/RadioDrivers.h"
#include "cli/ReplayRun.h"
#include "cli/RunView.h"
#include "cli/TraceFile.h"
#include "engine/TurbineService.h"
#include "transport/PortFactory.h"

namespace cli {

namespace {

NodeRow rowOf(const engine::RemoteRadio& radio) {
    NodeRow row;
    row.address = radio.address;
    row.network = radio.network;
    row.name = radio.name;
    row.turbine = radio.turbine;
    row.reports = 1;
    return row;
}

// Tells each step as it ends and gathers the report.
class DoctorRun {
public:
    DoctorRun(const Options& options, Context& context, transport::Clock& clock,
              std::int64_t startMs, TraceFile* trace, RunView& views, LiveLine* live)
        : options_(options),
          context_(context),
          clock_(clock),
          startMs_(startMs),
          trace_(trace),
          views_(views),
          live_(live) {
        report_.command = Command::Doctor;
    }

    // Answers whether the step passed; the next step, if it did, shows on the live line.
    bool tell(DoctorStep step, const char* next = nullptr) {
        const std::string text = stepText(step);
        if (trace_) trace_->note("doctor " + text.substr(0, text.find('\n')));
        if (!options_.json) {
            const auto print = [&] {
                std::fputs(text.c_str(), context_.out);
                std::fflush(context_.out);
            };
            if (live_)
                live_->printAround(print, step.passed && next ? next : "");
            else
                print();
        }
        const bool passed = step.passed;
        report_.steps.push_back(std::move(step));
        return passed;
    }

    void finish(Outcome outcome) {
        report_.outcome = outcome;
        // Why the radio could not be reached, as the other commands say it.
        if (outcome == Outcome::NoRadio && report_.error.empty() && !report_.steps.empty())
            report_.error = report_.steps.back().advice;
        report_.durationMs = clock_.nowMs() - startMs_;
        if (live_) live_->end();
        views_.finished(report_);
    }

    RunReport& report() { return report_; }

private:
    const Options& options_;
    Context& context_;
    transport::Clock& clock_;
    const std::int64_t startMs_;
    TraceFile* trace_;
    RunView& views_;
    LiveLine* live_;
    RunReport report_;
};

bool fileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

}  // namespace

void runDoctor(const Options& options, const sim::Scenario& scenario, Context& context,
               transport::Clock& clock, std::int64_t startMs, TraceFile* trace, RunView& views,
               LiveLine* live, ReplayRun* replay) {
    DoctorRun run(options, context, clock, startMs, trace, views, live);
    const transport::DeviceChoice& choice = options.device;
    if (replay) {
        run.tell(checkReplayed(DoctorStep::Check::Device));
        run.tell(checkReplayed(DoctorStep::Check::Access));
    } else if (options.sim) {
        if (!run.tell(checkSimulatedDevice(choice)) || !run.tell(checkSimulatedAccess()))
            return run.finish(Outcome::NoRadio);
    } else {
        const transport::PortListing listing =
            context.listPorts ? context.listPorts() : transport::listPorts();
        const bool exists = choice.isPath() && fileExists(choice.path());
        if (!run.tell(checkDevice(listing, choice, exists)) ||
            !run.tell(checkAccess(listing, choice), "opening the device"))
            return run.finish(Outcome::NoRadio);
    }

    const RadioDrivers drivers(options, scenario, context, clock, trace, replay);
    const transport::Settings& settings = transport::kBuildSettings;
    transport::PortFactory factory(drivers.tried(), clock, settings);
    engine::TurbineService service(&factory, settings, clock);
    transport::DriverError failure;
    const bool opened = service.attach(&failure, choice.index());
    if (!run.tell(checkOpens(opened, failure), "listening to the radio module"))
        return run.finish(Outcome::NoRadio);

    const InterruptScope interrupt(service);
    if (replay) replay->stopWith(&service);
    const engine::ModuleCheckResult result = service.checkModule();
    if (replay) replay->stopWith(nullptr);
    if (service.stopped()) return run.finish(Outcome::Stopped);
    if (result.cut) return run.finish(Outcome::DongleGone);
    if (!run.tell(checkModule(result))) return run.finish(Outcome::NoModule);
    for (const engine::RemoteRadio& radio : result.radios)
        run.report().nodes.push_back(rowOf(radio));
    if (!run.tell(checkRemotes(result))) return run.finish(Outcome::NotFound);
    run.finish(Outcome::Passed);
}

}  // namespace cli
