// A long run of the whole tool in virtual time next to a neighbour whose inverter streams
// packet data at line rate: the dialog idles, and every ten minutes of field time the
// operator searches and fixes. No buffer that gathers received bytes may grow after the
// first minute. The field time is QOR_SOAK_MINUTES (15 when unset).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "DialogRun.h"
#include "engine/Messages.h"

using namespace app;
using namespace engine;
using namespace app::testing;

namespace {

constexpr std::int64_t kMinuteMs = 60'000;
constexpr std::int64_t kCycleMs = 10 * kMinuteMs;

// 64 bytes of packet data every 7 ms: 80 bytes on the line, 99 % of 115200 baud.
const std::string kField = std::string(sim::kDefaultFieldText) + R"(
node QOR123-7654340
  address 0013A20041C7F340
  network 0440
  packet-stream 7 64
)";

std::int64_t soakMinutes() {
    const char* value = std::getenv("QOR_SOAK_MINUTES");
    const long minutes = value ? std::strtol(value, nullptr, 10) : 0;
    return minutes > 0 ? minutes : 15;
}

constexpr const char* kStageNames[] = {"RawLog", "FrameAssembler", "FrameDispatcher",
                                       "PacketReassembler", "PacketParser"};
using Capacities = std::array<std::uint32_t, std::size(kStageNames)>;

Capacities capacities(const ProcessObjects& objects) {
    return {objects.rawLog.buffer().capacity(), objects.frameAssembler.buffer().capacity(),
            objects.frameDispatcher.buffer().capacity(),
            objects.packetReassembler.buffer().capacity(),
            objects.packetParser.buffer().capacity()};
}

bool isEnd(const std::string& status) {
    return status == kStatusQueryFailed || status == kStatusSpeedCorrect ||
           status == kStatusLostLink || status == kStatusSpeedFixed || status == kStatusUnable;
}

struct Soak {
    std::int64_t endMs = 0;
    Capacities afterFirstMinute{};
    Capacities atEnd{};
    bool sampledAfterFirstMinute = false;
    int searches = 0;
    std::map<std::string, int> fixEnds;
};

// Searches at 0, at one minute, then every ten; presses Fix once the turbine is found,
// while the search still runs. The stages' buffers are read only on a status text: the
// worker sets those, and waits in that call on the dialog's thread while the script reads.
// Other events can come from the dialog's own thread while the worker runs.
FakeDialogHost::Script soakScript(DialogRun& run, Soak& soak) {
    return [&run, &soak, nextSearchMs = std::int64_t{0}, busy = false, fixPressed = false](
               FakeDialogHost& host, const HostEvent& event) mutable {
        const std::int64_t now = run.rig.clock.nowMs();
        if (event.kind == HostEvent::Init) host.type("7654321");
        if (event.kind == HostEvent::Text && event.id == kIdStatus) {
            soak.atEnd = capacities(run.rig.objects);
            if (!soak.sampledAfterFirstMinute && now >= kMinuteMs) {
                soak.afterFirstMinute = soak.atEnd;
                soak.sampledAfterFirstMinute = true;
            }
        }
        if (event.kind == HostEvent::Text && event.id == kIdStatus && isEnd(event.text)) {
            ++soak.fixEnds[event.text];
            busy = false;
        } else if (event.kind == HostEvent::Text && busy && !fixPressed && run.worker().found()) {
            host.press(kIdFix);
            fixPressed = true;
        } else if (event.kind == HostEvent::Idle && busy && !fixPressed &&
                   !run.worker().searchDue()) {
            busy = false;  // the search ended without the turbine
        } else if (event.kind == HostEvent::Idle && !busy && now >= nextSearchMs) {
            if (now >= soak.endMs) {
                host.close();
                return;
            }
            host.press(kIdSearch);
            ++soak.searches;
            busy = true;
            fixPressed = false;
            nextSearchMs = nextSearchMs == 0 ? kMinuteMs : nextSearchMs + kCycleMs;
        }
    };
}

TEST(SoakTest, BuffersStopGrowingAfterTheFirstMinute) {
    sim::Scenario scenario;
    std::string error;
    ASSERT_TRUE(parseField(kField, scenario, error)) << error;
    DialogRun run(scenario);
    ASSERT_TRUE(run.attached);
    run.rig.field->device().setRecording(false);

    Soak soak;
    soak.endMs = soakMinutes() * kMinuteMs;
    run.run(soakScript(run, soak));
    ASSERT_TRUE(soak.sampledAfterFirstMinute);

    std::printf("Soak: %lld min of field time, %d searches, fixes ended:",
                static_cast<long long>(soak.endMs / kMinuteMs), soak.searches);
    for (const auto& [status, count] : soak.fixEnds)
        std::printf(" %d \"%s\"", count, status.c_str());
    std::printf("\n%-18s %12s %12s\n", "buffer capacity", "after 1 min", "at the end");
    for (std::size_t i = 0; i < std::size(kStageNames); ++i) {
        std::printf("%-18s %12u %12u\n", kStageNames[i], soak.afterFirstMinute[i], soak.atEnd[i]);
        EXPECT_EQ(soak.atEnd[i], soak.afterFirstMinute[i]) << kStageNames[i];
    }
    EXPECT_GE(soak.searches, static_cast<int>(soak.endMs / kCycleMs));
}

}  // namespace
