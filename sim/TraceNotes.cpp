#include "sim/TraceNotes.h"

#include <array>

namespace sim {

namespace {

constexpr std::string_view kOk = ": ok";
constexpr std::string_view kFailed = ": failed: ";
constexpr std::string_view kOutcome = "outcome ";
constexpr std::string_view kExitCode = ", exit code ";

// Error numbers and library statuses tried when a failure's text is read back.
constexpr std::uint32_t kLargestCodeTried = 255;

struct CallName {
    std::string_view word;
    DriverCall call;
    std::size_t numbers;  // the numbers that follow the word
};

constexpr std::array<CallName, 8> kCalls{{
    {"open", DriverCall::Open, 1},
    {"close", DriverCall::Close, 0},
    {"baud", DriverCall::BaudRate, 1},
    {"data", DriverCall::DataCharacteristics, 3},
    {"flow", DriverCall::FlowControl, 3},
    {"timeouts", DriverCall::Timeouts, 2},
    {"read", DriverCall::Read, 0},
    {"write", DriverCall::Write, 0},
}};

bool isNumber(std::string_view word) {
    if (word.empty()) return false;
    for (char c : word) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// Takes the last word off text; answers it, or nothing when text has no space left.
std::string_view takeLastWord(std::string_view& text) {
    const std::size_t space = text.rfind(' ');
    if (space == std::string_view::npos) return {};
    const std::string_view word = text.substr(space + 1);
    text = text.substr(0, space);
    return word;
}

}  // namespace

bool readDriverCallNote(std::string_view note, DriverCallNote& call) {
    std::string_view head;
    if (note.size() >= kOk.size() && note.substr(note.size() - kOk.size()) == kOk) {
        head = note.substr(0, note.size() - kOk.size());
        call.ok = true;
        call.failure.clear();
    } else if (const std::size_t at = note.find(kFailed); at != std::string_view::npos) {
        head = note.substr(0, at);
        call.ok = false;
        call.failure = std::string(note.substr(at + kFailed.size()));
    } else {
        return false;
    }
    // The call's word, then as many numbers as it takes; what comes before is the label.
    std::size_t numbers = 0;
    std::string_view word = takeLastWord(head);
    while (numbers < 3 && isNumber(word)) {
        ++numbers;
        word = takeLastWord(head);
    }
    for (const CallName& name : kCalls) {
        if (word == name.word && numbers == name.numbers && !head.empty()) {
            call.call = name.call;
            call.label = std::string(head);
            return true;
        }
    }
    return false;
}

bool readOutcomeNote(std::string_view note, OutcomeNote& outcome) {
    if (note.substr(0, kOutcome.size()) != kOutcome) return false;
    const std::size_t at = note.find(kExitCode);
    if (at == std::string_view::npos) return false;
    const std::string_view code = note.substr(at + kExitCode.size());
    if (!isNumber(code) || code.size() > 3) return false;
    outcome.name = std::string(note.substr(kOutcome.size(), at - kOutcome.size()));
    outcome.exitCode = std::stoi(std::string(code));
    return true;
}

transport::DriverError errorFromDescription(std::string_view text) {
    using Cause = transport::DriverError::Cause;
    for (Cause cause : {Cause::NoDevice, Cause::PermissionDenied, Cause::PortBusy, Cause::IoError,
                        Cause::LibraryMissing, Cause::LibraryStatus}) {
        const bool coded = cause == Cause::IoError || cause == Cause::LibraryStatus;
        for (std::uint32_t code = 0; code <= (coded ? kLargestCodeTried : 0); ++code) {
            transport::DriverError error{cause, code, {}};
            if (error.describe() == text) return error;
        }
    }
    return {Cause::IoError, 0, {}};
}

}  // namespace sim
