#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "radio/NodeAddress.h"

namespace engine {

// One node report as the search hands it on.
struct NodeReport {
    radio::NodeId address;
    std::uint16_t network;
    std::string_view name;  // untrusted bytes; valid only during the call
    // The target the name carries, as the search matches it; none for a name too short.
    std::optional<std::int32_t> turbine;
};

// Whom a search looks for. Any radio may call itself anything, so a name only proposes a
// radio; the search settles on its 64-bit address.
struct SearchTarget {
    // The identifier value reduced to a target (the ID's last seven digits); 0: none.
    std::int32_t number = 0;
    // The ID as the operator typed it. A radio whose name is exactly this, byte for byte, is
    // that radio alone.
    std::string text;
    // The radio with this 64-bit address, whatever its name; then nothing else matches.
    std::optional<radio::NodeId> address;
};

// How a report matches a target, weakest first.
enum class Match { None, Number, Name, Address };

// A name too short to carry an identifier matches nothing, as no number can be read from it.
Match matchOf(const SearchTarget& target, const NodeReport& report);

// The strongest match a report can make with the target: by address; by name when the
// typed text could be a radio's exact name (not all digits); else by number.
Match bestMatchFor(const SearchTarget& target);

// A radio that answered a search as the turbine.
struct Candidate {
    radio::NodeId address = 0;
    std::uint16_t network = 0;  // from its latest report
    std::string name;           // from its first report
    Match match = Match::None;  // the strongest of its reports
    std::uint32_t reports = 0;
};

// The radios that answer one search as the turbine, kept by address and judged when the
// search ends: a radio named exactly as typed outranks those that only carry the number, and
// two or more radios of the best rank are too many to choose from.
class Candidates {
public:
    // More than this many radios answering as one turbine is a flood, and ambiguous however
    // it ends.
    static constexpr std::size_t kMaxKept = 32;

    struct Verdict {
        // The radios of the best rank, in order of first report: one is the turbine, more
        // are ambiguous, none means no radio matched.
        std::vector<Candidate> radios;
        // Reports of radios outranked by one named exactly as typed: other nodes after all.
        std::uint32_t outranked = 0;
        bool ambiguous() const { return radios.size() > 1; }
    };

    void clear();
    void add(const NodeReport& report, Match match);
    // A radio of at least this rank has answered, or a flood has: nothing better can come.
    bool has(Match rank) const;
    Verdict judge() const;

private:
    std::vector<Candidate> kept_;
    bool overflowed_ = false;
};

}  // namespace engine
