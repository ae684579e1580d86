#include "cli/TraceRoles.h"

#include "cli/Text.h"
#include "sim/TraceNotes.h"

namespace cli {

// A replay knows a run its user stopped by this name, and stops the replayed run there.
static_assert(std::string_view(nameOf(engine::Outcome::Stopped)) == sim::kStoppedOutcome);

void TraceDriverLog::onCall(std::string_view call, const transport::DriverError& result) {
    std::string text(call);
    text += result.ok() ? ": ok" : ": failed: " + result.describe();
    file_.note(text);
}

void TraceRunView::searching(const engine::SearchTarget& target) {
    const std::string subject = searchSubject(target);
    file_.note(subject.empty() ? "search for every node" : "search for " + subject);
}

void TraceRunView::found(const NodeRow& node, std::size_t others) {
    file_.note("found " + node.name + " " + hexAddress(node.address) + " " +
               hexNetwork(node.network) + "; " + std::to_string(others) + " other nodes");
}

void TraceRunView::status(const StatusEntry& entry) { file_.note("status " + entry.text); }

void TraceRunView::checking(const NodeRow& turbine, std::size_t index, std::size_t count) {
    file_.note("check " + std::to_string(index + 1) + " of " + std::to_string(count) + ": " +
               turbine.name + " " + hexAddress(turbine.address) + " " +
               hexNetwork(turbine.network));
}

void TraceRunView::checked(const CheckRow& row) {
    file_.note("checked " + row.node.name + ": " + nameOf(row.outcome));
}

void TraceRunView::finished(const RunReport& report) {
    file_.note(std::string("outcome ") + nameOf(report.outcome) + ", exit code " +
               std::to_string(exitCodeOf(report.outcome)));
}

}  // namespace cli
