#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "DialogRun.h"
#include "engine/Messages.h"
#include "engine/SpeedFix.h"

using namespace app;
using namespace engine;
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

// The built-in field's turbine, with its inverter at the radio's setting unless told.
std::string turbineWith(const char* settings) {
    return std::string("node QOR123-7654321\n address 0013A20041C7F321\n network 7A21\n") +
           settings;
}

// Answers that come late or behind something else: each fix ends as it would in a quiet
// field, and writes only what that ending needs.
TEST(SpeedFixTest, LateAndHiddenAnswersCount) {
    const struct {
        const char* name;
        std::string field;
        Texts statuses;
        std::vector<unsigned> speeds;
        int transmissions;  // of the inverter query
        int linkChecks;     // "db" queries
    } rows[] = {
        {"a refused packet before the reply, all in 3-byte frames",
         turbineWith(" reply-chunk 3\n fault packet-before-reply\n"),
         {kStatusScanning, kStatusSpeedCorrect},
         {},
         1,
         0},
        {"the inverter answers 1.83 s after each query",
         turbineWith(" inverter-delay 1830\n"),
         {kStatusScanning, kStatusSpeedCorrect},
         {},
         1,
         0},
        // The first "db" goes out while the radio is still restarting; the second is answered.
        {"the radio back only after the first link check",
         turbineWith(" inverter-speed 6\n restart 7000\n"),
         then(kChangeOnce, {kStatusSpeedFixed}),
         {6},
         4 + 1,
         2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        DialogRun run(scenarioOf(row.field));
        ASSERT_TRUE(run.attached);
        run.run(wholeFix(run));
        EXPECT_EQ(run.statuses(), row.statuses);
        EXPECT_EQ(run.rig.speedsWritten(), row.speeds);
        EXPECT_EQ(run.host.boxes(), Texts{kFixCompleteBox});
        EXPECT_EQ(run.rig.framesWritten(0x10), row.transmissions);
        EXPECT_EQ(run.rig.remoteCommandsWritten("db"), row.linkChecks);
        EXPECT_EQ(run.rig.remoteCommandsWritten("wr"), static_cast<int>(row.speeds.size()));
    }
}

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

// Frame types as the tool writes them.
constexpr std::uint8_t kLocalCommand = 0x09;  // "ND"; "cb" 2 goes as 0x08
constexpr std::uint8_t kTransmitRequest = 0x10;
constexpr std::uint8_t kRemoteCommand = 0x17;
// The read time-out of the worker's longest reads: what a close may have to wait out.
constexpr std::int64_t kReadInProgressMs = 20;

// Closing ends the worker wherever it is: nothing more is written, no outcome is claimed,
// and no more field time passes than the read in progress. The close never waits on the
// worker while the worker waits on the dialog.
struct CloseCase {
    const char* name;
    const char* scenario;
    HostEvent::Kind kind;  // Idle: close while the worker is held in a transmission
    int id;
    const char* text;             // Text: the text set; Box: the caption
    int transmission = 0;         // Idle: the inverter test's transmission that holds it
    const char* fixAt = nullptr;  // press Fix early, during the search, at this count
};

void PrintTo(const CloseCase& c, std::ostream* os) { *os << c.name; }

class CloseMidway : public ::testing::TestWithParam<CloseCase> {};

TEST_P(CloseMidway, WritesNothingMoreAndEndsTheWorker) {
    const CloseCase& c = GetParam();
    DialogRun run(scenarioOf(c.scenario));
    ASSERT_TRUE(run.attached);
    WriteGate gate(run.rig, kTransmitRequest, c.transmission);
    std::int64_t closedAtMs = -1;
    std::size_t writesAtClose = 0, eventsAtClose = 0;
    auto fix = wholeFix(run);
    const int result = run.run([&](FakeDialogHost& host, const HostEvent& event) {
        if (closedAtMs >= 0) return;
        const bool closeNow =
            c.kind == HostEvent::Idle
                ? event.kind == HostEvent::Idle && gate.holding()
                : event.kind == c.kind && event.id == c.id && event.text == c.text;
        if (closeNow) {
            closedAtMs = run.rig.clock.nowMs();
            writesAtClose = run.rig.field->device().writes().size();
            eventsAtClose = host.events().size();
            host.close();
            gate.release();
            return;
        }
        if (c.fixAt && event.kind == HostEvent::Text && event.id == kIdOthersCount &&
            event.text == c.fixAt) {
            host.press(kIdFix);
        }
        fix(host, event);
    });
    EXPECT_EQ(result, 0);
    ASSERT_GE(closedAtMs, 0);
    EXPECT_TRUE(run.worker().ended());
    EXPECT_EQ(run.rig.field->device().writes().size(), writesAtClose);
    EXPECT_EQ(run.host.events().size(), eventsAtClose);
    EXPECT_LE(run.rig.clock.nowMs() - closedAtMs, kReadInProgressMs);
}

// On the default field the fix's first test gets no answer to its four transmissions;
// the change to 6 then fixes it.
INSTANTIATE_TEST_SUITE_P(
    Fix, CloseMidway,
    ::testing::Values(
        CloseCase{"DuringDiscovery", "default", HostEvent::Text, kIdOthersCount, "2"},
        CloseCase{"DuringDiscoveryWithFixPending", "default", HostEvent::Text, kIdOthersCount, "4",
                  0, "3"},
        CloseCase{"Scanning", "default", HostEvent::Text, kIdStatus, kStatusScanning},
        CloseCase{"Transmission1", "default", HostEvent::Idle, kIdNone, "", 1},
        CloseCase{"Transmission2", "default", HostEvent::Idle, kIdNone, "", 2},
        CloseCase{"Transmission3", "default", HostEvent::Idle, kIdNone, "", 3},
        CloseCase{"Transmission4", "default", HostEvent::Idle, kIdNone, "", 4},
        CloseCase{"Configuring", "default", HostEvent::Text, kIdStatus, kStatusConfiguring},
        CloseCase{"InACallWhileWaiting", "default", HostEvent::Text, kIdStatus, kStatusWaiting},
        CloseCase{"Linking", "default", HostEvent::Text, kIdStatus, kStatusLinking},
        CloseCase{"Retesting", "fixed-second.txt", HostEvent::Text, kIdStatus, kStatusRetesting},
        CloseCase{"InTheFixCompleteBox", "default", HostEvent::Box, kIdNone, "Fix Complete"}),
    [](const ::testing::TestParamInfo<CloseCase>& p) { return p.param.name; });

// A field where the first turbine's fix would change its radio, and so would a fix of
// the second; a third node announces itself long after "cb", when the search is over.
const char* const kLateAnnouncement = R"(
node QOR123-7654321
  address 0013A20041C7F321
  network 7A21
  bd 4
  inverter-speed 6
node QOR123-7654337
  address 0013A20041C7F337
  network 6637
  bd 6
  inverter-speed 4
node QOR123-7654330
  address 0013A20041C7F330
  network 0430
  announces-after-cb yes
  announce-delay 15000
)";
// Long enough for a search and the start of any fix after it.
constexpr std::int64_t kSearchAndMoreMs = 12000;

// Searches for the first turbine; at the others count shown as atCount, with the worker
// held in that call, hands over to the operator's next step; closes once no search is due
// and a search's time and more has passed since.
FakeDialogHost::Script searchThen(DialogRun& run, const char* atCount,
                                  std::function<void(FakeDialogHost&)> next) {
    return [&run, atCount, next, nextAtMs = std::int64_t{-1}](FakeDialogHost& host,
                                                              const HostEvent& event) mutable {
        const std::int64_t now = run.rig.clock.nowMs();
        if (event.kind == HostEvent::Init) {
            host.type("7654321");
            host.press(kIdSearch);
        } else if (nextAtMs < 0 && event.kind == HostEvent::Text && event.id == kIdOthersCount &&
                   event.text == atCount) {
            nextAtMs = now;
            next(host);
        } else if (nextAtMs >= 0 && event.kind == HostEvent::Idle && !run.worker().searchDue() &&
                   now >= nextAtMs + kSearchAndMoreMs) {
            host.close();
        }
    };
}

// A Fix pressed for one turbine never runs on another: a Search accepted before that fix
// begins drops it, and a Fix pressed after the Search waits for the new turbine's report.
TEST(SearchTest, ASearchDropsAFixPressedBeforeIt) {
    for (const bool fixFirst : {true, false}) {
        SCOPED_TRACE(fixFirst ? "Fix, then Search" : "Search, then Fix");
        DialogRun run(scenarioOf(kLateAnnouncement));
        // Two discovery answers, then the late announcement: idle, the first turbine found.
        run.run(searchThen(run, "3", [&](FakeDialogHost& host) {
            EXPECT_TRUE(run.worker().found());
            EXPECT_FALSE(run.worker().searchDue());
            if (fixFirst) host.press(kIdFix);
            host.type("7654337");
            host.press(kIdSearch);
            if (!fixFirst) host.press(kIdFix);
        }));
        EXPECT_EQ(run.lastText(kIdTurbineId), "QOR123-7654337");
        EXPECT_TRUE(run.statuses().empty());
        EXPECT_EQ(run.rig.framesWritten(kRemoteCommand), 0);
    }
}

// A Search accepted while a search runs is not lost: a search for it follows, and the
// count shown at its end is of that search's reports alone.
TEST(SearchTest, ASearchDuringASearchGetsOneOfItsOwn) {
    DialogRun run;
    run.run(searchThen(run, "1", [](FakeDialogHost& host) {
        host.type("7654337");
        host.press(kIdSearch);
    }));
    EXPECT_EQ(run.rig.framesWritten(kLocalCommand), 2);  // two "ND"
    EXPECT_TRUE(run.worker().found());
    EXPECT_EQ(run.lastText(kIdTurbineId), "QOR123-7654337");
    // The two announcements after "cb" and four discovery answers besides its own.
    EXPECT_EQ(run.lastText(kIdOthersCount), "6");
}

}  // namespace
