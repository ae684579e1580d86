#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "engine/NodeTable.h"
#include "engine/Results.h"
#include "engine/ServiceObserver.h"
#include "engine/TurbineMatch.h"
#include "transport/Clock.h"
#include "transport/DriverError.h"
#include "transport/PortFactory.h"
#include "transport/Settings.h"

namespace engine {

class ProcessObjects;
class TurbineSearch;

// The turbine service that both front ends drive: it owns the process-wide objects and the
// attached radio, and finds a turbine's radio, checks and fixes its speed setting, and
// surveys every turbine in reach. Every operation runs on the calling thread, the one that
// drives the link, and tells its steps to the observer; stop() ends the one in progress.
class TurbineService final {
public:
    // factory: the drivers tried in order to open the radio; null: no radio can be opened.
    TurbineService(transport::PortFactory* factory, const transport::Settings& settings,
                   transport::Clock& clock);
    ~TurbineService();
    TurbineService(const TurbineService&) = delete;
    TurbineService& operator=(const TurbineService&) = delete;

    // Who hears the reports, statuses and steps from now on; null: nobody. Set while no
    // operation runs.
    void setObserver(ServiceObserver* observer) { observer_ = observer; }

    // Opens the radio module through the factory's drivers in order, the first that can,
    // as device deviceIndex (0: the first, in the order the drivers count them). False when
    // none can, and why in failure, when given.
    bool attach(transport::DriverError* failure = nullptr, int deviceIndex = 0);
    // After the dongle failed: closes its port at once, then tries to attach the radio
    // again about once a second, quietly, as attach does, until that works (true) or
    // keepTrying answers false. Call forget first: nothing is written to a remote radio
    // before the next search.
    bool reattachWhile(const std::function<bool()>& keepTrying);

    // Looks for target; a target without number, text or address: for every node in reach.
    // Lets go of the turbine first; with the Turbine verdict, it is the turbine now.
    SearchResult search(const SearchTarget& target, Listening listening = Listening::UntilQuiet);
    // How an operation ends at this search: none when it found the turbine it looked for (or
    // nodes, when it looked for every node).
    std::optional<Outcome> endingOf(const SearchResult& result) const;
    // The fix's first steps on the turbine found: nothing is written.
    CheckResult check();
    // The whole fix on the turbine found.
    FixResult fix();
    // The attached radio module and the radios it reaches, judged by what the line carries
    // for the whole discovery time; writes nothing but the module's own node discovery
    // request: no channel command, no remote command, no transmit request.
    ModuleCheckResult checkModule();
    // Every node in reach whose name carries a turbine number, checked in turn by its
    // address; rows gets one per turbine checked. Answers the first ending that is not
    // SpeedCorrect, or how the survey was cut short.
    Outcome survey(std::vector<SurveyRow>& rows);
    // Waits once for whatever the radios send unasked, as between operations.
    void idlePoll();
    // No turbine and found clear; nothing is taken until the next search.
    void forget();
    // Found clear until a radio is taken again: as a search is asked for, so that a Fix
    // pressed meanwhile is not taken for the turbine found before.
    void clearFound();

    // From any thread, and from a signal handler: lock-free stores only. The operation in
    // progress ends after the read in progress, and nothing more is written to the radio.
    void stop();
    bool stopped() const;
    // From any thread: the turbine is found and commands go to it.
    bool found() const;
    // The dongle failed a read or a write; nothing more goes through its port.
    bool dongleLost() const;
    // The distinct radios heard since the last search began.
    const NodeTable& radios() const { return radios_; }
    // The radio's row in radios(), or one made from the radio, when the table had no room.
    NodeRow rowOf(const Candidate& radio) const;

    // The wiring, for the tests' rigs and the benchmarks; front ends have no use for it.
    ProcessObjects& objects() { return *objects_; }
    TurbineSearch& turbineSearch() { return *search_; }

private:
    // Hears the search and the speed fix, and passes what they tell on to the observer.
    class Relay;

    // Stopped or DongleGone once the link can no longer be used.
    std::optional<Outcome> cutShort() const;

    std::unique_ptr<ProcessObjects> objects_;
    std::unique_ptr<Relay> relay_;
    std::unique_ptr<TurbineSearch> search_;
    NodeTable radios_;
    int deviceIndex_ = 0;        // the device attach opened, and reattaching opens again
    bool searchingAll_ = false;  // the last search was for every node in reach
    ServiceObserver* observer_ = nullptr;
};

}  // namespace engine
