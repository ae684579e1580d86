#include "cli/Interrupt.h"

#include <atomic>
#include <csignal>

#include "radio/CommandLink.h"

namespace cli {

namespace {

static_assert(std::atomic<bool>::is_always_lock_free &&
                  std::atomic<radio::CommandLink*>::is_always_lock_free,
              "the signal handler may only use lock-free atomics");

std::atomic<radio::CommandLink*> interruptedLink{nullptr};
std::atomic<bool> interruptedFlag{false};

using Handler = void (*)(int);
Handler previousInt = SIG_DFL;
Handler previousTerm = SIG_DFL;

extern "C" void onInterrupt(int signal) {
    // The next one takes the default action: a program that does not end is ended.
    std::signal(signal, SIG_DFL);
    interruptedFlag.store(true, std::memory_order_release);
    if (radio::CommandLink* link = interruptedLink.load(std::memory_order_acquire))
        link->requestStop();
}

}  // namespace

InterruptScope::InterruptScope(radio::CommandLink& link) {
    interruptedFlag.store(false, std::memory_order_release);
    interruptedLink.store(&link, std::memory_order_release);
    previousInt = std::signal(SIGINT, onInterrupt);
    previousTerm = std::signal(SIGTERM, onInterrupt);
}

InterruptScope::~InterruptScope() {
    std::signal(SIGINT, previousInt == SIG_ERR ? SIG_DFL : previousInt);
    std::signal(SIGTERM, previousTerm == SIG_ERR ? SIG_DFL : previousTerm);
    interruptedLink.store(nullptr, std::memory_order_release);
}

bool InterruptScope::interrupted() const { return interruptedFlag.load(std::memory_order_acquire); }

}  // namespace cli
