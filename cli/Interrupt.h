#pragma once

namespace radio {
class CommandLink;
}

namespace cli {

// While it lives, Ctrl-C (SIGINT), and SIGTERM as a script's time-out sends, end the run the
// way closing the dialog does: the link is stopped, so the exchange in progress ends after
// the read in progress and nothing more is written to the radio. The handler does nothing
// else, which is safe in a signal handler: lock-free atomic stores. A second signal ends
// the program at once. One scope at a time.
class InterruptScope {
public:
    explicit InterruptScope(radio::CommandLink& link);
    ~InterruptScope();
    InterruptScope(const InterruptScope&) = delete;
    InterruptScope& operator=(const InterruptScope&) = delete;

    bool interrupted() const;
};

}  // namespace cli
