#pragma once

#include <atomic>
#include <cstdint>

#include "radio/FrameDispatcher.h"
#include "radio/FrameEncoder.h"
#include "transport/PortPoller.h"
#include "transport/RawLog.h"
#include "transport/Settings.h"

namespace radio {

// The command layer: one exchange at a time over the current poller. An exchange is
// beginExchange (drain, then reset of the receive chain), build into the encoder, write,
// wait for the chain to signal completion, then read the dispatcher's body.
//
// Used from one thread, the one that drives the poller; nothing here is locked, except the
// stop, which any thread may request.
class CommandLink {
public:
    // The time-out a wait of 0 ms gets until setDefaultTimeout changes it comes from
    // settings.defaultTimeoutMs.
    CommandLink(const transport::Settings& settings, transport::RawLog& rawLog,
                FrameEncoder& encoder, FrameDispatcher& dispatcher);

    // Not owned; null means there is no port, and then nothing is written or awaited. Set
    // on the thread that uses the link, or before it starts: a new poller replaces one whose
    // device has gone.
    void setPoller(transport::PortPoller* poller);
    transport::PortPoller* poller() const { return poller_; }

    // From any thread, for good: the poller's wait in progress ends after the read in
    // progress, later waits read nothing, and nothing more is written. Every exchange then
    // fails at once, so the thread that uses the link winds down without reaching the
    // radio again. Only a lock-free store: safe in a signal handler, and while the thread
    // that uses the link replaces its poller.
    void requestStop();
    bool stopped() const { return stopped_.load(std::memory_order_acquire); }

    // The port failed a read or a write: the radio dongle is gone. Every exchange fails at
    // once from then on, writing nothing, until a new poller is set.
    bool portFailed() const { return poller_ && poller_->failed(); }

    // Drains of beginExchange and, by default, of continueExchange.
    static constexpr int kBeginDrainMs = 10;
    static constexpr int kContinueDrainMs = 0;

    // Takes in and forgets whatever is pending, then resets the receive chain: a late answer
    // to an earlier exchange cannot complete this one. Answers true.
    bool beginExchange();
    // Between the answers of one exchange, such as the nodes' answers to one discovery or the
    // replies to one query's transmissions: takes in what is pending and clears the
    // completion, but leaves the stages as they are, so a frame or packet that a read cut in
    // two is still read whole, and what the drain brings still counts. Answers true.
    bool continueExchange(int drainMs = kContinueDrainMs);

    // One write of the frame bytes; false, writing nothing, without an open port, once
    // stopped or once the port has failed, and false when the port fails this write. A frame
    // lost on its way shows as a wait that runs out.
    bool sendFrame(transport::ByteView frame);
    // Frames handed to the port so far; wraps. Tells a caller whether a stop came before
    // its write went out.
    std::uint32_t framesSent() const { return framesSent_; }
    // sendFrame, then waitForCompletion; false at once when sendFrame is.
    bool sendFrameAndWait(transport::ByteView frame, int ms);
    // True when the receive chain signalled completion in time. 0 ms: the default time-out.
    bool waitForCompletion(int ms);

    // Answers the value set.
    int setDefaultTimeout(int ms);
    int defaultTimeout() const { return defaultTimeoutMs_; }

    FrameEncoder& encoder() { return encoder_; }
    FrameDispatcher& dispatcher() { return dispatcher_; }
    const transport::Settings& settings() const { return settings_; }

private:
    bool hasOpenPort() const;

    const transport::Settings settings_;
    transport::RawLog& rawLog_;
    FrameEncoder& encoder_;
    FrameDispatcher& dispatcher_;
    transport::PortPoller* poller_ = nullptr;
    int defaultTimeoutMs_;
    std::uint32_t framesSent_ = 0;
    std::atomic<bool> stopped_{false};
};

}  // namespace radio
