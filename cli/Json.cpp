#include "cli/Json.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <optional>

#include "cli/Text.h"
#include "cli/Version.h"
#include "sim/ReplayReport.h"

namespace cli {

namespace {

using Json = nlohmann::ordered_json;  // members in the order written

constexpr unsigned char kFirstNonAscii = 0x80;

// Every string member goes through here, names from the radio and texts of the program's
// own alike: as code points U+0000 to U+00FF the bytes are always valid UTF-8 for the library.
Json text(std::string_view bytes) {
    std::string utf8;
    utf8.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < kFirstNonAscii) {
            utf8 += c;
        } else {
            utf8 += static_cast<char>(0xC0 | (byte >> 6));
            utf8 += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return utf8;
}

template <typename T>
Json orNull(const std::optional<T>& value) {
    return value ? Json(*value) : Json(nullptr);
}

std::string dump(const Json& json) { return json.dump(-1, ' ', true); }

const char* commandName(Command command, bool all) {
    switch (command) {
        case Command::Scan:
            return "scan";
        case Command::Fix:
            return "fix";
        case Command::Check:
            return all ? "check-all" : "check";
        case Command::Ports:
            return "ports";
        case Command::Doctor:
            return "doctor";
        case Command::None:
            break;
    }
    return "";
}

Json node(const NodeRow& row) {
    return Json{{"name", text(row.name)},
                {"address", hexAddress(row.address)},
                {"network", hexNetwork(row.network)},
                {"turbine", orNull(row.turbine)},
                {"reports", row.reports}};
}

Json statuses(const std::vector<StatusEntry>& entries) {
    Json list = Json::array();
    for (const StatusEntry& entry : entries)
        list.push_back(Json{{"atMs", entry.atMs}, {"text", text(entry.text)}});
    return list;
}

Json checks(const std::vector<CheckRow>& rows) {
    Json list = Json::array();
    for (const CheckRow& row : rows) {
        list.push_back(Json{{"node", node(row.node)},
                            {"outcome", nameOf(row.outcome)},
                            {"bdRead", orNull(row.speed)},
                            {"inverterAnswers", orNull(row.inverterAnswers)},
                            {"durationMs", row.durationMs},
                            {"statuses", statuses(row.statuses)}});
    }
    return list;
}

Json nodes(const std::vector<NodeRow>& rows) {
    Json list = Json::array();
    for (const NodeRow& row : rows) list.push_back(node(row));
    return list;
}

const char* checkName(DoctorStep::Check check) {
    switch (check) {
        case DoctorStep::Check::Device:
            return "device";
        case DoctorStep::Check::Access:
            return "access";
        case DoctorStep::Check::Opens:
            return "opens";
        case DoctorStep::Check::Module:
            return "module";
        case DoctorStep::Check::Remotes:
            return "remotes";
    }
    return "";
}

Json steps(const std::vector<DoctorStep>& list) {
    Json json = Json::array();
    for (const DoctorStep& step : list) {
        Json counts = nullptr;
        if (step.counts) {
            counts = Json{{"bytes", step.counts->bytes},
                          {"frames", step.counts->passed},
                          {"failedChecksums", step.counts->failed}};
        }
        json.push_back(Json{{"step", static_cast<int>(step.check) + 1},
                            {"check", checkName(step.check)},
                            {"passed", step.passed},
                            {"finding", text(step.finding)},
                            {"advice", step.advice.empty() ? Json(nullptr) : text(step.advice)},
                            {"counts", counts}});
    }
    return json;
}

template <typename T>
Json unlessEmpty(const T& value) {
    return value.empty() ? Json(nullptr) : text(value);
}

const char* accessName(transport::PortAccess::State state) {
    switch (state) {
        case transport::PortAccess::State::Free:
            return "free";
        case transport::PortAccess::State::Missing:
            return "missing";
        case transport::PortAccess::State::PermissionDenied:
            return "permission-denied";
        case transport::PortAccess::State::Busy:
            return "busy";
    }
    return "";
}

Json access(const transport::PortAccess& access) {
    Json holders = Json::array();
    for (const transport::PortHolder& holder : access.holders) {
        holders.push_back(Json{{"pid", holder.pid > 0 ? Json(holder.pid) : Json(nullptr)},
                               {"command", unlessEmpty(holder.command)},
                               {"locks", holder.locks}});
    }
    const bool denied = access.state == transport::PortAccess::State::PermissionDenied;
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(access.mode & 07777));
    return Json{{"state", accessName(access.state)},
                {"text", text(transport::describeAccess(access))},
                {"owner", denied ? text(access.owner) : Json(nullptr)},
                {"group", denied ? text(access.group) : Json(nullptr)},
                {"mode", denied ? Json(mode) : Json(nullptr)},
                {"holders", holders}};
}

Json ports(const transport::PortListing& listing) {
    Json list = Json::array();
    for (const transport::PortRecord& port : listing.ports) {
        const auto id = [](int value) { return value >= 0 ? Json(value) : Json(nullptr); };
        list.push_back(Json{{"index", id(port.index)},
                            {"path", unlessEmpty(port.path)},
                            {"byIdPath", unlessEmpty(port.byIdPath)},
                            {"usbVendorId", id(port.usbVendorId)},
                            {"usbProductId", id(port.usbProductId)},
                            {"serialNumber", unlessEmpty(port.serialNumber)},
                            {"manufacturer", unlessEmpty(port.manufacturer)},
                            {"product", unlessEmpty(port.description)},
                            {"access", access(port.access)}});
    }
    return list;
}

Json library(const transport::LibraryReport& report) {
    return Json{{"name", text(report.name)},
                {"loads", report.loads},
                {"deviceCount", orNull(report.deviceCount)}};
}

Json frameOrNull(const std::vector<std::uint8_t>& bytes) {
    if (bytes.empty()) return nullptr;
    const transport::ByteView frame(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    return Json{{"bytes", hexBytes(frame)}, {"frame", text(sim::describeFrame(frame))}};
}

Json replay(const std::optional<ReplayCheck>& check) {
    if (!check) return nullptr;
    return Json{
        {"verdict", nameOf(check->verdict)},
        {"line", orNull(check->line)},
        {"framesMatched", check->framesMatched},
        {"recorded", frameOrNull(check->expected)},
        {"written", frameOrNull(check->written)},
        {"error", check->error.empty() ? Json(nullptr) : text(check->error)},
        {"recordedOutcome", check->recordedOutcome ? Json(*check->recordedOutcome) : Json(nullptr)},
        {"recordedExitCode", orNull(check->recordedExitCode)}};
}

}  // namespace

std::string jsonString(std::string_view bytes) { return dump(text(bytes)); }

std::string reportJson(const RunReport& report) {
    Json json{
        {"schemaVersion", kReportSchemaVersion},
        {"version", text(programVersion())},
        {"command", commandName(report.command, report.all)},
        {"outcome", nameOf(report.outcome)},
        {"exitCode", exitCodeOf(report)},
        {"target", orNull(report.target)},
        {"targetAddress",
         report.targetAddress ? Json(hexAddress(*report.targetAddress)) : Json(nullptr)},
        {"node", report.node ? node(*report.node) : Json(nullptr)},
        {"candidates", nodes(report.candidates)},
        {"bdRead", orNull(report.speedRead)},
        {"bdWritten", report.speedsWritten},
        {"inverterAnswers", orNull(report.inverterAnswers)},
        {"statuses", statuses(report.statuses)},
        {"turbines", checks(report.checks)},
        {"nodes", nodes(report.nodes)},
        {"nodesNotListed", report.nodesNotListed},
        {"error", report.error.empty() ? Json(nullptr) : text(report.error)},
        {"traceError", report.traceError ? text(*report.traceError) : Json(nullptr)},
        {"replay", replay(report.replay)},
        {"durationMs", report.durationMs},
    };
    if (report.command == Command::Doctor) json["steps"] = steps(report.steps);
    if (report.command == Command::Ports) {
        json["ports"] = ports(report.ports);
        json["library"] = report.simulatedPorts ? Json(nullptr) : library(report.ports.library);
    }
    return dump(json);
}

}  // namespace cli
