#include "engine/NodeTable.h"

#include <algorithm>

namespace engine {

NodeRow rowOf(const NodeReport& report) {
    NodeRow row{report.address, report.network, std::string(report.name), report.turbine, 1};
    if (row.turbine && *row.turbine <= 0) row.turbine.reset();
    return row;
}

const NodeRow* NodeTable::add(const NodeReport& report) {
    auto row = std::find_if(rows_.begin(), rows_.end(),
                            [&](const NodeRow& r) { return r.address == report.address; });
    if (row == rows_.end()) {
        if (rows_.size() >= kMaxRows) {
            ++notKept_;
            return nullptr;
        }
        return &*rows_.insert(rows_.end(), rowOf(report));
    }
    const std::uint32_t reports = row->reports;
    *row = rowOf(report);
    row->reports = reports + 1;
    return &*row;
}

const NodeRow* NodeTable::find(radio::NodeId address) const {
    const auto row = std::find_if(rows_.begin(), rows_.end(),
                                  [&](const NodeRow& r) { return r.address == address; });
    return row == rows_.end() ? nullptr : &*row;
}

}  // namespace engine
