#include "cli/Interrupt.h"

#include <atomic>
#include <csignal>

#include "cli/Platform.h"
#include "engine/TurbineService.h"

namespace cli {

namespace {

static_assert(std::atomic<int>::is_always_lock_free &&
                  std::atomic<engine::TurbineService*>::is_always_lock_free,
              "the signal handler may only use lock-free atomics");

std::atomic<engine::TurbineService*> interruptedService{nullptr};
std::atomic<int> hangUp{0};

using Handler = void (*)(int);

struct Handled {
    int signal = 0;
    Handler previous = SIG_DFL;
};
constexpr std::size_t kStopSignals = 3;  // Ctrl-C, SIGTERM and a hang-up
Handled handled[kStopSignals];

extern "C" void onInterrupt(int signal) {
    // A program that does not end is ended by the next Ctrl-C or SIGTERM.
    if (signal != hangUp.load(std::memory_order_acquire)) std::signal(signal, SIG_DFL);
    if (engine::TurbineService* service = interruptedService.load(std::memory_order_acquire))
        service->stop();
}

}  // namespace

InterruptScope::InterruptScope(engine::TurbineService& service) {
    interruptedService.store(&service, std::memory_order_release);
    hangUp.store(hangUpSignal(), std::memory_order_release);
    const int signals[kStopSignals] = {SIGINT, SIGTERM, hangUpSignal()};
    for (std::size_t i = 0; i < kStopSignals; ++i) {
        handled[i] = Handled{signals[i], SIG_DFL};
        if (signals[i] == 0) continue;
        const Handler previous = std::signal(signals[i], onInterrupt);
        if (previous == SIG_IGN) std::signal(signals[i], SIG_IGN);
        handled[i].previous = previous == SIG_ERR ? SIG_DFL : previous;
    }
}

InterruptScope::~InterruptScope() {
    for (const Handled& entry : handled) {
        if (entry.signal != 0) std::signal(entry.signal, entry.previous);
    }
    interruptedService.store(nullptr, std::memory_order_release);
}

}  // namespace cli
