#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "cli/Report.h"
#include "cli/RunView.h"
#include "engine/ServiceObserver.h"
#include "engine/TurbineMatch.h"
#include "transport/Clock.h"

namespace engine {
class TurbineService;
}

namespace cli {

// One command against an attached radio, on the calling thread: the service runs the very
// search and speed fix the dialog's worker runs, and what it tells is gathered here for the
// views and the report. A stop of the service (Ctrl-C) ends each at once, as closing the
// dialog does, and the command with Stopped; nothing is written to the radio after it.
class CommandRun final : private engine::ServiceObserver {
public:
    // startMs: the run's start on the run's clock; times are told from it.
    CommandRun(engine::TurbineService& service, RunView& view, transport::Clock& clock,
               std::int64_t startMs);
    ~CommandRun() override;
    CommandRun(const CommandRun&) = delete;
    CommandRun& operator=(const CommandRun&) = delete;

    // Each fills the report and answers its outcome.
    Outcome scan();
    Outcome fix(const engine::SearchTarget& target);
    Outcome check(const engine::SearchTarget& target);
    Outcome checkAll();

    // Whatever the command has found so far, with the duration up to now.
    const RunReport& report();

private:
    // Searches for target, or for every node; answers how the command ends there, none when
    // the turbine it looked for was found.
    std::optional<Outcome> search(const engine::SearchTarget& target, engine::Listening listening);
    Outcome finish(Outcome outcome);
    std::int64_t elapsedMs() const;

    void onNode(const engine::NodeReport& report, engine::NodeRole role,
                std::size_t radios) override;
    void onStatus(const std::string& text) override;
    void onSurveying(const std::vector<NodeRow>& turbines) override;
    void onChecking(const NodeRow& turbine, std::size_t index, std::size_t count) override;
    void onChecked(const engine::SurveyRow& row) override;

    engine::TurbineService& service_;
    RunView& view_;
    transport::Clock& clock_;
    const std::int64_t startMs_;
    std::size_t radiosShown_ = 0;
    std::vector<StatusEntry>* statuses_ = nullptr;  // where status texts go now
    CheckRow checking_;                             // check --all: the row being checked
    RunReport report_;
};

}  // namespace cli
