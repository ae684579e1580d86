#pragma once

#include "radio/CommandLink.h"

namespace engine {

// Lowers the default completion time-out for a scope and restores the previous value on
// every way out.
class TimeoutScope {
public:
    TimeoutScope(radio::CommandLink& link, int ms) : link_(link), saved_(link.defaultTimeout()) {
        link_.setDefaultTimeout(ms);
    }
    ~TimeoutScope() { link_.setDefaultTimeout(saved_); }
    TimeoutScope(const TimeoutScope&) = delete;
    TimeoutScope& operator=(const TimeoutScope&) = delete;

private:
    radio::CommandLink& link_;
    int saved_;
};

}  // namespace engine
