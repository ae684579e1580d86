#include "engine/TurbineIds.h"

#include <algorithm>

namespace engine {

namespace {
constexpr std::string_view kQorPrefix = "QOR";
constexpr std::size_t kQorSkip = 6;
}  // namespace

std::int32_t digitValue(std::string_view text, std::size_t maxDigits) {
    std::uint32_t value = 0;  // wraps by design
    std::size_t digits = 0;
    for (char c : text) {
        if (c < '0' || c > '9') continue;
        if (digits++ == maxDigits) break;
        value = value * 10u + static_cast<std::uint32_t>(c - '0');
    }
    return static_cast<std::int32_t>(value);
}

std::string_view turbineIdDigitsPart(std::string_view text) {
    if (text.starts_with(kQorPrefix)) text.remove_prefix(std::min(kQorSkip, text.size()));
    return text;
}

std::int32_t turbineIdValue(std::string_view text) { return digitValue(turbineIdDigitsPart(text)); }

std::int32_t targetOf(std::int32_t value) { return value % kTargetModulus; }

std::optional<std::int32_t> nodeNameTarget(std::string_view name) {
    if (name.size() < kNameIdStart) return std::nullopt;
    return targetOf(digitValue(name.substr(kNameIdStart), kNameDigitsMax));
}

}  // namespace engine
