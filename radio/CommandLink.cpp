#include "radio/CommandLink.h"

#include "transport/TraceSink.h"

namespace radio {

namespace {
constexpr int kClearOnly = -1;  // a drain that reads nothing and only clears the completion
}  // namespace

CommandLink::CommandLink(const transport::Settings& settings, transport::RawLog& rawLog,
                         FrameEncoder& encoder, FrameDispatcher& dispatcher)
    : settings_(settings),
      rawLog_(rawLog),
      encoder_(encoder),
      dispatcher_(dispatcher),
      defaultTimeoutMs_(settings.defaultTimeoutMs) {}

bool CommandLink::beginExchange() {
    // What the drain reads still goes through the chain (node announcements reach the sink);
    // the reset then forgets it.
    if (poller_) poller_->drain(kBeginDrainMs);
    rawLog_.reset();
    return true;
}

void CommandLink::setPoller(transport::PortPoller* poller) {
    // The poller ends its waits on this link's stop itself, so a stop requested from another
    // thread never has to reach a poller that this thread may be replacing.
    if (poller) poller->watchStop(&stopped_);
    poller_ = poller;
}

bool CommandLink::continueExchange(int drainMs) {
    // A reset here would drop the first part of an answer cut by the drain's read, and the
    // frame assembler would then skip its rest: one node lost from a discovery, or a reply
    // thrown away between two transmissions of a query.
    if (poller_) poller_->drain(drainMs);
    rawLog_.clear();
    return true;
}

void CommandLink::requestStop() { stopped_.store(true, std::memory_order_release); }

bool CommandLink::hasOpenPort() const {
    return poller_ && poller_->port().isOpen() && !poller_->failed();
}

bool CommandLink::sendFrame(transport::ByteView frame) {
    // Every exchange writes here, so once stopped no path reaches the radio.
    if (!hasOpenPort() || stopped()) return false;
    if (settings_.traceMask & transport::kTraceFramesWritten) transport::traceSink().dumpHex(frame);
    if (!poller_->write(frame)) return false;
    ++framesSent_;
    return true;
}

bool CommandLink::sendFrameAndWait(transport::ByteView frame, int ms) {
    return sendFrame(frame) && waitForCompletion(ms);
}

bool CommandLink::waitForCompletion(int ms) {
    if (!poller_) return false;
    // Only a completion within this wait counts. One left from an earlier wait, whose answer
    // has been taken, would let any byte that arrives end this one: a neighbour's chatter
    // would then cut short the waits for a restarted radio.
    poller_->drain(kClearOnly);
    const bool complete = poller_->wait(ms == 0 ? defaultTimeoutMs_ : ms);
    if (settings_.traceMask & transport::kTraceRawLog)
        transport::traceSink().dumpHex(rawLog_.log());
    return complete;
}

int CommandLink::setDefaultTimeout(int ms) {
    defaultTimeoutMs_ = ms;
    return defaultTimeoutMs_;
}

}  // namespace radio
