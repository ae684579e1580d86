#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "cli/Report.h"
#include "engine/TurbineMatch.h"

namespace cli {

// What a run tells as it goes, on the thread that drives the link: the terminal's output,
// the live line and the trace each show some of it.
class RunView {
public:
    virtual ~RunView() = default;
    // A target without a number or an address: the search is for every node in reach.
    virtual void searching(const engine::SearchTarget& /*target*/) {}
    virtual void nodesSoFar(std::size_t /*count*/) {}
    virtual void found(const NodeRow& /*node*/, std::size_t /*others*/) {}
    virtual void status(const StatusEntry& /*entry*/) {}
    // check --all: the turbines about to be checked, in order.
    virtual void surveying(const std::vector<NodeRow>& /*turbines*/) {}
    virtual void checking(const NodeRow& /*turbine*/, std::size_t /*index*/,
                          std::size_t /*count*/) {}
    virtual void checked(const CheckRow& /*row*/) {}
    virtual void finished(const RunReport& /*report*/) {}
};

// Tells each of several views in turn.
class RunViews final : public RunView {
public:
    void add(RunView& view) { views_.push_back(&view); }

    void searching(const engine::SearchTarget& target) override {
        for (RunView* v : views_) v->searching(target);
    }
    void nodesSoFar(std::size_t count) override {
        for (RunView* v : views_) v->nodesSoFar(count);
    }
    void found(const NodeRow& node, std::size_t others) override {
        for (RunView* v : views_) v->found(node, others);
    }
    void status(const StatusEntry& entry) override {
        for (RunView* v : views_) v->status(entry);
    }
    void surveying(const std::vector<NodeRow>& turbines) override {
        for (RunView* v : views_) v->surveying(turbines);
    }
    void checking(const NodeRow& turbine, std::size_t index, std::size_t count) override {
        for (RunView* v : views_) v->checking(turbine, index, count);
    }
    void checked(const CheckRow& row) override {
        for (RunView* v : views_) v->checked(row);
    }
    void finished(const RunReport& report) override {
        for (RunView* v : views_) v->finished(report);
    }

private:
    std::vector<RunView*> views_;
};

}  // namespace cli
