#pragma once

#include <atomic>
#include <cstdint>

namespace transport {

// Every wait of the system goes through one clock: read time-outs, pauses, sleeps.
// Programs run on real time; tests run on virtual time, where sleeping moves the clock.
class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since the clock's own epoch; never goes back.
    virtual std::int64_t nowMs() const = 0;
    virtual void sleepFor(std::int64_t ms) = 0;
    void sleepUntil(std::int64_t deadlineMs) {
        const std::int64_t left = deadlineMs - nowMs();
        if (left > 0) sleepFor(left);
    }
};

// Monotonic real time.
class SteadyClock final : public Clock {
public:
    SteadyClock();
    std::int64_t nowMs() const override;
    void sleepFor(std::int64_t ms) override;

private:
    std::int64_t epochNs_;
};

// Monotonic real time sped up by a factor, for running a simulated field faster than life:
// at 4x a 200 ms read time-out passes in 50 ms. Factors not above 0 count as 1.
class ScaledClock final : public Clock {
public:
    explicit ScaledClock(double factor);
    std::int64_t nowMs() const override;
    void sleepFor(std::int64_t ms) override;
    double factor() const { return factor_; }

private:
    double factor_;
    std::int64_t epochNs_;
};

// Virtual time: a sleep returns at once with the clock moved on. Other threads may read it.
class VirtualClock final : public Clock {
public:
    explicit VirtualClock(std::int64_t startMs = 0) : now_(startMs) {}
    std::int64_t nowMs() const override { return now_.load(std::memory_order_acquire); }
    void sleepFor(std::int64_t ms) override {
        if (ms > 0) now_.fetch_add(ms, std::memory_order_acq_rel);
    }

private:
    std::atomic<std::int64_t> now_;
};

}  // namespace transport
