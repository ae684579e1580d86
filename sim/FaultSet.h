#pragma once

#include <vector>

#include "sim/Scenario.h"

namespace sim {

// A node's faults with what is left of their counts.
class FaultSet {
public:
    explicit FaultSet(std::vector<Fault> faults) : faults_(std::move(faults)) {}

    // True when a fault of this kind applies to the occasion at hand; uses up one of its
    // times. Its value, if any, goes to value.
    bool take(FaultKind kind, std::uint32_t* value = nullptr) {
        for (Fault& fault : faults_) {
            if (fault.kind != kind || fault.times == 0) continue;
            if (fault.times != Fault::kAlways) --fault.times;
            if (value != nullptr) *value = fault.value;
            return true;
        }
        return false;
    }

private:
    std::vector<Fault> faults_;
};

}  // namespace sim
