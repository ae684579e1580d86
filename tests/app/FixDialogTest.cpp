#include <gtest/gtest.h>

#include "DialogRun.h"
#include "app/TurbineIds.h"
#include "radio/NodeAddress.h"

using namespace app;
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
    FixDialog dialog(host, rig.objects);
    for (std::int32_t count : {0, 7, 9999999, 12345678, 2147483647}) {
        dialog.showOthersCount(count);
        EXPECT_EQ(host.texts(kIdOthersCount).back(), std::to_string(count));
    }
}

struct NodeCase {
    const char* name;
    bool matches;
    bool counted;
};

// Node reports judged against the target 1234567. The worker is not started: its calls
// into the dialog run at once on this thread, the dialog's.
TEST(LinkWorkerTest, NodeReportsAgainstTarget) {
    const NodeCase cases[] = {
        {"ABCDE", false, false},  // too short: ignored altogether
        {"NODE0-1234567", true, false},
        {"12345X1234567", true, false},     // digits before index 6 do not count
        {"AB-CD-8761234567", false, true},  // wraps to 171299975: remainder 1299975
        {"WT-01-11234567", true, false},    // 11234567 leaves 1234567
        {"WT-01-7654321", false, true},
        {"ABCDEF", false, true},  // value 0 is not the target
    };
    for (const NodeCase& c : cases) {
        SCOPED_TRACE(c.name);
        FieldRig rig;
        FakeDialogHost host;
        FixDialog dialog(host, rig.objects);
        LinkWorker worker(dialog, rig.objects);
        worker.setTarget(1234567);
        worker.search().onNode(0x11223344, 0x55667788, 0x1234, c.name, -1);

        EXPECT_EQ(worker.found(), c.matches);
        EXPECT_EQ(host.texts(kIdTurbineId),
                  c.matches ? std::vector<std::string>{c.name} : std::vector<std::string>{});
        std::vector<bool> enables;
        for (const HostEvent& event : host.events()) {
            if (event.kind == HostEvent::Enable) enables.push_back(event.enabled);
        }
        EXPECT_EQ(enables, c.matches ? std::vector<bool>{true} : std::vector<bool>{});
        EXPECT_EQ(dialog.othersFound(), c.counted ? 1 : 0);
        const radio::NodeAddress expected =
            c.matches
                ? radio::NodeAddress{{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x12, 0x34}}
                : radio::NodeAddress{};
        EXPECT_EQ(rig.objects.frameEncoder.nodeAddress().bytes, expected.bytes);
    }
}

TEST(LinkWorkerTest, RepeatedReportsAreCountedEachTime) {
    FieldRig rig;
    FakeDialogHost host;
    FixDialog dialog(host, rig.objects);
    LinkWorker worker(dialog, rig.objects);
    worker.setTarget(1234567);
    for (const char* name : {"QOR123-7654318", "QOR123-7654318", "QOR123-7654330"}) {
        worker.search().onNode(1, 2, 3, name, 0);
    }
    EXPECT_EQ(host.texts(kIdOthersCount), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_FALSE(worker.found());
}

// Before any Search there is no target: a name carrying no digits (value 0) must not
// select its node, and nothing else may either.
TEST(LinkWorkerTest, WithoutATargetNothingMatches) {
    FieldRig rig;
    FakeDialogHost host;
    FixDialog dialog(host, rig.objects);
    LinkWorker worker(dialog, rig.objects);
    for (const char* name : {"ABCDEF", "QOR123-", "WT-01-0000000", "QOR123-7654321"}) {
        worker.search().onNode(0x11223344, 0x55667788, 0x1234, name, 0);
    }
    EXPECT_FALSE(worker.found());
    EXPECT_EQ(dialog.othersFound(), 4);
    EXPECT_TRUE(host.texts(kIdTurbineId).empty());
    EXPECT_EQ(rig.objects.frameEncoder.nodeAddress().bytes, radio::NodeAddress{}.bytes);
}

// A 23-character name gives 17 digits from index 6; the first 15 decide.
TEST(LinkWorkerTest, LongNameUsesItsFirstFifteenDigits) {
    FieldRig rig;
    FakeDialogHost host;
    FixDialog dialog(host, rig.objects);
    LinkWorker worker(dialog, rig.objects);
    worker.setTarget(*nodeNameTarget("WT-01-123456789012345"));
    worker.search().onNode(1, 2, 3, "WT-01-12345678901234567", 0);
    EXPECT_TRUE(worker.found());
}

}  // namespace
