#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/TurbineService.h"
#include "sim/Scenario.h"
#include "sim/SimulatedField.h"
#include "transport/Clock.h"
#include "transport/PortFactory.h"

using namespace engine;

namespace {

// The service in front of a simulated field, on virtual time.
struct ServiceRig {
    explicit ServiceRig(const std::string& text)
        : field(sim::makeSimulatedField(parse(text), clock)) {
        factory = std::make_unique<transport::PortFactory>(field->device(), clock, settings);
        service = std::make_unique<TurbineService>(factory.get(), settings, clock);
    }
    static sim::Scenario parse(const std::string& text) {
        sim::Scenario scenario;
        std::string error;
        EXPECT_TRUE(sim::parseScenario(text, scenario, error, "test field")) << error;
        return scenario;
    }

    transport::VirtualClock clock;
    transport::Settings settings;
    std::unique_ptr<sim::SimulatedField> field;
    std::unique_ptr<transport::PortFactory> factory;
    std::unique_ptr<TurbineService> service;
};

// Counts what the service tells; stops it at the nth report when asked.
struct Heard final : ServiceObserver {
    void onNode(const NodeReport&, NodeRole, std::size_t radiosSoFar) override {
        ++reports;
        radios = radiosSoFar;
        if (reports == stopAt) service->stop();
    }
    void onStatus(const std::string& text) override { statuses.push_back(text); }

    TurbineService* service = nullptr;
    std::size_t stopAt = 0;
    std::size_t reports = 0;
    std::size_t radios = 0;
    std::vector<std::string> statuses;
};

const std::string kTurbine =
    "node QOR123-7654321\n  address 0013A20041C7F321\n  network 7A21\n  bd 4\n"
    "  inverter-speed 6\n  announces-after-cb yes\n";
const std::string kNeighbour = "node QOR123-7654318\n  address 0013A20041C7F318\n  network 3C18\n";

struct CountCase {
    const char* why;
    std::string field;
    std::size_t reports;
    std::size_t radios;
};

// Every report is told, repeats included, with the distinct radios heard so far: the dialog
// counts the one, the command-line program the other.
TEST(TurbineServiceTest, EveryReportIsToldWithTheDistinctRadiosSoFar) {
    const CountCase cases[] = {
        {"each radio once", kNeighbour, 1, 1},
        {"the turbine also announces itself after cb", kTurbine + kNeighbour, 3, 2},
        {"a neighbour announcing every 100 ms", kTurbine + kNeighbour + "  announces-every 100\n",
         0, 2},
    };
    for (const CountCase& c : cases) {
        SCOPED_TRACE(c.why);
        ServiceRig rig(c.field);
        Heard heard;
        rig.service->setObserver(&heard);
        ASSERT_TRUE(rig.service->attach());
        rig.service->search(SearchTarget{7654321, "7654321", std::nullopt});
        EXPECT_EQ(heard.radios, c.radios);
        EXPECT_EQ(rig.service->radios().rows().size(), c.radios);
        if (c.reports)
            EXPECT_EQ(heard.reports, c.reports);
        else
            EXPECT_GT(heard.reports, c.radios + 5);
        rig.service->setObserver(nullptr);
    }
}

// A stop from inside a report ends the search at once, and the fix after it writes nothing.
TEST(TurbineServiceTest, AStopDuringTheSearchEndsItAndNothingMoreIsWritten) {
    ServiceRig rig(kTurbine + kNeighbour);
    Heard heard;
    heard.service = rig.service.get();
    heard.stopAt = 1;
    rig.service->setObserver(&heard);
    ASSERT_TRUE(rig.service->attach());
    const SearchResult result = rig.service->search(SearchTarget{7654321, "7654321", std::nullopt},
                                                    Listening::UntilTargetOrEnd);
    EXPECT_EQ(result.verdict, SearchResult::Verdict::Cut);
    EXPECT_EQ(rig.service->endingOf(result), Outcome::Stopped);
    EXPECT_TRUE(rig.service->stopped());
    EXPECT_FALSE(rig.service->found());
    const std::size_t written = rig.field->device().writes().size();
    EXPECT_EQ(rig.service->fix().outcome, Outcome::Stopped);
    EXPECT_EQ(rig.field->device().writes().size(), written);
    EXPECT_TRUE(heard.statuses.size() <= 1);  // "Scanning" at most: no ending is told
    rig.service->setObserver(nullptr);
}

}  // namespace
