#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "app/SpeedFix.h"
#include "app/TurbineSearch.h"
#include "cli/NodeTable.h"
#include "cli/Report.h"
#include "cli/RunView.h"

namespace app {
class ProcessObjects;
}

namespace cli {

// One command against an attached radio, on the calling thread: the very search and speed
// fix the dialog's worker runs, with what they report gathered for the view and the report.
// A stop of the link (Ctrl-C) ends each at once, as closing the dialog does, and the
// command with Interrupted; nothing is written to the radio after it.
class CommandRun final : private app::NodeListener, private app::FixObserver {
public:
    // startMs: the run's start on the objects' clock; times are told from it.
    CommandRun(app::ProcessObjects& objects, RunView& view, std::int64_t startMs);
    ~CommandRun() override;
    CommandRun(const CommandRun&) = delete;
    CommandRun& operator=(const CommandRun&) = delete;

    // Each fills the report and answers its outcome.
    Outcome scan();
    Outcome fix(const app::SearchTarget& target);
    Outcome check(const app::SearchTarget& target);
    Outcome checkAll();

    // Whatever the command has found so far, with the duration up to now.
    const RunReport& report();

private:
    // Searches for target (none: for every node) and keeps every node that reports.
    void search(const app::SearchTarget& target, app::TurbineSearch::Listening listening);
    // After a search for a target: nothing when it was found, else how the command ends.
    std::optional<Outcome> missingTarget();
    // The link can no longer be used: Interrupted or DongleGone.
    std::optional<Outcome> cutShort() const;
    CheckRow checkSelected(const NodeRow& turbine);
    Outcome finish(Outcome outcome);
    std::int64_t elapsedMs() const;

    void onNodeReport(const app::NodeReport& report, app::NodeRole role) override;
    void onSearchEnded(const app::SearchResult& result) override { searched_ = result; }
    void setStatus(const std::string& text) override;
    void fixComplete() override {}

    app::ProcessObjects& objects_;
    RunView& view_;
    const std::int64_t startMs_;
    app::TurbineSearch search_;
    NodeTable nodes_;
    app::SearchResult searched_;                    // how the last search ended
    std::vector<StatusEntry>* statuses_ = nullptr;  // where status texts go now
    RunReport report_;
};

}  // namespace cli
