#include "app/LinkWorker.h"

#include <algorithm>
#include <string_view>

#include "app/FixDialog.h"
#include "app/ProcessObjects.h"
#include "app/SpeedFix.h"
#include "app/TimeoutScope.h"
#include "app/TurbineIds.h"
#include "radio/CommandSender.h"
#include "radio/NodeAddress.h"

namespace app {

namespace {
constexpr const char* kChannelCommand = "cb";
constexpr std::int32_t kChannelParameter = 2;
constexpr int kBeforeDiscoveryMs = 800;
constexpr int kDiscoveryUnitMs = 1100;
constexpr int kAfterDiscoveryMs = 100;
constexpr int kPollMs = 500;
constexpr int kSleepSliceMs = 20;
}  // namespace

LinkWorker::LinkWorker(FixDialog& owner, ProcessObjects& objects)
    : owner_(owner), objects_(objects) {}

LinkWorker::~LinkWorker() { stopAndWait(); }

void LinkWorker::setTarget(std::int32_t target) {
    target_.store(target, std::memory_order_release);
    fixRequested_.store(false, std::memory_order_release);
    newTarget_.store(target > 0, std::memory_order_release);
}

void LinkWorker::requestFix() {
    // Until the search for a new target begins, found still speaks of the old one.
    if (found() && !newTarget_.load(std::memory_order_acquire)) {
        fixRequested_.store(true, std::memory_order_release);
    }
}

void LinkWorker::onStopRequested() { objects_.commandLink.requestStop(); }

void LinkWorker::run() {
    objects_.frameDispatcher.setNodeSink(this);
    radio::LocalCommandSender local(objects_.commandLink);
    while (running()) {
        if (takeSearchRequest()) search(local);
        if (running() && takeFixRequest()) {
            SpeedFix(*this).run();
            continue;
        }
        idlePoll();
    }
    // Nothing may call back into a worker that has ended.
    objects_.frameDispatcher.setNodeSink(nullptr);
}

bool LinkWorker::takeSearchRequest() {
    if (!newTarget_.load(std::memory_order_acquire)) return false;
    // Found is cleared before the flag is taken: a Fix press before that sees a search due,
    // one after it sees nothing found, so no press is taken for the old target. Searching is
    // set first too, so searchDue never lapses while the search begins.
    found_.store(false, std::memory_order_release);
    searching_.store(true, std::memory_order_release);
    // The exchange reads the dialog's latest store of the flag, and so sees the target
    // stored before it; a Search accepted from here on sets the flag again.
    if (newTarget_.exchange(false, std::memory_order_acq_rel) && target() != 0) return true;
    searching_.store(false, std::memory_order_release);
    return false;
}

bool LinkWorker::takeFixRequest() {
    if (!found() || !fixRequested_.load(std::memory_order_acquire)) return false;
    fixRequested_.store(false, std::memory_order_release);
    return true;
}

void LinkWorker::search(radio::LocalCommandSender& local) {
    // The count is of the nodes that answer this search, not of an earlier one cut short.
    owner_.resetOthersCount();
    transport::ByteBuffer parameters;
    parameters.append(kChannelCommand);
    parameters.appendNumber(kChannelParameter, 1);
    local.sendWithParameters(parameters.view());
    pause(kBeforeDiscoveryMs);
    local.discoverNodes(kDiscoveryUnitMs);
    pause(kAfterDiscoveryMs);
    searching_.store(false, std::memory_order_release);
}

void LinkWorker::idlePoll() {
    TimeoutScope poll(objects_.commandLink, kPollMs);
    objects_.commandLink.waitForCompletion(0);
}

bool LinkWorker::waitForLink(int ms) {
    int waits = ms / kPollMs;
    TimeoutScope poll(objects_.commandLink, kPollMs);
    found_.store(false, std::memory_order_release);
    while (waits > 0 && running()) {
        --waits;
        objects_.commandLink.waitForCompletion(0);
        if (found()) break;
    }
    return found();
}

bool LinkWorker::pause(int ms) {
    while (ms > 0 && running()) {
        const int slice = std::min(ms, kSleepSliceMs);
        objects_.clock.sleepFor(slice);
        ms -= slice;
    }
    return running();
}

void LinkWorker::onNode(std::uint32_t high, std::uint32_t low, std::uint16_t network,
                        const char* name, std::int32_t) {
    const std::string_view nameView(name);
    const std::optional<std::int32_t> nodeTarget = nodeNameTarget(nameView);
    if (!nodeTarget) return;  // too short to carry an identifier
    const std::int32_t wanted = target();
    // Until a Search is accepted there is no target: nothing may match, or an unnamed
    // node could be selected and reconfigured.
    if (wanted == 0 || *nodeTarget != wanted) {
        owner_.showOthersCount(owner_.countOther());
        return;
    }
    owner_.setTurbineIdText(std::string(nameView));
    owner_.enableFix(true);
    objects_.frameEncoder.setNodeAddress(radio::makeNodeAddress(high, low, network));
    found_.store(true, std::memory_order_release);
}

}  // namespace app
