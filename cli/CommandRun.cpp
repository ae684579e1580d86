#include "cli/CommandRun.h"

#include "app/ProcessObjects.h"
#include "app/TurbineIds.h"

namespace cli {

namespace {

using Listening = app::TurbineSearch::Listening;

Outcome outcomeOf(app::FixOutcome outcome) {
    switch (outcome) {
        case app::FixOutcome::SpeedCorrect:
            return Outcome::SpeedCorrect;
        case app::FixOutcome::SpeedFixed:
            return Outcome::SpeedFixed;
        case app::FixOutcome::QueryFailed:
            return Outcome::QueryFailed;
        case app::FixOutcome::LostLink:
            return Outcome::LostLink;
        case app::FixOutcome::Unable:
            return Outcome::Unable;
        case app::FixOutcome::DongleGone:
            return Outcome::DongleGone;
        case app::FixOutcome::Stopped:
            break;
    }
    return Outcome::Interrupted;
}

Outcome outcomeOf(app::SpeedCheck::Result result) {
    switch (result) {
        case app::SpeedCheck::Result::Answers:
            return Outcome::SpeedCorrect;
        case app::SpeedCheck::Result::NoAnswer:
            return Outcome::Unable;
        case app::SpeedCheck::Result::QueryFailed:
            return Outcome::QueryFailed;
        case app::SpeedCheck::Result::DongleGone:
            return Outcome::DongleGone;
        case app::SpeedCheck::Result::Stopped:
            break;
    }
    return Outcome::Interrupted;
}

// Whether the inverter answered at the fix's last test; none when the fix ended without one.
std::optional<bool> inverterAnswersAfter(app::FixOutcome outcome) {
    switch (outcome) {
        case app::FixOutcome::SpeedCorrect:
        case app::FixOutcome::SpeedFixed:
            return true;
        case app::FixOutcome::Unable:
            return false;
        case app::FixOutcome::QueryFailed:
        case app::FixOutcome::LostLink:
        case app::FixOutcome::DongleGone:
        case app::FixOutcome::Stopped:
            break;
    }
    return std::nullopt;
}

// The row of a radio the search judged, for one the node table had no room for.
NodeRow candidateRow(const app::Candidate& radio) {
    NodeRow row = rowOf(
        app::NodeReport{radio.address, radio.network, radio.name, app::nodeNameTarget(radio.name)});
    row.reports = radio.reports;
    return row;
}

}  // namespace

CommandRun::CommandRun(app::ProcessObjects& objects, RunView& view, std::int64_t startMs)
    : objects_(objects), view_(view), startMs_(startMs), search_(objects, *this) {
    statuses_ = &report_.statuses;
    objects_.frameDispatcher.setNodeSink(&search_);
}

CommandRun::~CommandRun() {
    // Nothing may call back into a run that has ended.
    objects_.frameDispatcher.setNodeSink(nullptr);
}

const RunReport& CommandRun::report() {
    if (report_.node) {
        if (const NodeRow* row = nodes_.find(report_.node->address)) report_.node = *row;
    }
    report_.nodes = nodes_.rows();
    report_.nodesNotListed = nodes_.reportsNotKept();
    report_.durationMs = elapsedMs();
    return report_;
}

Outcome CommandRun::scan() {
    report_.command = Command::Scan;
    search({}, Listening::WholeTime);
    if (const std::optional<Outcome> cut = cutShort()) return finish(*cut);
    return finish(nodes_.rows().empty() ? Outcome::NotFound : Outcome::Listed);
}

Outcome CommandRun::fix(const app::SearchTarget& target) {
    report_.command = Command::Fix;
    search(target, Listening::UntilTargetOrEnd);
    if (const std::optional<Outcome> missing = missingTarget()) return finish(*missing);
    const app::FixResult result = app::SpeedFix(objects_, search_, *this).run();
    report_.speedRead = result.speedRead;
    report_.speedsWritten = result.speedsWritten;
    report_.inverterAnswers = inverterAnswersAfter(result.outcome);
    return finish(outcomeOf(result.outcome));
}

Outcome CommandRun::check(const app::SearchTarget& target) {
    report_.command = Command::Check;
    search(target, Listening::UntilTargetOrEnd);
    if (const std::optional<Outcome> missing = missingTarget()) return finish(*missing);
    const CheckRow row = checkSelected(*report_.node);
    report_.speedRead = row.speed;
    report_.inverterAnswers = row.inverterAnswers;
    return finish(row.outcome);
}

Outcome CommandRun::checkAll() {
    report_.command = Command::Check;
    report_.all = true;
    search({}, Listening::WholeTime);
    if (const std::optional<Outcome> cut = cutShort()) return finish(*cut);
    std::vector<NodeRow> turbines;
    for (const NodeRow& row : nodes_.rows()) {
        if (row.turbine) turbines.push_back(row);
    }
    if (turbines.empty()) return finish(Outcome::NotFound);
    view_.surveying(turbines);
    Outcome outcome = Outcome::SpeedCorrect;
    for (std::size_t i = 0; i < turbines.size(); ++i) {
        view_.checking(turbines[i], i, turbines.size());
        // Each turbine is its address for its check: no other radio's report can move it.
        search_.select(turbines[i].address, turbines[i].network);
        CheckRow row = checkSelected(turbines[i]);
        if (row.outcome == Outcome::Interrupted) return finish(Outcome::Interrupted);
        if (outcome == Outcome::SpeedCorrect) outcome = row.outcome;
        report_.checks.push_back(std::move(row));
        view_.checked(report_.checks.back());
        if (report_.checks.back().outcome == Outcome::DongleGone)
            return finish(Outcome::DongleGone);
    }
    return finish(outcome);
}

void CommandRun::search(const app::SearchTarget& target, Listening listening) {
    if (target.number != 0) report_.target = target.number;
    report_.targetAddress = target.address;
    view_.searching(target);
    search_.setTarget(target);
    search_.run(listening);
}

std::optional<Outcome> CommandRun::missingTarget() {
    if (const std::optional<Outcome> cut = cutShort()) return cut;
    if (searched_.verdict == app::SearchResult::Verdict::Ambiguous) {
        for (const app::Candidate& radio : searched_.radios) {
            const NodeRow* row = nodes_.find(radio.address);
            report_.candidates.push_back(row ? *row : candidateRow(radio));
        }
        return Outcome::Ambiguous;
    }
    if (searched_.verdict != app::SearchResult::Verdict::Turbine) return Outcome::NotFound;
    const app::Candidate& turbine = searched_.radios.front();
    // Kept apart from the table, which a flood of made-up nodes may have filled.
    const NodeRow* row = nodes_.find(turbine.address);
    report_.node = row ? *row : candidateRow(turbine);
    std::size_t others = 0;
    for (const NodeRow& node : nodes_.rows()) {
        if (node.address != turbine.address) ++others;
    }
    view_.found(*report_.node, others);
    return std::nullopt;
}

CheckRow CommandRun::checkSelected(const NodeRow& turbine) {
    CheckRow row;
    row.node = turbine;
    const std::int64_t begun = elapsedMs();
    std::vector<StatusEntry>* const before = statuses_;
    if (report_.all) statuses_ = &row.statuses;
    const app::SpeedCheck result = app::SpeedFix(objects_, search_, *this).check();
    statuses_ = before;
    row.speed = result.speed;
    if (result.result == app::SpeedCheck::Result::Answers ||
        result.result == app::SpeedCheck::Result::NoAnswer)
        row.inverterAnswers = result.result == app::SpeedCheck::Result::Answers;
    row.outcome = outcomeOf(result.result);
    row.durationMs = elapsedMs() - begun;
    return row;
}

Outcome CommandRun::finish(Outcome outcome) {
    report_.outcome = outcome;
    view_.finished(report());
    return outcome;
}

std::optional<Outcome> CommandRun::cutShort() const {
    if (objects_.commandLink.stopped()) return Outcome::Interrupted;
    if (objects_.commandLink.portFailed()) return Outcome::DongleGone;
    return std::nullopt;
}

std::int64_t CommandRun::elapsedMs() const { return objects_.clock.nowMs() - startMs_; }

void CommandRun::onNodeReport(const app::NodeReport& report, app::NodeRole) {
    const std::size_t before = nodes_.rows().size();
    nodes_.add(report);
    if (nodes_.rows().size() != before) view_.nodesSoFar(nodes_.rows().size());
}

void CommandRun::setStatus(const std::string& text) {
    StatusEntry entry{elapsedMs(), text};
    if (statuses_) statuses_->push_back(entry);
    view_.status(entry);
}

}  // namespace cli
