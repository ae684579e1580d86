#pragma once

#include <cstdio>
#include <string>

#include "cli/LiveLine.h"
#include "cli/RunView.h"

namespace cli {

// What the operator reads: each step as it happens and a summary at the end on the output
// stream, or, for scripts, the one JSON object at the end and nothing else there. The live
// line, when there is one, is kept up to date either way: it is on the error stream. Node
// names are made printable. A stream that can no longer be written (a terminal gone with its
// session, a reader gone from a pipe) loses what is printed, and the run goes on.
class Console final : public RunView {
public:
    // live: null when the error stream is not a terminal.
    Console(std::FILE* out, bool json, LiveLine* live);

    void searching(const engine::SearchTarget& target) override;
    void nodesSoFar(std::size_t count) override;
    void found(const NodeRow& node, std::size_t others) override;
    void status(const StatusEntry& entry) override;
    void surveying(const std::vector<NodeRow>& turbines) override;
    void checking(const NodeRow& turbine, std::size_t index, std::size_t count) override;
    void checked(const CheckRow& row) override;
    // Clears the live line: the run is over.
    void finished(const RunReport& report) override;
    // The summary or the JSON object, once the radio is closed and the trace complete.
    void summarize(const RunReport& report);

private:
    // Prints text, unless the output is for a script; nextStep, when given, then shows on
    // the live line.
    void print(const std::string& text, std::string nextStep = {});
    void live(std::string step);
    // The last lines, once the run is over.
    std::string summaryText(const RunReport& report) const;
    // What the summary says of a run the replay stopped; null: the replay did not stop it.
    static const char* replayStop(ReplayCheck::Verdict verdict);
    static std::string nodeList(const std::vector<NodeRow>& nodes);
    static std::string notFound(const RunReport& report);
    static std::string ambiguous(const RunReport& report);
    static std::string dongleGone(const RunReport& report);
    static std::string survey(const RunReport& report);
    static std::string checkResult(const RunReport& report);
    static std::string fixResult(const RunReport& report);

    std::FILE* out_;
    const bool json_;
    LiveLine* live_;
    std::string searchStep_;
    std::string turbineStep_;  // the turbine being worked on, for the live line
    bool surveying_ = false;   // check --all, once the turbines are known
    int nameWidth_ = 4;        // of its table
};

}  // namespace cli
