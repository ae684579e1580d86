#include "cli/CommandRun.h"

#include "engine/TurbineService.h"

namespace cli {

namespace {

CheckRow rowOf(const NodeRow& node, const engine::CheckResult& check) {
    CheckRow row;
    row.node = node;
    row.speed = check.speed;
    row.inverterAnswers = check.inverterAnswers;
    row.outcome = check.outcome;
    return row;
}

}  // namespace

CommandRun::CommandRun(engine::TurbineService& service, RunView& view, transport::Clock& clock,
                       std::int64_t startMs)
    : service_(service), view_(view), clock_(clock), startMs_(startMs) {
    statuses_ = &report_.statuses;
    service_.setObserver(this);
}

CommandRun::~CommandRun() {
    // Nothing may call back into a run that has ended.
    service_.setObserver(nullptr);
}

const RunReport& CommandRun::report() {
    const engine::NodeTable& radios = service_.radios();
    if (report_.node) {
        if (const NodeRow* row = radios.find(report_.node->address)) report_.node = *row;
    }
    report_.nodes = radios.rows();
    report_.nodesNotListed = radios.reportsNotKept();
    report_.durationMs = elapsedMs();
    return report_;
}

Outcome CommandRun::scan() {
    report_.command = Command::Scan;
    return finish(search({}, engine::Listening::WholeTime).value_or(Outcome::Listed));
}

Outcome CommandRun::fix(const engine::SearchTarget& target) {
    report_.command = Command::Fix;
    if (const auto ending = search(target, engine::Listening::UntilTargetOrEnd))
        return finish(*ending);
    const engine::FixResult result = service_.fix();
    report_.speedRead = result.speedRead;
    report_.speedsWritten = result.speedsWritten;
    report_.inverterAnswers = result.inverterAnswers;
    return finish(result.outcome);
}

Outcome CommandRun::check(const engine::SearchTarget& target) {
    report_.command = Command::Check;
    if (const auto ending = search(target, engine::Listening::UntilTargetOrEnd))
        return finish(*ending);
    const engine::CheckResult result = service_.check();
    report_.speedRead = result.speed;
    report_.inverterAnswers = result.inverterAnswers;
    return finish(result.outcome);
}

Outcome CommandRun::checkAll() {
    report_.command = Command::Check;
    report_.all = true;
    view_.searching({});
    std::vector<engine::SurveyRow> rows;
    return finish(service_.survey(rows));
}

std::optional<Outcome> CommandRun::search(const engine::SearchTarget& target,
                                          engine::Listening listening) {
    if (target.number != 0) report_.target = target.number;
    report_.targetAddress = target.address;
    view_.searching(target);
    const engine::SearchResult result = service_.search(target, listening);
    const std::optional<Outcome> ending = service_.endingOf(result);
    if (ending == Outcome::Ambiguous) {
        for (const engine::Candidate& radio : result.radios)
            report_.candidates.push_back(service_.rowOf(radio));
    }
    if (ending || result.verdict != engine::SearchResult::Verdict::Turbine) return ending;
    // Kept apart from the table, which a flood of made-up nodes may have filled.
    const engine::Candidate& turbine = result.radios.front();
    report_.node = service_.rowOf(turbine);
    std::size_t others = 0;
    for (const NodeRow& node : service_.radios().rows()) {
        if (node.address != turbine.address) ++others;
    }
    view_.found(*report_.node, others);
    return std::nullopt;
}

Outcome CommandRun::finish(Outcome outcome) {
    report_.outcome = outcome;
    view_.finished(report());
    return outcome;
}

std::int64_t CommandRun::elapsedMs() const { return clock_.nowMs() - startMs_; }

void CommandRun::onNode(const engine::NodeReport&, engine::NodeRole, std::size_t radios) {
    // The command-line program counts radios: each node once, however often it reports.
    if (radios == radiosShown_) return;
    radiosShown_ = radios;
    view_.nodesSoFar(radios);
}

void CommandRun::onStatus(const std::string& text) {
    StatusEntry entry{elapsedMs(), text};
    if (statuses_) statuses_->push_back(entry);
    view_.status(entry);
}

void CommandRun::onSurveying(const std::vector<NodeRow>& turbines) { view_.surveying(turbines); }

void CommandRun::onChecking(const NodeRow& turbine, std::size_t index, std::size_t count) {
    view_.checking(turbine, index, count);
    checking_ = CheckRow{};
    checking_.durationMs = elapsedMs();  // the start, until the check ends
    statuses_ = &checking_.statuses;
}

void CommandRun::onChecked(const engine::SurveyRow& row) {
    CheckRow checked = rowOf(row.node, row.check);
    checked.statuses = std::move(checking_.statuses);
    checked.durationMs = elapsedMs() - checking_.durationMs;
    statuses_ = &report_.statuses;
    report_.checks.push_back(std::move(checked));
    view_.checked(report_.checks.back());
}

}  // namespace cli
