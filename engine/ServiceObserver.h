#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engine/Results.h"
#include "engine/TurbineMatch.h"

namespace engine {

// What a front end hears of the service's work, on the thread that drives the link. Each
// has nothing to do by default.
class ServiceObserver {
public:
    virtual ~ServiceObserver() = default;
    // Every node report, repeats included, from inside a receive, with what it is to the
    // search and the number of distinct radios heard since the search began (at most
    // NodeTable::kMaxRows). A Turbine report comes once the node is the destination of
    // remote commands and found is set.
    virtual void onNode(const NodeReport& /*report*/, NodeRole /*role*/, std::size_t /*radios*/) {}
    // The end of a search; with the Turbine verdict, found is set and the radio is the
    // destination.
    virtual void onSearchEnded(const SearchResult& /*result*/) {}
    // Each status text replaces the one before.
    virtual void onStatus(const std::string& /*text*/) {}
    // The inverter answers: after the status that says so, at the end of a fix.
    virtual void onFixComplete() {}
    // A survey: the turbines about to be checked, in order; each as its check begins; each
    // once checked.
    virtual void onSurveying(const std::vector<NodeRow>& /*turbines*/) {}
    virtual void onChecking(const NodeRow& /*turbine*/, std::size_t /*index*/,
                            std::size_t /*count*/) {}
    virtual void onChecked(const SurveyRow& /*row*/) {}
};

}  // namespace engine
