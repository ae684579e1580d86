#include <gtest/gtest.h>

#include "DialogRun.h"
#include "engine/TurbineIds.h"
#include "radio/NodeAddress.h"

using namespace app;
using namespace engine;
using namespace app::testing;

namespace {

constexpr const char* kNoDigitsBox = "No turbine specified: No identifier digits found.";

struct SearchCase {
    const char* typed;
    bool box;             // the "No identifier digits found." box
    std::int32_t target;  // the worker's target afterwards
    bool searchDue;
};

// Search, as the operator meets it: what is typed decides the target, the box, and
// whether the count goes back to 0 (one more "0" than the one onInit shows).
TEST(FixDialogTest, SearchParsesTheTurbineId) {
    const SearchCase cases[] = {
        {"QOR123-7654321", false, 7654321, true},
        {"qor123-7654321", false, 7654321, true},
        {"T-12a34", false, 1234, true},
        {"QOR12", true, 0, false},
        {"", true, 0, false},
        {"0000", true, 0, false},
        {"20000000", false, 0, false},           // accepted: count reset, but no search
        {"3000000000", false, -4967296, false},  // wrapped negative: no search
    };
    for (const SearchCase& c : cases) {
        SCOPED_TRACE(c.typed);
        DialogRun run;
        std::int32_t target = -1;
        bool due = false;
        const int result = run.run([&](FakeDialogHost& host, const HostEvent& event) {
            if (event.kind != HostEvent::Init) return;
            host.type(c.typed);
            host.press(kIdSearch);
            target = run.worker().target();
            due = run.worker().searchDue();
            host.close();
        });
        EXPECT_EQ(result, 0);
        EXPECT_EQ(target, c.target);
        EXPECT_EQ(due, c.searchDue);
        EXPECT_EQ(run.host.boxes(),
                  c.box ? std::vector<std::string>{kNoDigitsBox} : std::vector<std::string>{});
        const std::size_t zeros = c.box ? 1 : 2;
        EXPECT_EQ(run.host.texts(kIdOthersCount), std::vector<std::string>(zeros, "0"));
    }
}

TEST(FixDialogTest, StartsWithFixDisabledAndCountZero) {
    DialogRun run;
    bool fixEnabled = true;
    run.run([&](FakeDialogHost& host, const HostEvent& event) {
        if (event.kind != HostEvent::Init) return;
        fixEnabled = host.itemEnabled(kIdFix);
        host.close();
    });
    EXPECT_FALSE(fixEnabled);
    EXPECT_EQ(run.lastText(kIdOthersCount), "0");
    EXPECT_TRUE(run.worker().ended());
}

// Escape sends the cancel command, which nothing acts on; only a close request ends it.
TEST(FixDialogTest, EscapeLeavesTheDialogOpen) {
    DialogRun run;
    bool endedByEscape = true;
    run.run([&](FakeDialogHost& host, const HostEvent& event) {
        if (event.kind != HostEvent::Init) return;
        host.press(kIdCancel);
        endedByEscape = host.ended();
        host.close();
    });
    EXPECT_FALSE(endedByEscape);
    EXPECT_TRUE(run.host.ended());
}

TEST(FixDialogTest, FixIsIgnoredUntilTheTurbineIsFound) {
    DialogRun run;
    bool fixDue = true;
    run.run([&](FakeDialogHost& host, const HostEvent& event) {
        if (event.kind != HostEvent::Init) return;
        host.enableItem(kIdFix, true);
        host.press(kIdFix);
        fixDue = run.worker().fixDue();
        host.close();
    });
    EXPECT_FALSE(fixDue);
    EXPECT_TRUE(run.statuses().empty());
}

// The count is shown whole, however large.
TEST(FixDialogTest, OthersCountIsShownWhole) {
    FieldRig rig;
    FakeDialogHost host;
    FixDialog dialog(host, rig.service);
    for (std::int32_t count : {0, 7, 9999999, 12345678, 2147483647}) {
        dialog.showOthersCount(count);
        EXPECT_EQ(host.texts(kIdOthersCount).back(), std::to_string(count));
    }
}

// A worker whose search for target has run without a port and heard nothing, as happens
// when the turbine does not answer discovery: the first report of the target in the idle
// polls takes it. The worker is not started: its calls into the dialog run at once on this
// thread, the dialog's.
struct IdleWorker {
    explicit IdleWorker(std::int32_t target, std::string typed = {}) {
        worker.service().turbineSearch().setTarget(
            SearchTarget{target, std::move(typed), std::nullopt});
        worker.service().turbineSearch().run();
    }
    std::vector<bool> enables() const {
        std::vector<bool> all;
        for (const HostEvent& event : host.events()) {
            if (event.kind == HostEvent::Enable) all.push_back(event.enabled);
        }
        return all;
    }

    FieldRig rig;
    FakeDialogHost host;
    FixDialog dialog{host, rig.service};
    LinkWorker worker{dialog, rig.service};
};

const radio::NodeAddress kNoNode{};

struct NodeCase {
    const char* name;
    bool matches;
    bool counted;
};

// Node reports judged against the target 1234567 after a search that heard nothing.
TEST(LinkWorkerTest, NodeReportsAgainstTarget) {
    const NodeCase cases[] = {
        {"ABCDE", false, false},  // too short: ignored altogether
        {"NODE0-1234567", true, false},
        {"WT-01-7654321", false, true},
        {"ABCDEF", false, true},  // value 0 is not the target
    };
    for (const NodeCase& c : cases) {
        SCOPED_TRACE(c.name);
        IdleWorker idle(1234567);
        idle.worker.service().turbineSearch().onNode(0x1122334455667788, 0x1234, c.name, -1);

        EXPECT_EQ(idle.worker.found(), c.matches);
        EXPECT_EQ(idle.host.texts(kIdTurbineId),
                  c.matches ? std::vector<std::string>{c.name} : std::vector<std::string>{});
        EXPECT_EQ(idle.enables(), c.matches ? std::vector<bool>{true} : std::vector<bool>{});
        EXPECT_EQ(idle.dialog.othersFound(), c.counted ? 1 : 0);
        const radio::NodeAddress expected =
            c.matches
                ? radio::NodeAddress{{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x12, 0x34}}
                : kNoNode;
        EXPECT_EQ(idle.rig.objects.frameEncoder.nodeAddress().bytes, expected.bytes);
    }
}

// Once taken, the turbine is its 64-bit address: another radio whose name carries the same
// number is another node, and only the turbine's own reports move its network address.
TEST(LinkWorkerTest, TheTurbineIsItsAddress) {
    IdleWorker idle(7654321);
    auto& search = idle.worker.service().turbineSearch();
    search.onNode(0x0013A20041C7F321, 0x7A21, "QOR123-7654321", -1);
    search.onNode(0x0013A20041C70917, 0x0909, "WT-09-17654321", -1);
    search.onNode(0x0013A20041C70917, 0x0909, "QOR123-7654321", -1);
    EXPECT_EQ(
        idle.rig.objects.frameEncoder.nodeAddress().bytes,
        (radio::NodeAddress{{0x00, 0x13, 0xA2, 0x00, 0x41, 0xC7, 0xF3, 0x21, 0x7A, 0x21}}.bytes));
    EXPECT_EQ(idle.dialog.othersFound(), 2);
    EXPECT_EQ(idle.host.texts(kIdTurbineId), std::vector<std::string>{"QOR123-7654321"});

    // Back from a restart under another network address.
    search.clearFound();
    search.onNode(0x0013A20041C7F321, 0x5555, "QOR123-7654321", -1);
    EXPECT_TRUE(idle.worker.found());
    EXPECT_EQ(
        idle.rig.objects.frameEncoder.nodeAddress().bytes,
        (radio::NodeAddress{{0x00, 0x13, 0xA2, 0x00, 0x41, 0xC7, 0xF3, 0x21, 0x55, 0x55}}.bytes));
    EXPECT_EQ(search.turbine(), 0x0013A20041C7F321u);
}

TEST(LinkWorkerTest, RepeatedReportsAreCountedEachTime) {
    IdleWorker idle(1234567);
    for (const char* name : {"QOR123-7654318", "QOR123-7654318", "QOR123-7654330"}) {
        idle.worker.service().turbineSearch().onNode(0x0000000100000002, 3, name, 0);
    }
    EXPECT_EQ(idle.host.texts(kIdOthersCount), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_FALSE(idle.worker.found());
}

// Before any Search there is no target: a name carrying no digits (value 0) must not
// select its node, and nothing else may either.
TEST(LinkWorkerTest, WithoutATargetNothingMatches) {
    FieldRig rig;
    FakeDialogHost host;
    FixDialog dialog(host, rig.service);
    LinkWorker worker(dialog, rig.service);
    for (const char* name : {"ABCDEF", "QOR123-", "WT-01-0000000", "QOR123-7654321"}) {
        worker.service().turbineSearch().onNode(0x1122334455667788, 0x1234, name, 0);
    }
    EXPECT_FALSE(worker.found());
    EXPECT_EQ(dialog.othersFound(), 4);
    EXPECT_TRUE(host.texts(kIdTurbineId).empty());
    EXPECT_EQ(rig.objects.frameEncoder.nodeAddress().bytes, kNoNode.bytes);
}

// A 23-character name gives 17 digits from index 6; the first 15 decide.
TEST(LinkWorkerTest, LongNameUsesItsFirstFifteenDigits) {
    IdleWorker idle(*nodeNameTarget("WT-01-123456789012345"));
    idle.worker.service().turbineSearch().onNode(0x0000000100000002, 3, "WT-01-12345678901234567",
                                                 0);
    EXPECT_TRUE(idle.worker.found());
}

}  // namespace
