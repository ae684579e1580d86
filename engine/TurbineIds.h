#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace engine {

// Targets are identifier values modulo this: the last seven digits.
inline constexpr std::int32_t kTargetModulus = 10'000'000;
// The Turbine ID box is read into a buffer of 64 characters.
inline constexpr std::size_t kTurbineIdMaxChars = 63;
// Digits that count in a node name; a 23-character name could give 17.
inline constexpr std::size_t kNameDigitsMax = 15;
// Node names carry the identifier from this index on; shorter names are ignored.
inline constexpr std::size_t kNameIdStart = 6;

// The decimal value of the digits of text, other characters skipped, taken as a 32-bit
// signed number that wraps on overflow; at most maxDigits digits count. No digits give 0.
std::int32_t digitValue(std::string_view text, std::size_t maxDigits = std::string_view::npos);

// The part of a typed ID whose digits count: text starting "QOR" loses its first six
// characters.
std::string_view turbineIdDigitsPart(std::string_view text);

// The value the operator typed: the digits of turbineIdDigitsPart.
std::int32_t turbineIdValue(std::string_view text);

// An identifier value reduced to a target: the remainder by kTargetModulus, which keeps
// the value's sign.
std::int32_t targetOf(std::int32_t value);

// The target a node's name carries, from its digits at index 6 on; none for names too
// short to carry one.
std::optional<std::int32_t> nodeNameTarget(std::string_view name);

}  // namespace engine
