#pragma once

#include <atomic>
#include <cstdint>

#include "transport/FtdiPort.h"

namespace transport {

// Waits for a complete answer from the receive chain. Owns the port: destroying the
// poller destroys the port, which closes the device.
class Poller {
public:
    explicit Poller(PortReader* reader) : reader_(reader) {}
    virtual ~Poller();
    Poller(const Poller&) = delete;
    Poller& operator=(const Poller&) = delete;

    // True once a complete answer has been seen; false when the budget of empty reads is spent
    // or the time has passed.
    virtual bool wait(int ms) = 0;
    // Takes in what is pending and clears the completion flag; answers true.
    virtual bool drain(int ms) = 0;

protected:
    PortReader* reader_;
};

class PortPoller final : public Poller {
public:
    explicit PortPoller(FtdiPort* port) : Poller(port), port_(port) {}

    // Long waits read with a 20 ms time-out and allow ms / 20 - 2 empty reads; waits up to
    // 200 ms read with ms / 5 and allow 4. Reads that bring data never count, but no read
    // starts once ms have passed: however much arrives, a wait ends within ms and one read.
    // A failed read ends it at once, unanswered.
    bool wait(int ms) override;
    // 0: one read of 1 ms. 1 to 50: up to three reads of ms, ending at the first with data.
    // Longer: up to ten reads of 50 ms ending likewise, then one of ms. Below 0: no read.
    // No read starts once the time those reads take without data has passed, nor after a
    // failed read.
    bool drain(int ms) override;

    FtdiPort& port() { return *port_; }

    // One write of the whole frame. False when the port fails it, or failed before, in which
    // case nothing is written.
    bool write(ByteView frame);
    // A read or a write answered -1: the device is gone, which is not the same as silent.
    // From then on nothing goes through this poller: wait and drain return at once.
    bool failed() const { return failed_; }

    // From any thread. The wait or drain in progress ends after the read in progress, and
    // later ones read nothing, so the worker can be ended however busy the line is.
    void requestStop() { stopRequested_.store(true, std::memory_order_release); }
    // The same once *flag is set: the stop of whoever owns the poller, which may replace it
    // while another thread asks for the stop. Not owned; set before the poller is used.
    void watchStop(const std::atomic<bool>* flag) { ownerStop_ = flag; }
    bool stopRequested() const {
        return stopRequested_.load(std::memory_order_acquire) ||
               (ownerStop_ && ownerStop_->load(std::memory_order_acquire));
    }

private:
    // Whether another read may start: no stop requested, and the deadline not passed.
    bool mayRead(std::int64_t deadlineMs) const;
    // Pumps with the read time-out until one pump delivers data, the count is spent or the
    // deadline has passed.
    void pumpUntilData(int count, int readTimeoutMs, std::int64_t deadlineMs);

    FtdiPort* port_;
    std::atomic<bool> stopRequested_{false};
    const std::atomic<bool>* ownerStop_ = nullptr;
    bool failed_ = false;
};

}  // namespace transport
