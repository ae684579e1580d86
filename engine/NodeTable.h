#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/Results.h"
#include "engine/TurbineMatch.h"

namespace engine {

// A node's row for one report of it. The turbine is the number its name carries, when that
// is one a search can be for: a name too short to carry one, or a value of 0 (a radio named
// MET-MAST-NORTH), gives none.
NodeRow rowOf(const NodeReport& report);

// The nodes that reported, one row each, in order of their first report; a node is its
// 64-bit address, and a later report of it updates its row. Any node in reach can send any
// number of reports under made-up addresses, so the table keeps at most kMaxRows rows and
// counts the reports of nodes beyond them.
class NodeTable {
public:
    static constexpr std::size_t kMaxRows = 1000;

    // Answers the node's row, valid until the next add, or null when it was not kept.
    const NodeRow* add(const NodeReport& report);
    const NodeRow* find(radio::NodeId address) const;

    const std::vector<NodeRow>& rows() const { return rows_; }
    std::uint32_t reportsNotKept() const { return notKept_; }

private:
    std::vector<NodeRow> rows_;
    std::uint32_t notKept_ = 0;
};

}  // namespace engine
