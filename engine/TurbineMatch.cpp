#include "engine/TurbineMatch.h"

#include <algorithm>

namespace engine {

Match matchOf(const SearchTarget& target, const NodeReport& report) {
    if (target.address) return *target.address == report.address ? Match::Address : Match::None;
    if (!report.turbine) return Match::None;
    if (!target.text.empty() && report.name == target.text) return Match::Name;
    if (target.number != 0 && *report.turbine == target.number) return Match::Number;
    return Match::None;
}

Match bestMatchFor(const SearchTarget& target) {
    if (target.address) return Match::Address;
    const bool allDigits = std::all_of(target.text.begin(), target.text.end(),
                                       [](char c) { return c >= '0' && c <= '9'; });
    return allDigits ? Match::Number : Match::Name;
}

void Candidates::clear() {
    kept_.clear();
    overflowed_ = false;
}

void Candidates::add(const NodeReport& report, Match match) {
    if (match == Match::None) return;
    auto radio = std::find_if(kept_.begin(), kept_.end(),
                              [&](const Candidate& c) { return c.address == report.address; });
    if (radio == kept_.end()) {
        if (kept_.size() >= kMaxKept) {
            overflowed_ = true;
            return;
        }
        radio = kept_.insert(kept_.end(),
                             Candidate{report.address, 0, std::string(report.name), match, 0});
    }
    radio->network = report.network;
    radio->match = std::max(radio->match, match);
    ++radio->reports;
}

bool Candidates::has(Match rank) const {
    return overflowed_ || std::any_of(kept_.begin(), kept_.end(),
                                      [&](const Candidate& c) { return c.match >= rank; });
}

Candidates::Verdict Candidates::judge() const {
    Verdict verdict;
    if (overflowed_) {
        verdict.radios = kept_;
        return verdict;
    }
    Match best = Match::None;
    for (const Candidate& c : kept_) best = std::max(best, c.match);
    for (const Candidate& c : kept_) {
        if (c.match == best)
            verdict.radios.push_back(c);
        else
            verdict.outranked += c.reports;
    }
    return verdict;
}

}  // namespace engine
