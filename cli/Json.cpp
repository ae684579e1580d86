#include "cli/Json.h"

#include "cli/Text.h"

namespace cli {

namespace {
constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kLastPrintable = 0x7E;

const char* commandName(Command command, bool all) {
    switch (command) {
        case Command::Scan:
            return "scan";
        case Command::Fix:
            return "fix";
        case Command::Check:
            return all ? "check-all" : "check";
        case Command::None:
            break;
    }
    return "";
}

std::optional<std::int64_t> widened(std::optional<std::uint32_t> value) {
    if (!value) return std::nullopt;
    return std::int64_t{*value};
}

void writeNode(JsonWriter& json, const NodeRow& node) {
    json.beginObject();
    json.key("name");
    json.string(node.name);
    json.key("address");
    json.string(hexAddress(node.address));
    json.key("network");
    json.string(hexNetwork(node.network));
    json.key("turbine");
    json.number(node.turbine ? std::optional<std::int64_t>(*node.turbine) : std::nullopt);
    json.key("reports");
    json.number(std::int64_t{node.reports});
    json.endObject();
}

void writeStatuses(JsonWriter& json, const std::vector<StatusEntry>& statuses) {
    json.beginArray();
    for (const StatusEntry& status : statuses) {
        json.beginObject();
        json.key("ms");
        json.number(status.ms);
        json.key("text");
        json.string(status.text);
        json.endObject();
    }
    json.endArray();
}

}  // namespace

std::string jsonString(std::string_view bytes) {
    std::string text = "\"";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '"' || byte == '\\') {
            text += '\\';
            text += c;
        } else if (byte >= kFirstPrintable && byte <= kLastPrintable) {
            text += c;
        } else {
            text += "\\u00";
            appendHexByte(text, byte);
        }
    }
    text += '"';
    return text;
}

void JsonWriter::beforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (firstInLevel_.empty()) return;
    if (!firstInLevel_.back()) text_ += ',';
    firstInLevel_.back() = false;
}

void JsonWriter::beginObject() {
    beforeValue();
    text_ += '{';
    firstInLevel_.push_back(true);
}

void JsonWriter::endObject() {
    firstInLevel_.pop_back();
    text_ += '}';
}

void JsonWriter::beginArray() {
    beforeValue();
    text_ += '[';
    firstInLevel_.push_back(true);
}

void JsonWriter::endArray() {
    firstInLevel_.pop_back();
    text_ += ']';
}

void JsonWriter::key(std::string_view name) {
    beforeValue();
    text_ += jsonString(name);
    text_ += ':';
    afterKey_ = true;
}

void JsonWriter::string(std::string_view bytes) {
    beforeValue();
    text_ += jsonString(bytes);
}

void JsonWriter::number(std::int64_t value) {
    beforeValue();
    text_ += std::to_string(value);
}

void JsonWriter::boolean(bool value) {
    beforeValue();
    text_ += value ? "true" : "false";
}

void JsonWriter::null() {
    beforeValue();
    text_ += "null";
}

void JsonWriter::number(std::optional<std::int64_t> value) {
    if (value)
        number(*value);
    else
        null();
}

void JsonWriter::boolean(std::optional<bool> value) {
    if (value)
        boolean(*value);
    else
        null();
}

std::string reportJson(const RunReport& report) {
    JsonWriter json;
    json.beginObject();
    json.key("command");
    json.string(commandName(report.command, report.all));
    json.key("outcome");
    json.string(nameOf(report.outcome));
    json.key("exitCode");
    json.number(std::int64_t{exitCodeOf(report.outcome)});
    json.key("target");
    json.number(report.target ? std::optional<std::int64_t>(*report.target) : std::nullopt);
    json.key("targetAddress");
    if (report.targetAddress)
        json.string(hexAddress(*report.targetAddress));
    else
        json.null();
    json.key("node");
    if (report.node)
        writeNode(json, *report.node);
    else
        json.null();
    json.key("candidates");
    json.beginArray();
    for (const NodeRow& node : report.candidates) writeNode(json, node);
    json.endArray();
    json.key("bdRead");
    json.number(widened(report.speedRead));
    json.key("bdWritten");
    json.beginArray();
    for (const std::uint32_t speed : report.speedsWritten) json.number(std::int64_t{speed});
    json.endArray();
    json.key("inverterAnswers");
    json.boolean(report.inverterAnswers);
    json.key("statuses");
    writeStatuses(json, report.statuses);
    json.key("turbines");
    json.beginArray();
    for (const CheckRow& check : report.checks) {
        json.beginObject();
        json.key("node");
        writeNode(json, check.node);
        json.key("outcome");
        json.string(nameOf(check.outcome));
        json.key("bd");
        json.number(widened(check.speed));
        json.key("inverterAnswers");
        json.boolean(check.inverterAnswers);
        json.key("ms");
        json.number(check.ms);
        json.key("statuses");
        writeStatuses(json, check.statuses);
        json.endObject();
    }
    json.endArray();
    json.key("nodes");
    json.beginArray();
    for (const NodeRow& node : report.nodes) writeNode(json, node);
    json.endArray();
    json.key("nodesNotListed");
    json.number(std::int64_t{report.nodesNotListed});
    json.key("error");
    if (report.error.empty())
        json.null();
    else
        json.string(report.error);
    json.key("durationMs");
    json.number(report.durationMs);
    json.endObject();
    return json.text();
}

}  // namespace cli
