#include "cli/TurbineId.h"

#include <optional>
#include <vector>

#include "cli/Text.h"
#include "engine/Messages.h"
#include "engine/TurbineIds.h"

namespace cli {

namespace {

constexpr std::size_t kMaxTurbineDigits = 7;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::vector<std::string_view> digitRuns(std::string_view text) {
    std::vector<std::string_view> runs;
    std::size_t at = 0;
    while (at < text.size()) {
        if (!isDigit(text[at])) {
            ++at;
            continue;
        }
        const std::size_t begin = at;
        while (at < text.size() && isDigit(text[at])) ++at;
        runs.push_back(text.substr(begin, at - begin));
    }
    return runs;
}

// The number a run of digits is, when it could be a turbine's: its last seven digits,
// worth more than 0.
std::optional<std::int32_t> turbineNumberIn(std::string_view digits) {
    if (digits.size() > kMaxTurbineDigits) digits.remove_prefix(digits.size() - kMaxTurbineDigits);
    const std::int32_t value = engine::digitValue(digits);
    if (value <= 0) return std::nullopt;
    return value;
}

// Why the ID is not taken as typed, empty when it is; with the number it most likely
// means, when one stands out.
struct Reading {
    std::string problem;
    std::optional<std::int32_t> likely;
};

Reading readAsTyped(std::string_view id) {
    if (id.size() > engine::kTurbineIdMaxChars)
        return {"it is longer than the " + std::to_string(engine::kTurbineIdMaxChars) +
                    " characters the Turbine ID box reads",
                std::nullopt};
    const std::string_view rest = engine::turbineIdDigitsPart(id);
    const std::string_view skipped = id.substr(0, id.size() - rest.size());
    if (!skipped.empty() && isDigit(skipped.back()) && !rest.empty() && isDigit(rest.front())) {
        std::size_t begin = skipped.size();
        while (begin > 0 && isDigit(id[begin - 1])) --begin;
        std::size_t end = skipped.size();
        while (end < id.size() && isDigit(id[end])) ++end;
        return {"an ID that starts with \"QOR\" loses its first six characters, \"" +
                    printable(skipped) + "\", and they end inside its number",
                turbineNumberIn(id.substr(begin, end - begin))};
    }
    const std::vector<std::string_view> runs = digitRuns(rest);
    if (runs.empty()) {
        if (!skipped.empty())
            return {
                "an ID that starts with \"QOR\" loses its first six characters, and no "
                "number follows them",
                std::nullopt};
        return {"there is no number in it", std::nullopt};
    }
    if (runs.size() > 1) return {"it holds more than one number", std::nullopt};
    if (runs.front().size() > kMaxTurbineDigits)
        return {"its number has " + std::to_string(runs.front().size()) +
                    " digits, and a turbine's has at most seven",
                turbineNumberIn(runs.front())};
    if (engine::digitValue(runs.front()) == 0) return {"its number is 0", std::nullopt};
    return {};
}

std::string dialogReading(std::string_view id) {
    const std::int32_t value = engine::turbineIdValue(id.substr(0, engine::kTurbineIdMaxChars));
    if (value == 0)
        return std::string("the dialog would search nothing (\"") + engine::kNoTurbineText + "\")";
    const std::int32_t target = engine::targetOf(value);
    if (target <= 0) return "the dialog would search no turbine";
    return "the dialog would search turbine " + std::to_string(target);
}

}  // namespace

bool readTurbineId(std::string_view id, std::int32_t& target, std::string& error) {
    const Reading reading = readAsTyped(id);
    if (reading.problem.empty()) {
        target = engine::targetOf(engine::turbineIdValue(id));
        return true;
    }
    const std::string instead =
        reading.likely ? "Type " + std::to_string(*reading.likely) + " if that is the turbine"
                       : std::string("Type the turbine's number, one to seven digits");
    error = "\"" + printable(id) + "\" does not name one turbine as typed: " + reading.problem +
            "; " + dialogReading(id) + ". " + instead +
            "; for a radio whose name does not read as its number, give its --address from "
            "scan.";
    return false;
}

}  // namespace cli
