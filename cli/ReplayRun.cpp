#include "cli/ReplayRun.h"

#include "engine/TurbineService.h"
#include "sim/Replay.h"
#include "sim/ReplayReport.h"

namespace cli {

namespace {

ReplayCheck::Verdict verdictOf(sim::ReplayResult::Kind kind) {
    switch (kind) {
        case sim::ReplayResult::Kind::Matched:
            return ReplayCheck::Verdict::Matched;
        case sim::ReplayResult::Kind::Diverged:
            return ReplayCheck::Verdict::Diverged;
        case sim::ReplayResult::Kind::EndedEarly:
            return ReplayCheck::Verdict::EndedEarly;
        case sim::ReplayResult::Kind::Unreadable:
            break;
    }
    return ReplayCheck::Verdict::Unreadable;
}

std::string ending(const std::string& outcome, int exitCode) {
    return outcome + ", exit code " + std::to_string(exitCode);
}

}  // namespace

ReplayRun::ReplayRun(std::unique_ptr<sim::Replay> replay) : replay_(std::move(replay)) {}

ReplayRun::~ReplayRun() = default;

std::unique_ptr<ReplayRun> ReplayRun::open(const std::string& path, transport::Clock& clock,
                                           std::string& error) {
    std::unique_ptr<sim::Replay> replay = sim::openReplay(path, clock, error);
    if (!replay) return nullptr;
    return std::unique_ptr<ReplayRun>(new ReplayRun(std::move(replay)));
}

std::vector<std::pair<transport::Driver*, std::string>> ReplayRun::drivers() const {
    std::vector<std::pair<transport::Driver*, std::string>> drivers;
    for (const sim::ReplayDriver& driver : replay_->drivers())
        drivers.emplace_back(driver.driver, driver.label);
    return drivers;
}

void ReplayRun::stopWith(engine::TurbineService* service) {
    if (!service) {
        replay_->setOnStop({});
        return;
    }
    replay_->setOnStop([service] { service->stop(); });
}

ReplayCheck ReplayRun::finish(const RunReport& report) {
    const sim::ReplayResult result = replay_->finish();
    ReplayCheck check;
    check.verdict = verdictOf(result.kind);
    if (result.line > 0) check.line = result.line;
    check.framesMatched = result.framesMatched;
    check.expected = result.expected;
    check.written = result.written;
    check.error = result.error;
    check.text = sim::describeReplay(result);
    if (!result.hasRecordedOutcome) return check;
    check.recordedOutcome = result.recordedOutcome.name;
    check.recordedExitCode = result.recordedOutcome.exitCode;
    if (check.verdict != ReplayCheck::Verdict::Matched) return check;
    // Every frame as recorded: whether the run judged them as the recorded run did.
    const std::string recorded =
        ending(result.recordedOutcome.name, result.recordedOutcome.exitCode);
    const std::string own = ending(nameOf(report.outcome), exitCodeOf(report.outcome));
    check.text +=
        recorded == own
            ? "Replay: the recorded run ended " + recorded + ", as this one.\n"
            : "Replay: the recorded run ended " + recorded + "; this one ended " + own + ".\n";
    return check;
}

}  // namespace cli
