#include "engine/TurbineService.h"

#include <algorithm>

#include "engine/Attachment.h"
#include "engine/ModuleCheck.h"
#include "engine/ProcessObjects.h"
#include "engine/SpeedFix.h"
#include "engine/TimeoutScope.h"
#include "engine/TurbineIds.h"
#include "engine/TurbineSearch.h"

namespace engine {

namespace {
constexpr int kIdlePollMs = 500;
// Between the tries to attach a dongle that has gone; each try may enumerate the ports.
constexpr int kReattachEveryMs = 1000;
constexpr int kSleepSliceMs = 20;
}  // namespace

class TurbineService::Relay final : public NodeListener, public FixObserver {
public:
    explicit Relay(TurbineService& service) : service_(service) {}

    void onNodeReport(const NodeReport& report, NodeRole role) override {
        service_.radios_.add(report);
        if (ServiceObserver* o = service_.observer_)
            o->onNode(report, role, service_.radios_.rows().size());
    }
    void onSearchEnded(const SearchResult& result) override {
        if (ServiceObserver* o = service_.observer_) o->onSearchEnded(result);
    }
    void setStatus(const std::string& text) override {
        if (ServiceObserver* o = service_.observer_) o->onStatus(text);
    }
    void fixComplete() override {
        if (ServiceObserver* o = service_.observer_) o->onFixComplete();
    }

private:
    TurbineService& service_;
};

TurbineService::TurbineService(transport::PortFactory* factory, const transport::Settings& settings,
                               transport::Clock& clock)
    : objects_(std::make_unique<ProcessObjects>(factory, settings, clock)),
      relay_(std::make_unique<Relay>(*this)),
      search_(std::make_unique<TurbineSearch>(*objects_, *relay_)) {
    wireReceiveChain(*objects_);
    objects_->frameDispatcher.setNodeSink(search_.get());
}

TurbineService::~TurbineService() {
    // Nothing may call back into a search that is gone.
    objects_->frameDispatcher.setNodeSink(nullptr);
}

bool TurbineService::attach(transport::DriverError* failure, int deviceIndex) {
    deviceIndex_ = deviceIndex;
    return attachRadio(*objects_, objects_->frameAssembler, deviceIndex, kRadioBaud, failure);
}

bool TurbineService::reattachWhile(const std::function<bool()>& keepTrying) {
    // Closed at once: the system keeps a device that is held open, and would give the
    // dongle another name when it is plugged in again.
    objects_->releasePort();
    for (;;) {
        // Slept in short slices, so that a stop ends the wait at once.
        for (int left = kReattachEveryMs; left > 0; left -= kSleepSliceMs) {
            if (!keepTrying()) return false;
            objects_->clock.sleepFor(std::min(left, kSleepSliceMs));
        }
        if (!keepTrying()) return false;
        if (attachRadio(*objects_, objects_->frameAssembler, deviceIndex_, kRadioBaud, nullptr,
                        true))
            return true;
    }
}

SearchResult TurbineService::search(const SearchTarget& target, Listening listening) {
    searchingAll_ = target.number == 0 && target.text.empty() && !target.address;
    radios_ = NodeTable();
    search_->setTarget(target);
    return search_->run(listening);
}

std::optional<Outcome> TurbineService::endingOf(const SearchResult& result) const {
    if (const std::optional<Outcome> cut = cutShort()) return cut;
    if (searchingAll_) return radios_.rows().empty() ? Outcome::NotFound : Outcome::Listed;
    switch (result.verdict) {
        case SearchResult::Verdict::Turbine:
            return std::nullopt;
        case SearchResult::Verdict::Ambiguous:
            return Outcome::Ambiguous;
        case SearchResult::Verdict::NoMatch:
        case SearchResult::Verdict::Cut:
            break;
    }
    return Outcome::NotFound;
}

CheckResult TurbineService::check() { return SpeedFix(*objects_, *search_, *relay_).check(); }

FixResult TurbineService::fix() { return SpeedFix(*objects_, *search_, *relay_).run(); }

ModuleCheckResult TurbineService::checkModule() {
    return ModuleCheck(*objects_, search_.get()).run();
}

Outcome TurbineService::survey(std::vector<SurveyRow>& rows) {
    search({}, Listening::WholeTime);
    if (const std::optional<Outcome> cut = cutShort()) return *cut;
    std::vector<NodeRow> turbines;
    for (const NodeRow& row : radios_.rows()) {
        if (row.turbine) turbines.push_back(row);
    }
    if (turbines.empty()) return Outcome::NotFound;
    if (observer_) observer_->onSurveying(turbines);
    Outcome outcome = Outcome::SpeedCorrect;
    for (std::size_t i = 0; i < turbines.size(); ++i) {
        if (observer_) observer_->onChecking(turbines[i], i, turbines.size());
        // Each turbine is its address for its check: no other radio's report can move it.
        search_->select(turbines[i].address, turbines[i].network);
        SurveyRow row{turbines[i], check()};
        if (row.check.outcome == Outcome::Stopped) return Outcome::Stopped;
        if (outcome == Outcome::SpeedCorrect) outcome = row.check.outcome;
        rows.push_back(std::move(row));
        if (observer_) observer_->onChecked(rows.back());
        if (rows.back().check.outcome == Outcome::DongleGone) return Outcome::DongleGone;
    }
    return outcome;
}

void TurbineService::idlePoll() {
    TimeoutScope poll(objects_->commandLink, kIdlePollMs);
    objects_->commandLink.waitForCompletion(0);
}

void TurbineService::forget() { search_->forget(); }

void TurbineService::clearFound() { search_->clearFound(); }

void TurbineService::stop() { objects_->commandLink.requestStop(); }

bool TurbineService::stopped() const { return objects_->commandLink.stopped(); }

bool TurbineService::found() const { return search_->found(); }

bool TurbineService::dongleLost() const { return objects_->commandLink.portFailed(); }

NodeRow TurbineService::rowOf(const Candidate& radio) const {
    if (const NodeRow* row = radios_.find(radio.address)) return *row;
    NodeRow row = engine::rowOf(
        NodeReport{radio.address, radio.network, radio.name, nodeNameTarget(radio.name)});
    row.reports = radio.reports;
    return row;
}

std::optional<Outcome> TurbineService::cutShort() const {
    if (stopped()) return Outcome::Stopped;
    if (dongleLost()) return Outcome::DongleGone;
    return std::nullopt;
}

}  // namespace engine
