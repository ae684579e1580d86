#include "sim/Scenario.h"

#include <charconv>
#include <fstream>
#include <sstream>
#include <unordered_set>
#include <utility>

namespace sim {

namespace {

constexpr std::uint32_t kMaxDelayMs = 600000;
constexpr std::uint32_t kMaxExtraWords = 512;
// 115200 baud with ten bits to the byte.
constexpr std::uint32_t kLineBytesPerSecond = 11520;
// What one received-packet frame may carry.
constexpr std::uint32_t kMaxPacketStreamBytes = 255;

std::string_view trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::vector<std::string_view> splitWords(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < text.size()) {
        const auto start = text.find_first_not_of(" \t", at);
        if (start == std::string_view::npos) break;
        auto end = text.find_first_of(" \t", start);
        if (end == std::string_view::npos) end = text.size();
        words.push_back(text.substr(start, end - start));
        at = end;
    }
    return words;
}

std::string quoted(std::string_view word) { return "\"" + std::string(word) + "\""; }

// Decimal, or hexadecimal with 0x; the whole word must be a number no larger than max.
bool parseNumber(std::string_view word, std::uint64_t max, std::uint64_t& value) {
    int base = 10;
    if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
        word.remove_prefix(2);
        base = 16;
    }
    if (word.empty()) return false;
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value, base);
    return ec == std::errc() && end == word.data() + word.size() && value <= max;
}

// Exactly `digits` hexadecimal digits, with or without 0x.
bool parseHexDigits(std::string_view word, std::size_t digits, std::uint64_t& value) {
    if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X'))
        word.remove_prefix(2);
    if (word.size() != digits) return false;
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value, 16);
    return ec == std::errc() && end == word.data() + word.size();
}

bool parseYesNo(std::string_view word, bool& value) {
    if (word != "yes" && word != "no") return false;
    value = word == "yes";
    return true;
}

struct FaultName {
    std::string_view name;
    FaultKind kind;
    std::uint64_t maxValue;  // 0: takes no value
    std::uint64_t minValue = 0;
};

constexpr FaultName kFaultNames[] = {
    {"silent-bd", FaultKind::SilentBd, 0},
    {"no-return", FaultKind::NoReturn, 0},
    {"bad-checksum", FaultKind::BadChecksum, 0},
    {"reply-flags", FaultKind::ReplyFlags, 0xFF},
    {"reply-code", FaultKind::ReplyCode, 0xFFFF},
    {"bad-reply-crc", FaultKind::BadReplyCrc, 0},
    {"crosstalk", FaultKind::Crosstalk, kMaxDelayMs, 1},
    {"answers-others", FaultKind::AnswersOthers, 0},
    {"status-after-reply", FaultKind::StatusAfterReply, 0},
    {"packet-before-reply", FaultKind::PacketBeforeReply, 0},
    {"stray-end-before-reply", FaultKind::StrayEndBeforeReply, 0},
    {"nd-answer-after-fr", FaultKind::NdAnswerAfterFr, 0},
};

// Reads one scenario line after line; the first error ends the parse.
class ScenarioParser {
public:
    ScenarioParser(Scenario& scenario, std::string& error, std::string_view origin)
        : scenario_(scenario), error_(error), origin_(origin) {}

    bool parse(std::string_view text);

private:
    bool line(std::string_view text);
    bool fieldSetting(std::string_view key, const std::vector<std::string_view>& args);
    bool deviceSetting(const std::vector<std::string_view>& args);
    bool nodeSetting(NodeConfig& node, std::string_view key,
                     const std::vector<std::string_view>& args);
    bool fault(NodeConfig& node, const std::vector<std::string_view>& args);
    bool packetStream(NodeConfig& node, const std::vector<std::string_view>& args);
    bool announcesEvery(NodeConfig& node, const std::vector<std::string_view>& args);
    bool finishNode();

    bool number(std::string_view key, const std::vector<std::string_view>& args, std::uint64_t max,
                std::uint64_t& value);
    template <typename T>
    bool setNumber(std::string_view key, const std::vector<std::string_view>& args,
                   std::uint64_t max, T& target) {
        std::uint64_t value = 0;
        if (!number(key, args, max, value)) return false;
        target = static_cast<T>(value);
        return true;
    }
    bool setYesNo(std::string_view key, const std::vector<std::string_view>& args, bool& target);
    bool fail(const std::string& what) { return failAt(lineNumber_, what); }
    bool failAt(int lineNumber, const std::string& what) {
        error_ = std::string(origin_) + ":" + std::to_string(lineNumber) + ": " + what;
        return false;
    }

    Scenario& scenario_;
    std::string& error_;
    std::string_view origin_;
    int lineNumber_ = 0;
    bool inHeader_ = true;  // still reading the leading comment lines
    int nodeLine_ = 0;      // line of the current node's "node" line; 0 before the first
    bool hasAddress_ = false;
    bool hasNetwork_ = false;
};

bool ScenarioParser::parse(std::string_view text) {
    while (!text.empty()) {
        ++lineNumber_;
        const auto end = text.find('\n');
        const std::string_view current = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line(current)) return false;
    }
    return finishNode();
}

bool ScenarioParser::line(std::string_view text) {
    text = trim(text);
    if (!text.empty() && text[0] == '#') {
        if (inHeader_) {
            const std::string_view comment = trim(text.substr(1));
            if (!scenario_.description.empty()) scenario_.description += '\n';
            scenario_.description += comment;
        }
        return true;
    }
    inHeader_ = false;
    const auto hash = text.find(" #");
    if (hash != std::string_view::npos) text = trim(text.substr(0, hash));
    if (text.empty()) return true;

    const auto words = splitWords(text);
    const std::string_view key = words[0];
    const std::vector<std::string_view> args(words.begin() + 1, words.end());

    if (key == "node") {
        if (!finishNode()) return false;
        const std::string_view name = trim(text.substr(key.size()));
        if (name.empty()) return fail("\"node\" needs a name");
        for (const NodeConfig& other : scenario_.nodes) {
            if (other.name == name) return fail("a second node named " + quoted(name));
        }
        NodeConfig node;
        node.name = std::string(name);
        scenario_.nodes.push_back(std::move(node));
        nodeLine_ = lineNumber_;
        hasAddress_ = hasNetwork_ = false;
        return true;
    }
    if (nodeLine_ == 0) return fieldSetting(key, args);
    return nodeSetting(scenario_.nodes.back(), key, args);
}

bool ScenarioParser::fieldSetting(std::string_view key, const std::vector<std::string_view>& args) {
    if (key == "noise") return setNumber(key, args, 64, scenario_.noiseBytes);
    if (key == "random-bytes")
        return setNumber(key, args, kLineBytesPerSecond, scenario_.randomBytesPerSecond);
    if (key == "device") return deviceSetting(args);
    if (key == "discovery-end") return setNumber(key, args, kMaxDelayMs, scenario_.discoveryEndMs);
    return fail("unknown setting " + quoted(key) +
                " (expected noise, random-bytes, discovery-end, device or node)");
}

bool ScenarioParser::deviceSetting(const std::vector<std::string_view>& args) {
    DeviceFaults& device = scenario_.device;
    if (args.size() == 1 && args[0] == "open-fails") {
        device.openFails = true;
        return true;
    }
    if (args.size() == 1 && args[0] == "baud-fails") {
        device.baudRateFails = true;
        return true;
    }
    static constexpr std::pair<std::string_view, LineFault> kLineFaults[] = {
        {"silent", LineFault::Silent},
        {"wrong-speed", LineFault::WrongSpeed},
        {"noisy", LineFault::Noisy},
    };
    for (const auto& [name, fault] : kLineFaults) {
        if (args.size() != 1 || args[0] != name) continue;
        if (device.line != LineFault::None) return fail("only one of silent, wrong-speed, noisy");
        device.line = fault;
        return true;
    }
    if (!args.empty() && (args[0] == "vanishes-at" || args[0] == "returns-at")) {
        const std::vector<std::string_view> rest(args.begin() + 1, args.end());
        const bool vanishes = args[0] == "vanishes-at";
        return setNumber(vanishes ? "device vanishes-at" : "device returns-at", rest,
                         kMaxDelayMs * 10, vanishes ? device.vanishesAtMs : device.returnsAtMs);
    }
    return fail(
        "\"device\" takes open-fails, baud-fails, vanishes-at <ms>, returns-at <ms>, silent, "
        "wrong-speed or noisy");
}

bool ScenarioParser::nodeSetting(NodeConfig& node, std::string_view key,
                                 const std::vector<std::string_view>& args) {
    if (key == "address" || key == "network") {
        const bool wide = key == "address";
        std::uint64_t value = 0;
        if (args.size() != 1 || !parseHexDigits(args[0], wide ? 16 : 4, value)) {
            return fail(quoted(key) + " needs exactly " + (wide ? "16" : "4") + " hex digits");
        }
        if (wide) {
            for (const NodeConfig& other : scenario_.nodes) {
                if (&other != &node && other.address64 == value) {
                    return fail("address " + std::string(args[0]) + " is already " +
                                quoted(other.name) + "'s");
                }
            }
            node.address64 = value;
            hasAddress_ = true;
        } else {
            node.address16 = static_cast<std::uint16_t>(value);
            hasNetwork_ = true;
        }
        return true;
    }
    if (key == "bd-width") {
        if (!setNumber(key, args, 4, node.bdWidth)) return false;
        if (node.bdWidth != 1 && node.bdWidth != 4) return fail("\"bd-width\" is 1 or 4");
        return true;
    }
    if (key == "reply-chunk") {
        if (!setNumber(key, args, 255, node.replyChunk)) return false;
        if (node.replyChunk == 0) return fail("\"reply-chunk\" must be at least 1");
        return true;
    }
    if (key == "fault") return fault(node, args);
    if (key == "announces-every") return announcesEvery(node, args);
    if (key == "packet-stream") return packetStream(node, args);
    if (key == "reachable") return setYesNo(key, args, node.reachable);
    if (key == "discoverable") return setYesNo(key, args, node.discoverable);
    if (key == "announces-after-cb") return setYesNo(key, args, node.announcesAfterCb);
    if (key == "announces-after-restart") return setYesNo(key, args, node.announcesAfterRestart);
    if (key == "bd") return setNumber(key, args, 0xFFFFFFFF, node.bd);
    if (key == "signal") return setNumber(key, args, 0xFF, node.signal);
    if (key == "inverter-speed") return setNumber(key, args, 0xFFFFFFFF, node.inverterSpeed);
    if (key == "reply-word") return setNumber(key, args, 0xFFFF, node.replyWord);
    if (key == "reply-extra-words")
        return setNumber(key, args, kMaxExtraWords, node.replyExtraWords);
    if (key == "nd-delay") return setNumber(key, args, kMaxDelayMs, node.ndDelayMs);
    if (key == "announce-delay") return setNumber(key, args, kMaxDelayMs, node.announceDelayMs);
    if (key == "reply-delay") return setNumber(key, args, kMaxDelayMs, node.replyDelayMs);
    if (key == "inverter-delay") return setNumber(key, args, kMaxDelayMs, node.inverterDelayMs);
    if (key == "restart") return setNumber(key, args, kMaxDelayMs, node.restartMs);
    if (key == "noise" || key == "device" || key == "random-bytes" || key == "discovery-end") {
        return fail(quoted(key) + " belongs before the first node");
    }
    return fail("unknown node setting " + quoted(key));
}

bool ScenarioParser::fault(NodeConfig& node, const std::vector<std::string_view>& args) {
    if (args.empty()) return fail("\"fault\" needs a name");
    const FaultName* known = nullptr;
    for (const FaultName& candidate : kFaultNames) {
        if (candidate.name == args[0]) known = &candidate;
    }
    if (known == nullptr) return fail("unknown fault " + quoted(args[0]));

    Fault result;
    result.kind = known->kind;
    std::size_t at = 1;
    if (known->maxValue != 0) {
        std::uint64_t value = 0;
        if (at >= args.size() || !parseNumber(args[at], known->maxValue, value) ||
            value < known->minValue) {
            return fail("fault " + quoted(known->name) + " needs a value from " +
                        std::to_string(known->minValue) + " to " + std::to_string(known->maxValue));
        }
        result.value = static_cast<std::uint32_t>(value);
        ++at;
    }
    if (at < args.size()) {
        std::uint64_t times = 0;
        if (args[at] != "times" || at + 2 != args.size() ||
            !parseNumber(args[at + 1], 1000000, times) || times == 0) {
            return fail("after fault " + quoted(known->name) +
                        " only \"times <count>\" may follow");
        }
        result.times = static_cast<int>(times);
    }
    node.faults.push_back(result);
    return true;
}

bool ScenarioParser::packetStream(NodeConfig& node, const std::vector<std::string_view>& args) {
    std::uint64_t everyMs = 0;
    std::uint64_t bytes = 0;
    if (args.size() != 2 || !parseNumber(args[0], kMaxDelayMs, everyMs) || everyMs == 0 ||
        !parseNumber(args[1], kMaxPacketStreamBytes, bytes) || bytes == 0) {
        return fail("\"packet-stream\" needs a period of 1 to " + std::to_string(kMaxDelayMs) +
                    " ms and 1 to " + std::to_string(kMaxPacketStreamBytes) + " bytes");
    }
    node.packetStreamEveryMs = static_cast<int>(everyMs);
    node.packetStreamBytes = static_cast<std::uint32_t>(bytes);
    return true;
}

bool ScenarioParser::announcesEvery(NodeConfig& node, const std::vector<std::string_view>& args) {
    std::uint64_t everyMs = 0;
    std::uint64_t fromMs = 0;
    const bool from = args.size() == 3 && args[1] == "from";
    const bool fromFix = from && args[2] == "fix";
    if ((args.size() != 1 && !from) || !parseNumber(args[0], kMaxDelayMs, everyMs) ||
        (from && !fromFix && !parseNumber(args[2], kMaxDelayMs * 10, fromMs))) {
        return fail("\"announces-every\" needs a period of 0 to " + std::to_string(kMaxDelayMs) +
                    " ms, then optionally \"from <ms>\" or \"from fix\"");
    }
    node.announceEveryMs = static_cast<int>(everyMs);
    if (from) node.announceFromMs = fromFix ? NodeConfig::kFromFix : static_cast<int>(fromMs);
    return true;
}

bool ScenarioParser::finishNode() {
    if (nodeLine_ == 0) return true;
    const std::string& name = scenario_.nodes.back().name;
    if (!hasAddress_) return failAt(nodeLine_, "node " + quoted(name) + " has no \"address\"");
    if (!hasNetwork_) return failAt(nodeLine_, "node " + quoted(name) + " has no \"network\"");
    return true;
}

bool ScenarioParser::number(std::string_view key, const std::vector<std::string_view>& args,
                            std::uint64_t max, std::uint64_t& value) {
    if (args.size() != 1 || !parseNumber(args[0], max, value)) {
        return fail(quoted(key) + " needs one number from 0 to " + std::to_string(max));
    }
    return true;
}

bool ScenarioParser::setYesNo(std::string_view key, const std::vector<std::string_view>& args,
                              bool& target) {
    if (args.size() != 1 || !parseYesNo(args[0], target))
        return fail(quoted(key) + " is yes or no");
    return true;
}

}  // namespace

bool parseScenario(std::string_view text, Scenario& scenario, std::string& error,
                   std::string_view origin) {
    scenario = Scenario();
    error.clear();
    return ScenarioParser(scenario, error, origin).parse(text);
}

bool loadScenario(const std::string& path, Scenario& scenario, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = path + ": cannot be read";
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return parseScenario(text.str(), scenario, error, path);
}

}  // namespace sim
