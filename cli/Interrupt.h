#pragma once

namespace engine {
class TurbineService;
}

namespace cli {

// While it lives, Ctrl-C (SIGINT), SIGTERM as a script's time-out sends, and a hang-up
// (SIGHUP, the terminal or the SSH session gone) end the run the way closing the dialog
// does: the service is stopped, so the exchange in progress ends after the read in progress
// and nothing more is written to the radio. The handler does nothing else, which is safe in
// a signal handler: lock-free atomic stores.
//
// A second Ctrl-C or SIGTERM ends the program at once. A second hang-up does not: one comes
// from the terminal and one from the shell passing it on to its jobs. A signal that was
// ignored when the program started stays ignored (under nohup, a hang-up does not stop the
// fix). One scope at a time.
class InterruptScope {
public:
    explicit InterruptScope(engine::TurbineService& service);
    ~InterruptScope();
    InterruptScope(const InterruptScope&) = delete;
    InterruptScope& operator=(const InterruptScope&) = delete;
};

}  // namespace cli
