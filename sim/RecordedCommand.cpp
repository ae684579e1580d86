#include "sim/RecordedCommand.h"

#include <array>
#include <sstream>
#include <string_view>
#include <vector>

namespace sim {

namespace {

constexpr std::string_view kCommandLine = "# command: ";
// A header line longer than this is not one the program wrote.
constexpr std::size_t kMaxHeaderLine = 4096;
constexpr std::size_t kMaxHeaderLines = 64;
constexpr std::array<std::string_view, 3> kCommands = {"fix", "check", "scan"};
// Options whose value is the next word.
constexpr std::array<std::string_view, 5> kValueOptions = {"--trace", "--scenario", "--replay",
                                                           "--time-scale", "--address"};

bool isOneOf(std::string_view word, const auto& words) {
    for (const std::string_view w : words) {
        if (word == w) return true;
    }
    return false;
}

// The words of the command line; the program's name comes first.
bool readWords(std::string_view line, RecordedCommand& command) {
    std::vector<std::string> words;
    std::istringstream in{std::string(line)};
    for (std::string word; in >> word;) words.push_back(word);
    bool valueNext = false;
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (valueNext) {
            valueNext = false;
            continue;
        }
        if (word == "--address" || word.starts_with("--address=")) command.byAddress = true;
        if (word == "--all") command.all = true;
        if (isOneOf(word, kValueOptions)) {
            valueNext = true;
        } else if (word.starts_with("-")) {
            continue;
        } else if (command.command.empty() && isOneOf(word, kCommands)) {
            command.command = word;
        } else if (!command.command.empty() && command.id.empty()) {
            command.id = word;
        }
    }
    return !command.command.empty();
}

}  // namespace

bool readRecordedCommand(std::istream& in, RecordedCommand& command) {
    command = RecordedCommand{};
    std::string line;
    for (std::size_t count = 0; count < kMaxHeaderLines && in.peek() == '#'; ++count) {
        line.clear();
        for (int c = in.get(); c != std::char_traits<char>::eof() && c != '\n'; c = in.get()) {
            if (line.size() < kMaxHeaderLine) line += static_cast<char>(c);
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.starts_with(kCommandLine))
            return readWords(line.substr(kCommandLine.size()), command);
    }
    return false;
}

}  // namespace sim
