#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "DialogRun.h"
#include "app/SpeedFix.h"

using namespace app;
using namespace app::testing;

namespace {

using Texts = std::vector<std::string>;

constexpr const char* kTurbine = "QOR123-7654321";
constexpr const char* kFixCompleteBox =
    "Fix Complete: Communication has been established with turbine.";

TEST(SpeedFixTest, ValuesTriedForTheValueRead) {
    struct Case {
        std::uint32_t read, first, second;
    };
    const Case cases[] = {{6, 4, 6}, {4, 6, 4}, {3, 6, 4}, {0, 6, 4}, {5, 6, 4}, {255, 6, 4}};
    for (const Case& c : cases) {
        const SpeedValues values = speedValuesFor(c.read);
        EXPECT_EQ(values.first, c.first) << c.read;
        EXPECT_EQ(values.second, c.second) << c.read;
    }
}

bool isSuccess(const std::string& status) {
    return status == kStatusSpeedCorrect || status == kStatusSpeedFixed;
}

bool isEnd(const std::string& status) {
    static const Texts ends = {kStatusQueryFailed, kStatusSpeedCorrect, kStatusLostLink,
                               kStatusSpeedFixed, kStatusUnable};
    return std::find(ends.begin(), ends.end(), status) != ends.end();
}

// The operator's whole road: type the turbine, Search, Fix once it is found, and close
// once the fix has ended: after its last status, or after the "Fix Complete" box and the
// count's return to 0 that follows it.
FakeDialogHost::Script wholeFix(DialogRun& run) {
    return [&run, pressed = false, boxed = false, settled = false](FakeDialogHost& host,
                                                                   const HostEvent& event) mutable {
        switch (event.kind) {
            case HostEvent::Init:
                host.type(kTurbine);
                host.press(kIdSearch);
                break;
            case HostEvent::Box:
                boxed = true;
                break;
            case HostEvent::Text:
                if (boxed && event.id == kIdOthersCount && event.text == "0") settled = true;
                if (event.id == kIdStatus && isEnd(event.text) && !isSuccess(event.text)) {
                    settled = true;
                }
                break;
            case HostEvent::Idle:
                if (!pressed && run.worker().found() && !run.worker().searchDue()) {
                    host.press(kIdFix);
                    pressed = true;
                } else if (settled) {
                    host.close();
                }
                break;
            case HostEvent::Enable:
                break;
        }
    };
}

struct FixCase {
    const char* name;
    const char* scenario;  // a file, "default", or the text of an inline field
    Texts statuses;
    std::vector<unsigned> speeds;  // "bd" values written
    bool complete;
};

const char* const kSixThenUnable = R"(
node QOR123-7654321
  address 0013A20041C7F321
  network 7A21
  bd 6
  inverter-speed 5
)";

sim::Scenario scenarioOf(const std::string& source) {
    if (source == "default") return sim::defaultField();
    sim::Scenario scenario;
    std::string error;
    const bool isText = source.find('\n') != std::string::npos;
    EXPECT_TRUE(isText ? parseField(source, scenario, error)
                       : loadScenarioFile(source, scenario, error))
        << error;
    return scenario;
}

void PrintTo(const FixCase& c, std::ostream* os) { *os << c.name; }

class SpeedFixEnds : public ::testing::TestWithParam<FixCase> {};

// Every end of the speed fix against the simulated field, with its status sequence and
// the values written to the turbine's radio, in virtual time.
TEST_P(SpeedFixEnds, StatusSequenceAndValuesWritten) {
    const FixCase& c = GetParam();
    DialogRun run(scenarioOf(c.scenario));
    ASSERT_TRUE(run.attached);
    EXPECT_EQ(run.run(wholeFix(run)), 0);

    EXPECT_EQ(run.statuses(), c.statuses);
    EXPECT_EQ(run.rig.speedsWritten(), c.speeds);
    EXPECT_EQ(run.host.boxes(), c.complete ? Texts{kFixCompleteBox} : Texts{});
    EXPECT_EQ(run.host.texts(kIdTurbineId).front(), kTurbine);
    EXPECT_EQ(run.host.itemEnabled(kIdFix), !c.complete);
    if (c.complete) {
        EXPECT_EQ(run.lastText(kIdOthersCount), "0");
    }
    EXPECT_TRUE(run.worker().ended());
}

const Texts kChangeOnce = {kStatusScanning, kStatusConfiguring, kStatusWaiting, kStatusLinking};
Texts then(Texts head, std::initializer_list<const char*> tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

INSTANTIATE_TEST_SUITE_P(
    Field, SpeedFixEnds,
    ::testing::Values(
        FixCase{"Correct", "speed-correct.txt", {kStatusScanning, kStatusSpeedCorrect}, {}, true},
        FixCase{"FixedFirst", "default", then(kChangeOnce, {kStatusSpeedFixed}), {6}, true},
        FixCase{"FixedSecond",
                "fixed-second.txt",
                then(kChangeOnce,
                     {kStatusRetesting, kStatusWaiting, kStatusLinking, kStatusSpeedFixed}),
                {6, 4},
                true},
        FixCase{
            "Unable",
            "unable-to-comm.txt",
            then(kChangeOnce, {kStatusRetesting, kStatusWaiting, kStatusLinking, kStatusUnable}),
            {6, 4},
            false},
        FixCase{
            "SixThenBack",
            kSixThenUnable,
            then(kChangeOnce, {kStatusRetesting, kStatusWaiting, kStatusLinking, kStatusUnable}),
            {4, 6},
            false},
        FixCase{"LostLink", "lost-link.txt", then(kChangeOnce, {kStatusLostLink}), {6}, false},
        FixCase{
            "QueryFailed", "failed-query.txt", {kStatusScanning, kStatusQueryFailed}, {}, false}),
    [](const ::testing::TestParamInfo<FixCase>& p) { return p.param.name; });

// A crowded field: other radios' traffic that must change nothing. Each fix ends as it does
// on the built-in field and writes exactly the same frames, byte for byte.
struct CrowdCase {
    const char* name;
    const char* node;  // the node given the fault; null: the scenario file alone
    sim::Fault fault;
    const char* file = nullptr;
    int replyDelayMs = -1;  // the faulty node's, when set
};

void PrintTo(const CrowdCase& c, std::ostream* os) { *os << c.name; }

class CrowdedField : public ::testing::TestWithParam<CrowdCase> {};

struct FixRecord {
    Texts statuses;
    std::vector<std::vector<std::uint8_t>> writes;
    Texts boxes;
};

FixRecord wholeFixOn(const sim::Scenario& scenario) {
    DialogRun run(scenario);
    EXPECT_TRUE(run.attached);
    run.run(wholeFix(run));
    FixRecord record{run.statuses(), {}, run.host.boxes()};
    for (const transport::WriteRecord& write : run.rig.field->device().writes()) {
        record.writes.push_back(write.bytes);
    }
    return record;
}

TEST_P(CrowdedField, TheFixEndsAndWritesAsWithoutTheCrowd) {
    const CrowdCase& c = GetParam();
    sim::Scenario scenario = c.file ? scenarioOf(c.file) : sim::defaultField();
    for (sim::NodeConfig& node : scenario.nodes) {
        if (!c.node || node.name != c.node) continue;
        node.faults.push_back(c.fault);
        if (c.replyDelayMs >= 0) node.replyDelayMs = c.replyDelayMs;
    }
    ::testing::internal::CaptureStdout();
    const FixRecord crowded = wholeFixOn(scenario);
    ::testing::internal::GetCapturedStdout();
    const FixRecord plain = wholeFixOn(sim::defaultField());

    EXPECT_EQ(plain.statuses, then(kChangeOnce, {kStatusSpeedFixed}));
    EXPECT_EQ(crowded.statuses, plain.statuses);
    EXPECT_EQ(crowded.boxes, plain.boxes);
    ASSERT_EQ(crowded.writes.size(), plain.writes.size());
    for (std::size_t i = 0; i < plain.writes.size(); ++i) {
        EXPECT_EQ(crowded.writes[i], plain.writes[i]) << "write " << i;
    }
}

const char* const kNeighbour = "QOR123-7654318";

INSTANTIATE_TEST_SUITE_P(
    Fix, CrowdedField,
    ::testing::Values(
        CrowdCase{"NeighbourCrosstalk", kNeighbour, {sim::FaultKind::Crosstalk, 150}},
        // Its answers come first.
        CrowdCase{"NeighbourAnswersForTheTurbine",
                  kNeighbour,
                  {sim::FaultKind::AnswersOthers},
                  nullptr,
                  10},
        CrowdCase{"ModemStatusAfterEachAnswer", kTurbine, {sim::FaultKind::StatusAfterReply}},
        CrowdCase{"ReplySecondInItsFrame", kTurbine, {sim::FaultKind::PacketBeforeReply}},
        CrowdCase{"StrayEndBeforeTheReply", kTurbine, {sim::FaultKind::StrayEndBeforeReply}},
        CrowdCase{"AllOfThem", nullptr, {}, "crowded-field.txt"}),
    [](const ::testing::TestParamInfo<CrowdCase>& p) { return p.param.name; });

TEST(SearchTest, FindsTheTurbineAndCountsTheOthers) {
    DialogRun run;
    std::string count;
    bool fixEnabled = false;
    run.run([&](FakeDialogHost& host, const HostEvent& event) {
        if (event.kind == HostEvent::Init) {
            host.type("7654321");
            host.press(kIdSearch);
        } else if (event.kind == HostEvent::Idle && run.worker().found() &&
                   !run.worker().searchDue()) {
            count = run.lastText(kIdOthersCount);
            fixEnabled = host.itemEnabled(kIdFix);
            host.close();
        }
    });
    // The node's full name replaces what was typed.
    EXPECT_EQ(run.lastText(kIdTurbineId), kTurbine);
    EXPECT_TRUE(fixEnabled);
    // Four other nodes answer discovery, and one of them also announced itself after "cb".
    EXPECT_EQ(count, "5");
    EXPECT_TRUE(run.statuses().empty());
}

// Closing ends the worker wherever it is, and the close never waits on the worker while
// the worker waits on the dialog.
struct CloseCase {
    const char* name;
    HostEvent::Kind kind;
    int id;
    const char* text;  // Text: the text set; Box: the caption
};

void PrintTo(const CloseCase& c, std::ostream* os) { *os << c.name; }

class CloseMidway : public ::testing::TestWithParam<CloseCase> {};

TEST_P(CloseMidway, EndsTheWorkerPromptly) {
    const CloseCase& c = GetParam();
    DialogRun run;
    std::int64_t closedAtMs = -1;
    auto fix = wholeFix(run);
    const int result = run.run([&](FakeDialogHost& host, const HostEvent& event) {
        if (closedAtMs < 0 && event.kind == c.kind && event.id == c.id && event.text == c.text) {
            closedAtMs = run.rig.clock.nowMs();
            host.close();
            return;
        }
        if (closedAtMs < 0) fix(host, event);
    });
    EXPECT_EQ(result, 0);
    ASSERT_GE(closedAtMs, 0);
    EXPECT_TRUE(run.worker().ended());
    // Nothing the worker asked of the dialog after the close was carried out.
    EXPECT_EQ(run.host.events().back().text, c.text);
    // The worker's last read ended within one read time-out of the close.
    EXPECT_LE(run.rig.clock.nowMs() - closedAtMs, 200);
}

INSTANTIATE_TEST_SUITE_P(
    Fix, CloseMidway,
    ::testing::Values(CloseCase{"DuringDiscovery", HostEvent::Text, kIdOthersCount, "2"},
                      CloseCase{"InACallWhileWaiting", HostEvent::Text, kIdStatus, kStatusWaiting},
                      CloseCase{"InTheFixCompleteBox", HostEvent::Box, kIdNone, "Fix Complete"}),
    [](const ::testing::TestParamInfo<CloseCase>& p) { return p.param.name; });

}  // namespace
