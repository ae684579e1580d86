#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "DialogRun.h"
#include "tests/support/AddressedFrames.h"

using namespace app;
using namespace engine;
using namespace app::testing;
using testsupport::AddressedFrame;
using testsupport::addressedFrames;
using testsupport::destinationsOf;

// The dialog's worker in fields where a name would mislead: a second radio carrying the
// turbine's number, two radios answering one search, a Search pressed during a fix, a dongle
// pulled out and plugged in again. Which frames go to which radio decides each case.
namespace {

using Texts = std::vector<std::string>;

constexpr std::uint64_t kTurbine = 0x0013A20041C7F321;
constexpr std::uint64_t kTwin = 0x0013A20041C70917;

// A radio whose name carries the turbine's number too (17654321 leaves 7654321), with an
// inverter that answers at its radio's setting: a fix that strayed to it would succeed.
std::string twin(const std::string& more) {
    return "\nnode WT-09-17654321\n  address 0013A20041C70917\n  network 0917\n  bd 4\n"
           "  inverter-speed 4\n  reply-word 0x0917\n" +
           more;
}
// Does not answer discovery, and announces itself once the fix is under way.
const std::string kTwinDuringTheFix = twin("  discoverable no\n  announces-every 700 from fix\n");
const std::string kTwinAnswering = twin("");

// The issue's field: the turbine's radio at 6, its inverter at 4, and a neighbour.
const std::string kSixForFour = R"(
node QOR123-7654321
  address 0013A20041C7F321
  network 7A21
  bd 6
  inverter-speed 4
node QOR123-7654318
  address 0013A20041C7F318
  network 3C18
)";

sim::Scenario fieldOf(const std::string& text) {
    sim::Scenario scenario;
    std::string error;
    EXPECT_TRUE(parseField(text, scenario, error)) << error;
    return scenario;
}

bool endsTheFix(const std::string& status) {
    static const Texts ends = {"Failed query with remote radio.", "Lost link.", "unable to comm.",
                               "Radio dongle disconnected."};
    return std::find(ends.begin(), ends.end(), status) != ends.end();
}

// Type, Search, Fix once the turbine is found, close once the fix has ended: after its last
// status, or after the "Fix Complete" box and the count's return to 0 that follows it. It
// acts on any event, not only when the dialog idles: a radio that announces itself often
// keeps the dialog busy with the count.
FakeDialogHost::Script searchAndFix(DialogRun& run, const std::string& typed) {
    return [&run, typed, pressed = false, boxed = false, settled = false](
               FakeDialogHost& host, const HostEvent& event) mutable {
        if (event.kind == HostEvent::Init) {
            host.type(typed);
            host.press(kIdSearch);
            return;
        }
        if (event.kind == HostEvent::Box) boxed = true;
        if (event.kind == HostEvent::Text) {
            if (boxed && event.id == kIdOthersCount && event.text == "0") settled = true;
            if (event.id == kIdStatus && endsTheFix(event.text)) settled = true;
        }
        if (!run.dialog.worker()) return;  // events of the dialog's initialisation
        if (!pressed && run.worker().found() && !run.worker().searchDue() &&
            host.itemEnabled(kIdFix)) {
            host.press(kIdFix);
            pressed = true;
        } else if (settled) {
            host.close();
        }
    };
}

int othersShownAtMost(const DialogRun& run) {
    int most = 0;
    for (const std::string& count : run.host.texts(kIdOthersCount))
        most = std::max(most, std::stoi(count));
    return most;
}

struct TwinCase {
    const char* name;
    std::string field;
    const char* ending;
};

void PrintTo(const TwinCase& c, std::ostream* os) { *os << c.name; }

class TwinDuringTheFix : public ::testing::TestWithParam<TwinCase> {};

// A second radio carrying the turbine's number announces itself all through the fix: the
// fix writes exactly what it writes without it, every frame to the turbine, and ends alike.
TEST_P(TwinDuringTheFix, WritesAsWithoutTheTwin) {
    const TwinCase& c = GetParam();
    DialogRun plain(fieldOf(c.field));
    plain.run(searchAndFix(plain, "7654321"));
    DialogRun crowded(fieldOf(c.field + kTwinDuringTheFix));
    crowded.run(searchAndFix(crowded, "7654321"));

    ASSERT_FALSE(plain.statuses().empty());
    EXPECT_EQ(plain.statuses().back(), c.ending);
    EXPECT_EQ(crowded.statuses(), plain.statuses());
    EXPECT_EQ(crowded.host.boxes(), plain.host.boxes());
    const std::vector<AddressedFrame> frames =
        addressedFrames(crowded.rig.field->device().writes());
    EXPECT_EQ(frames, addressedFrames(plain.rig.field->device().writes()));
    EXPECT_EQ(destinationsOf(frames), std::vector<std::uint64_t>(frames.size(), kTurbine));
    // The twin was heard, as another node.
    EXPECT_GT(othersShownAtMost(crowded), othersShownAtMost(plain));
    EXPECT_EQ(crowded.host.texts(kIdTurbineId).front(), "QOR123-7654321");
}

INSTANTIATE_TEST_SUITE_P(Fix, TwinDuringTheFix,
                         ::testing::Values(TwinCase{"BuiltInField", sim::kDefaultFieldText,
                                                    "Communication speed fixed."},
                                           TwinCase{"RadioAtSixInverterAtFour", kSixForFour,
                                                    "Communication speed fixed."}),
                         [](const ::testing::TestParamInfo<TwinCase>& p) { return p.param.name; });

// Two radios answer the search as 7654321: no radio is chosen, the operator is told which,
// and no remote command or transmission goes out whatever is pressed.
TEST(TwoRadiosForOneId, NothingIsChosenAndNothingWritten) {
    DialogRun run(fieldOf(sim::kDefaultFieldText + kTwinAnswering));
    std::int64_t toldAtMs = -1;
    int fixPresses = 0;
    run.run([&](FakeDialogHost& host, const HostEvent& event) {
        const std::int64_t now = run.rig.clock.nowMs();
        if (event.kind == HostEvent::Init) {
            host.type("7654321");
            host.press(kIdSearch);
        } else if (event.kind == HostEvent::Text && event.id == kIdStatus) {
            toldAtMs = now;
        } else if (event.kind == HostEvent::Idle && toldAtMs < 0 && now >= 60000) {
            host.close();  // never told: the search took a radio
        } else if (event.kind == HostEvent::Idle && toldAtMs >= 0) {
            // The button may be enabled or not: a press must do nothing either way.
            host.enableItem(kIdFix, true);
            if (fixPresses < 3 && now >= toldAtMs + 2000 * fixPresses) {
                host.press(kIdFix);
                ++fixPresses;
            } else if (fixPresses == 3 && now >= toldAtMs + 20000) {
                host.close();
            }
        }
    });
    EXPECT_EQ(run.statuses(), Texts{"More than one radio answers: QOR123-7654321, WT-09-17654321"});
    EXPECT_TRUE(run.host.texts(kIdTurbineId).empty());  // the box keeps what was typed
    EXPECT_FALSE(run.worker().found());
    EXPECT_EQ(run.rig.framesWritten(0x17), 0);
    EXPECT_EQ(run.rig.framesWritten(0x10), 0);
    // Four other nodes answered discovery, one announced itself after "cb" as well.
    EXPECT_EQ(run.lastText(kIdOthersCount), "5");
}

struct NamedCase {
    const char* typed;
    std::uint64_t radio;
    const char* ending;
};

// A radio's exact name picks it alone, and the fix then writes to it alone.
TEST(TwoRadiosForOneId, TheExactNamePicksOne) {
    const NamedCase cases[] = {
        {"QOR123-7654321", kTurbine, "Communication speed fixed."},
        {"WT-09-17654321", kTwin, "Communication speed is correct."},
    };
    for (const NamedCase& c : cases) {
        SCOPED_TRACE(c.typed);
        DialogRun run(fieldOf(sim::kDefaultFieldText + kTwinAnswering));
        run.run(searchAndFix(run, c.typed));
        ASSERT_FALSE(run.statuses().empty());
        EXPECT_EQ(run.statuses().back(), c.ending);
        EXPECT_EQ(run.host.texts(kIdTurbineId).front(), c.typed);
        const std::vector<AddressedFrame> frames =
            addressedFrames(run.rig.field->device().writes());
        ASSERT_FALSE(frames.empty());
        EXPECT_EQ(destinationsOf(frames), std::vector<std::uint64_t>(frames.size(), c.radio));
    }
}

// Searching for 2222222 while 7654321 is being fixed: the fix stays on its turbine to its
// end, and the search follows it.
TEST(SearchDuringAFix, TheFixStaysOnItsTurbine) {
    const std::string other =
        "\nnode WT-02-2222222\n  address 0013A20041C72222\n  network 2222\n  bd 4\n"
        "  inverter-speed 4\n  announces-every 700\n";
    DialogRun plain;
    plain.run(searchAndFix(plain, "7654321"));

    DialogRun run(fieldOf(sim::kDefaultFieldText + other));
    // Held inside the third transmission of the first inverter test.
    WriteGate gate(run.rig, 0x10, 3);
    bool searched = false;
    bool boxed = false;
    auto fix = searchAndFix(run, "7654321");
    run.run([&](FakeDialogHost& host, const HostEvent& event) {
        if (event.kind == HostEvent::Idle && !searched && gate.holding()) {
            host.type("2222222");
            host.press(kIdSearch);
            searched = true;
            gate.release();
            return;
        }
        if (event.kind == HostEvent::Box) boxed = true;
        if (boxed) {
            if (run.worker().found() && !run.worker().searchDue()) host.close();
            return;
        }
        fix(host, event);
    });
    ASSERT_TRUE(searched);
    EXPECT_EQ(run.statuses(), plain.statuses());
    EXPECT_EQ(run.statuses().back(), "Communication speed fixed.");
    const std::vector<AddressedFrame> frames = addressedFrames(run.rig.field->device().writes());
    EXPECT_EQ(frames, addressedFrames(plain.rig.field->device().writes()));
    EXPECT_EQ(destinationsOf(frames), std::vector<std::uint64_t>(frames.size(), kTurbine));
    // The search followed the fix, and found the other turbine.
    EXPECT_EQ(run.rig.framesWritten(0x09), 2);  // two "ND"
    EXPECT_EQ(run.lastText(kIdTurbineId), "WT-02-2222222");
}

std::int64_t timeOfRemote(const std::vector<transport::WriteRecord>& writes, const char* letters,
                          int nth = 1) {
    constexpr std::size_t kLettersAt = 16;
    for (const transport::WriteRecord& write : writes) {
        const auto& b = write.bytes;
        if (b.size() > kLettersAt + 1 && b[3] == 0x17 && b[kLettersAt] == letters[0] &&
            b[kLettersAt + 1] == letters[1] && --nth == 0)
            return write.atMs;
    }
    return -1;
}

struct WaitCase {
    const char* name;
    std::string more;    // nodes after the built-in field's
    int restartMs;       // the turbine's
    bool lateDiscovery;  // its "ND" answer comes again right after "fr"
};

void PrintTo(const WaitCase& c, std::ostream* os) { *os << c.name; }

class WaitForTheLink : public ::testing::TestWithParam<WaitCase> {};

// After "fr" the wait lasts until the turbine's own radio identifies itself: neither a
// neighbour's announcements nor a late answer to the discovery cut it short.
TEST_P(WaitForTheLink, EndsOnlyOnTheTurbinesOwnIdentification) {
    const WaitCase& c = GetParam();
    sim::Scenario scenario = fieldOf(sim::kDefaultFieldText + c.more);
    for (sim::NodeConfig& node : scenario.nodes) {
        if (node.name != "QOR123-7654321") continue;
        node.restartMs = c.restartMs;
        if (c.lateDiscovery) node.faults.push_back({sim::FaultKind::NdAnswerAfterFr});
    }
    DialogRun run(scenario);
    run.run(searchAndFix(run, "7654321"));
    EXPECT_EQ(run.statuses().back(), "Communication speed fixed.");
    const auto writes = run.rig.field->device().writes();
    const std::int64_t fr = timeOfRemote(writes, "fr");
    ASSERT_GE(fr, 0);
    // "fr" is answered 30 ms after it went out; the radio is back restartMs later.
    EXPECT_GE(timeOfRemote(writes, "db"), fr + 30 + c.restartMs);
}

INSTANTIATE_TEST_SUITE_P(
    Fix, WaitForTheLink,
    ::testing::Values(WaitCase{"RestartIn5900NextToANeighbourEvery250Ms",
                               "\nnode QOR123-7654341\n  address 0013A20041C7F341\n"
                               "  network 0441\n  announces-every 250\n",
                               5900, false},
                      WaitCase{"LateDiscoveryAnswerRightAfterFr", "", 2500, true}),
    [](const ::testing::TestParamInfo<WaitCase>& p) { return p.param.name; });

// The dongle pulled out while the fix waits for the radio, and plugged in again three
// seconds later: the dongle is named, then found again, and Search and Fix work.
TEST(DongleGone, PulledWhileWaitingAndPluggedInAgain) {
    DialogRun run;
    transport::SimulatedDevice& device = run.rig.field->device();
    std::int64_t pulledAtMs = -1;
    std::int64_t backAtMs = -1;
    std::int64_t searchedAgainAtMs = -1;
    bool fixPressed = false;
    bool boxed = false;
    run.run([&](FakeDialogHost& host, const HostEvent& event) {
        const std::int64_t now = run.rig.clock.nowMs();
        const bool status = event.kind == HostEvent::Text && event.id == kIdStatus;
        if (event.kind == HostEvent::Init) {
            host.type("7654321");
            host.press(kIdSearch);
        } else if (status && event.text == "Waiting" && pulledAtMs < 0) {
            pulledAtMs = now;
            device.vanishAt(now);
            device.returnAt(now + 3000);
        } else if (status && event.text == "Radio dongle connected.") {
            backAtMs = now;
        } else if (event.kind == HostEvent::Box) {
            boxed = true;
        } else if (event.kind == HostEvent::Idle) {
            if (boxed || (pulledAtMs >= 0 && backAtMs < 0 && now >= pulledAtMs + 60000)) {
                host.close();
            } else if (backAtMs >= 0 && searchedAgainAtMs < 0) {
                // Fix does nothing until the operator searches again.
                host.press(kIdFix);
                EXPECT_FALSE(run.worker().fixDue());
                host.press(kIdSearch);  // the box holds the turbine's name
                searchedAgainAtMs = now;
                fixPressed = false;
            } else if (!fixPressed && run.worker().found() && !run.worker().searchDue()) {
                host.press(kIdFix);
                fixPressed = true;
            }
        }
    });
    // The radio took 6 before the dongle went: the second fix finds it correct.
    EXPECT_EQ(run.statuses(),
              (Texts{"Scanning", "Configuring alt speed", "Waiting", "Radio dongle disconnected.",
                     "Radio dongle connected.", "Scanning", "Communication speed is correct."}));
    EXPECT_EQ(run.host.boxes(),
              Texts{"Fix Complete: Communication has been established with turbine."});
    ASSERT_GE(backAtMs, 0);
    EXPECT_GE(backAtMs, pulledAtMs + 3000);
    EXPECT_LE(backAtMs, pulledAtMs + 3000 + 1100);  // tried about once a second
    // Nothing went to a remote radio between the pull and the next Search, and all else to
    // the turbine.
    const auto writes = device.writes();
    for (const transport::WriteRecord& write : writes) {
        if (write.atMs >= pulledAtMs && write.atMs < searchedAgainAtMs) {
            EXPECT_TRUE(addressedFrames({write}).empty()) << write.atMs;
        }
    }
    const std::vector<AddressedFrame> frames = addressedFrames(writes);
    EXPECT_EQ(destinationsOf(frames), std::vector<std::uint64_t>(frames.size(), kTurbine));
    const auto calls = device.calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "baud 115200"), 2);
}

// Pulled out and never back: one status names the dongle, and the worker keeps trying
// without writing, until the dialog closes.
TEST(DongleGone, WhileIdleItIsNamedOnce) {
    DialogRun run;
    transport::SimulatedDevice& device = run.rig.field->device();
    std::int64_t toldAtMs = -1;
    std::int64_t closedAtMs = -1;
    run.run([&](FakeDialogHost& host, const HostEvent& event) {
        const std::int64_t now = run.rig.clock.nowMs();
        if (event.kind == HostEvent::Init) {
            device.vanishAt(now);
        } else if (event.kind == HostEvent::Text && event.id == kIdStatus) {
            toldAtMs = now;
        } else if (event.kind == HostEvent::Idle && toldAtMs >= 0 && now >= toldAtMs + 10000 &&
                   closedAtMs < 0) {
            host.close();
            closedAtMs = now;
        }
    });
    EXPECT_EQ(run.statuses(), Texts{"Radio dongle disconnected."});
    EXPECT_TRUE(device.writes().empty());
    // The start-up's open, then one try a second since the dongle was found gone (the
    // worker waits in that status call while the clock is read).
    const auto calls = device.calls();
    const auto tries = std::count(calls.begin(), calls.end(), "open 0") - 1;
    const std::int64_t goneSeconds = (run.rig.clock.nowMs() - toldAtMs) / 1000;
    EXPECT_GE(tries, goneSeconds - 1);
    EXPECT_LE(tries, goneSeconds + 1);
    EXPECT_TRUE(run.worker().ended());
}

}  // namespace
