#include "cli/NodeTable.h"

#include <algorithm>
#include <cstdio>

#include "cli/Text.h"

namespace cli {

NodeRow rowOf(const app::NodeReport& report) {
    NodeRow row{report.address, report.network, std::string(report.name), report.turbine, 1};
    if (row.turbine && *row.turbine <= 0) row.turbine.reset();
    return row;
}

const NodeRow* NodeTable::add(const app::NodeReport& report) {
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

const NodeRow* NodeTable::find(std::uint64_t address) const {
    const auto row = std::find_if(rows_.begin(), rows_.end(),
                                  [&](const NodeRow& r) { return r.address == address; });
    return row == rows_.end() ? nullptr : &*row;
}

std::string formatNodeTable(const std::vector<NodeRow>& rows) {
    std::size_t nameWidth = 4;
    std::vector<std::string> names;
    for (const NodeRow& row : rows) {
        names.push_back(printable(row.name));
        nameWidth = std::max(nameWidth, names.back().size());
    }
    const int width = static_cast<int>(nameWidth);
    std::string table;
    char line[256];
    std::snprintf(line, sizeof line, "%-*s  %-16s  %-7s  %s\n", width, "NAME", "ADDRESS", "NETWORK",
                  "TURBINE");
    table += line;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const NodeRow& row = rows[i];
        const std::string turbine = row.turbine ? std::to_string(*row.turbine) : "";
        std::snprintf(line, sizeof line, "%-*s  %-16s  %-7s  %s", width, names[i].c_str(),
                      hexAddress(row.address).c_str(), hexNetwork(row.network).c_str(),
                      turbine.c_str());
        std::string text = line;
        while (!text.empty() && text.back() == ' ') text.pop_back();
        table += text + "\n";
    }
    return table;
}

}  // namespace cli
