#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/TurbineIds.h"
#include "engine/TurbineMatch.h"

using namespace engine;

namespace {

constexpr std::uint64_t kTurbineAddress = 0x0013A20041C7F321;
constexpr std::uint64_t kTwinAddress = 0x0013A20041C70917;

NodeReport reportOf(std::uint64_t address, const std::string& name) {
    return NodeReport{address, 0x1234, name, nodeNameTarget(name)};
}

struct MatchCase {
    const char* why;
    SearchTarget target;
    std::uint64_t address;
    std::string name;
    Match match;
};

TEST(TurbineMatchTest, HowAReportMatchesTheTarget) {
    const SearchTarget number{1234567, "1234567", std::nullopt};
    const SearchTarget named{7654321, "QOR123-7654321", std::nullopt};
    const SearchTarget byAddress{0, "", kTurbineAddress};
    const MatchCase cases[] = {
        {"too short to carry a number", number, 1, "ABCDE", Match::None},
        {"digits from index 6", number, 1, "NODE0-1234567", Match::Number},
        {"digits before index 6 do not count", number, 1, "12345X1234567", Match::Number},
        {"wraps to 171299975: remainder 1299975", number, 1, "AB-CD-8761234567", Match::None},
        {"11234567 leaves 1234567", number, 1, "WT-01-11234567", Match::Number},
        {"no digits: value 0 is not the target", number, 1, "ABCDEF", Match::None},
        {"the name as typed", named, kTurbineAddress, "QOR123-7654321", Match::Name},
        {"a twin carrying the number", named, kTwinAddress, "WT-09-17654321", Match::Number},
        {"another case is another name", named, 1, "qor123-7654321", Match::Number},
        {"a trailing space is another name", named, 1, "QOR123-7654321 ", Match::Number},
        {"the radio's address, whatever its name", byAddress, kTurbineAddress, "ABC",
         Match::Address},
        {"another address, even named as the turbine", byAddress, kTwinAddress, "QOR123-7654321",
         Match::None},
        {"no target yet: nothing matches", SearchTarget{}, 1, "ABCDEF", Match::None},
        {"a short name typed exactly is still too short", SearchTarget{7, "T-7", std::nullopt}, 1,
         "T-7", Match::None},
    };
    for (const MatchCase& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(matchOf(c.target, reportOf(c.address, c.name)), c.match);
    }
}

struct Heard {
    std::uint64_t address;
    std::string name;
    Match match;
};

struct JudgeCase {
    const char* why;
    std::vector<Heard> reports;
    std::vector<std::string> radios;  // the verdict's, in order
    std::uint32_t outranked;
};

// The radios that answered one search, judged at its end.
TEST(TurbineMatchTest, CandidatesAreJudgedWhenTheSearchEnds) {
    const Heard turbine{kTurbineAddress, "QOR123-7654321", Match::Name};
    const Heard turbineByNumber{kTurbineAddress, "QOR123-7654321", Match::Number};
    const Heard twin{kTwinAddress, "WT-09-17654321", Match::Number};
    const Heard twinNamedAlike{kTwinAddress, "QOR123-7654321", Match::Name};
    const JudgeCase cases[] = {
        {"none answered", {}, {}, 0},
        {"one radio, reported twice", {turbineByNumber, turbineByNumber}, {"QOR123-7654321"}, 0},
        {"two radios carry the number: neither, whichever answered last",
         {turbineByNumber, twin, turbineByNumber},
         {"QOR123-7654321", "WT-09-17654321"},
         0},
        {"the same two, the other way round",
         {twin, turbineByNumber},
         {"WT-09-17654321", "QOR123-7654321"},
         0},
        {"the one named as typed outranks the twin", {twin, turbine, twin}, {"QOR123-7654321"}, 2},
        {"two radios named as typed",
         {turbine, twinNamedAlike},
         {"QOR123-7654321", "QOR123-7654321"},
         0},
    };
    for (const JudgeCase& c : cases) {
        SCOPED_TRACE(c.why);
        Candidates candidates;
        for (const Heard& heard : c.reports)
            candidates.add(reportOf(heard.address, heard.name), heard.match);
        const Candidates::Verdict verdict = candidates.judge();
        std::vector<std::string> names;
        for (const Candidate& radio : verdict.radios) names.push_back(radio.name);
        EXPECT_EQ(names, c.radios);
        EXPECT_EQ(verdict.outranked, c.outranked);
        EXPECT_EQ(verdict.ambiguous(), c.radios.size() > 1);
    }
}

// A flood of radios answering as one turbine is ambiguous even where one of them was named as
// typed: the table that holds them is full, and the rest cannot be ranked.
TEST(TurbineMatchTest, AFloodOfCandidatesIsAmbiguous) {
    Candidates candidates;
    candidates.add(reportOf(kTurbineAddress, "QOR123-7654321"), Match::Name);
    for (std::uint64_t i = 0; i < Candidates::kMaxKept + 5; ++i)
        candidates.add(reportOf(0x1000 + i, "WT-09-17654321"), Match::Number);
    const Candidates::Verdict verdict = candidates.judge();
    EXPECT_TRUE(verdict.ambiguous());
    EXPECT_LE(verdict.radios.size(), Candidates::kMaxKept);
}

}  // namespace
