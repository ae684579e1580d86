#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "DialogRun.h"
#include "engine/Messages.h"

using namespace app;
using namespace engine;
using namespace app::testing;

// The whole tool against fields that misbehave: chattering nodes, noise, an unplugged
// dongle. Whatever the field does, a search and a fix end in bounded field time.
namespace {

using Texts = std::vector<std::string>;

constexpr const char* kTurbine = "QOR123-7654321";

// The longest each can take when every wait runs to its end, in field time. The worker
// first finishes the idle poll it is in (500 ms and a read).
// Search: "cb" (drain 30, wait 1800, read 20), 800 ms, discovery (drain 30, 20 s, a read),
// 100 ms.
constexpr std::int64_t kIdlePollMs = 520;
constexpr std::int64_t kSearchLimitMs = kIdlePollMs + 1850 + 800 + 30 + 20000 + 20 + 100;
// Fix: "bd" (1850); the inverter test (4 x (30 + 1820 + 100)); then twice: "bd", "wr",
// "fr" (3 x 1850), 12 link waits of 520, two "db" (2 x 1850), the inverter test.
constexpr std::int64_t kProbeMs = 4 * (30 + 1820 + 100);
constexpr std::int64_t kTryMs = 3 * 1850 + 12 * 520 + 2 * 1850 + kProbeMs;
constexpr std::int64_t kFixLimitMs = kIdlePollMs + 1850 + kProbeMs + 2 * kTryMs;

bool isEnd(const std::string& status) {
    static const Texts ends = {kStatusQueryFailed, kStatusSpeedCorrect, kStatusLostLink,
                               kStatusSpeedFixed,  kStatusUnable,       kStatusDongleGone};
    return std::find(ends.begin(), ends.end(), status) != ends.end();
}

// Where in the operator's road the dongle is pulled out.
enum class Unplug { Never, AtSearch, AtFixStart, WhileWaiting };

// Field times of the operator's road: Search; Fix as soon as the turbine has been found,
// while the search still runs, so the fix starts the moment the search ends; close once the
// fix has ended (after its "Fix Complete" box, if any). When the search ends without the
// turbine, Search is pressed once more, and the dialog closes when that one has ended too.
struct Road {
    std::int64_t searchMs = -1;  // from Search to the fix's start
    std::int64_t fixMs = -1;     // from the fix's start to its last status
    bool found = false;
    int searches = 0;
};

FakeDialogHost::Script searchAndFix(DialogRun& run, Road& road, Unplug unplug) {
    return
        [&run, &road, unplug, pressedAt = std::int64_t{0}, fixAt = std::int64_t{0},
         fixPressed = false, ended = false](FakeDialogHost& host, const HostEvent& event) mutable {
            const std::int64_t now = run.rig.clock.nowMs();
            transport::SimulatedDevice& device = run.rig.field->device();
            const bool isStatus = event.kind == HostEvent::Text && event.id == kIdStatus;
            if (event.kind == HostEvent::Init) {
                host.type(kTurbine);
                host.press(kIdSearch);
                pressedAt = now;
                road.searches = 1;
                if (unplug == Unplug::AtSearch) device.vanishAt(now);
            } else if (event.kind == HostEvent::Text && !fixPressed && run.dialog.worker() &&
                       run.worker().found()) {
                // The worker waits in this call: the search is still running.
                host.press(kIdFix);
                fixPressed = true;
            } else if (isStatus && event.text == kStatusScanning) {
                road.searchMs = now - pressedAt;
                road.found = true;
                fixAt = now;
                if (unplug == Unplug::AtFixStart) device.vanishAt(now);
            } else if (isStatus && event.text == kStatusWaiting && unplug == Unplug::WhileWaiting) {
                device.vanishAt(now);
            } else if (isStatus && event.text == kStatusDongleGone && !road.found) {
                ended = true;  // pulled out before the fix began: nothing more comes
            } else if (isStatus && isEnd(event.text)) {
                road.fixMs = now - fixAt;
                ended = event.text != kStatusSpeedCorrect && event.text != kStatusSpeedFixed;
            } else if (event.kind == HostEvent::Box) {
                ended = true;
            } else if (event.kind == HostEvent::Idle && !fixPressed && !run.worker().searchDue()) {
                if (road.searches == 2) {
                    ended = true;
                } else {
                    host.press(kIdSearch);
                    road.searches = 2;
                }
            }
            if (event.kind == HostEvent::Idle && ended) host.close();
        };
}

// The "cb" requests written: one for each search started.
int searchesStarted(const transport::SimulatedDevice& device) {
    const std::vector<std::uint8_t> cb = {0x7E, 0x00, 0x05, 0x08, 0x01, 'c', 'b', 0x02, 0x2F};
    int count = 0;
    for (const transport::WriteRecord& write : device.writes()) count += write.bytes == cb;
    return count;
}

sim::Scenario fieldOf(const std::string& text) {
    sim::Scenario scenario;
    std::string error;
    EXPECT_TRUE(parseField(text, scenario, error)) << error;
    return scenario;
}

// The built-in field with more lines at the end of its text.
std::string builtInFieldWith(const std::string& more) { return sim::kDefaultFieldText + more; }

const std::string kStreamingNeighbour = R"(
node QOR123-7654340
  address 0013A20041C7F340
  network 0440
  packet-stream 10 40
)";

enum class Found { Yes, No, Either };

struct HostileCase {
    const char* name;
    std::string field;
    Unplug unplug;
    Found found;
    Texts endings;  // the fix's last status is one of these
};

void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.name; }

class HostileField : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileField, SearchAndFixEndInBoundedFieldTime) {
    const HostileCase& c = GetParam();
    DialogRun run(fieldOf(c.field));
    ASSERT_TRUE(run.attached);
    Road road;
    EXPECT_EQ(run.run(searchAndFix(run, road, c.unplug)), 0);
    EXPECT_TRUE(run.worker().ended());

    if (c.found != Found::Either) {
        EXPECT_EQ(road.found, c.found == Found::Yes);
    }
    if (c.unplug == Unplug::AtSearch) {
        // The dongle is named, not the turbine; the Search waits for the dongle's return.
        EXPECT_EQ(run.statuses(), Texts{kStatusDongleGone});
        EXPECT_TRUE(run.worker().searchDue());
        return;
    }
    if (!road.found) {
        // The search ended, and the next one was started and ended too.
        EXPECT_EQ(road.searches, 2);
        if (c.unplug == Unplug::Never) {
            EXPECT_EQ(searchesStarted(run.rig.field->device()), 2);
        }
        return;
    }
    EXPECT_LE(road.searchMs, kSearchLimitMs);
    ASSERT_GE(road.fixMs, 0);
    EXPECT_LE(road.fixMs, kFixLimitMs);
    const Texts statuses = run.statuses();
    EXPECT_NE(std::find(c.endings.begin(), c.endings.end(), statuses.back()), c.endings.end())
        << statuses.back();
    if (c.unplug != Unplug::Never) {
        // Only the dongle is blamed: nothing said of the turbine's radio or inverter.
        EXPECT_EQ(std::count_if(statuses.begin(), statuses.end(), isEnd), 1);
    }
}

const Texts kAnyEnd = {kStatusQueryFailed, kStatusSpeedCorrect, kStatusLostLink, kStatusSpeedFixed,
                       kStatusUnable};

std::string withFieldSetting(const std::string& setting) {
    return setting + "\n" + sim::kDefaultFieldText;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, HostileField,
    ::testing::Values(
        HostileCase{"NeighbourStreaming", builtInFieldWith(kStreamingNeighbour), Unplug::Never,
                    Found::Yes, kAnyEnd},
        HostileCase{"NeighbourStreamingAtLineRate", builtInFieldWith(R"(
node QOR123-7654340
  address 0013A20041C7F340
  network 0440
  packet-stream 8 72
)"),
                    Unplug::Never, Found::Yes, kAnyEnd},
        HostileCase{"NodeAnnouncingEvery500Ms", builtInFieldWith(R"(
node QOR123-7654341
  address 0013A20041C7F341
  network 0441
  announces-every 500
)"),
                    Unplug::Never, Found::Yes, kAnyEnd},
        // Random bytes start false frames whose lengths swallow real ones.
        HostileCase{"RandomBytesAtLineRate", withFieldSetting("random-bytes 11520"), Unplug::Never,
                    Found::Either, kAnyEnd},
        HostileCase{
            "UnpluggedAtTheSearch", sim::kDefaultFieldText, Unplug::AtSearch, Found::No, {}},
        // The dongle itself is named: neither the radio's silence nor a lost link.
        HostileCase{"UnpluggedAtTheFixStart",
                    sim::kDefaultFieldText,
                    Unplug::AtFixStart,
                    Found::Yes,
                    {kStatusDongleGone}},
        HostileCase{"UnpluggedWhileWaiting",
                    sim::kDefaultFieldText,
                    Unplug::WhileWaiting,
                    Found::Yes,
                    {kStatusDongleGone}}),
    [](const ::testing::TestParamInfo<HostileCase>& p) { return p.param.name; });

// The packet data of a neighbour's inverter, in every read, must not cost the fix more than
// its normal time twice over, nor change what it does.
TEST(HostileFieldTest, AStreamingNeighbourAtMostDoublesTheFixTime) {
    DialogRun quiet(sim::defaultField());
    Road normal;
    quiet.run(searchAndFix(quiet, normal, Unplug::Never));
    ASSERT_EQ(quiet.statuses().back(), kStatusSpeedFixed);

    DialogRun busy(fieldOf(builtInFieldWith(kStreamingNeighbour)));
    Road road;
    busy.run(searchAndFix(busy, road, Unplug::Never));
    EXPECT_EQ(busy.rig.speedsWritten(), std::vector<unsigned>{6});
    EXPECT_EQ(busy.rig.speedsWritten(), quiet.rig.speedsWritten());
    EXPECT_EQ(busy.statuses().back(), kStatusSpeedFixed);
    EXPECT_LE(road.fixMs, 2 * normal.fixMs);
}

}  // namespace
