#include "cli/Console.h"

#include <algorithm>

#include "cli/DoctorChecks.h"
#include "cli/Json.h"
#include "cli/Text.h"
#include "engine/Messages.h"

namespace cli {

namespace {

// Elapsed time, right-aligned, before a step.
std::string stamped(std::int64_t ms, const std::string& text) {
    char line[64];
    std::snprintf(line, sizeof line, "%9s  ", seconds(ms).c_str());
    return line + text + "\n";
}

std::string speedList(const std::vector<std::uint32_t>& speeds) {
    std::string text;
    for (std::size_t i = 0; i < speeds.size(); ++i) {
        if (i > 0) text += i + 1 == speeds.size() ? " and then " : ", ";
        text += std::to_string(speeds[i]);
    }
    return text;
}

std::string checkLine(int nameWidth, const std::string& name, const std::string& turbine,
                      const std::string& bd, const std::string& inverter, const std::string& time) {
    char line[256];
    std::snprintf(line, sizeof line, "%-*s  %-8s  %-3s  %-10s  %s\n", nameWidth, name.c_str(),
                  turbine.c_str(), bd.c_str(), inverter.c_str(), time.c_str());
    return line;
}

}  // namespace

Console::Console(std::FILE* out, bool json, LiveLine* live) : out_(out), json_(json), live_(live) {}

void Console::print(const std::string& text, std::string nextStep) {
    if (json_) {
        if (!nextStep.empty()) live(std::move(nextStep));
        return;
    }
    const auto write = [&] {
        std::fputs(text.c_str(), out_);
        std::fflush(out_);
    };
    if (live_)
        live_->printAround(write, std::move(nextStep));
    else
        write();
}

void Console::live(std::string step) {
    if (live_) live_->show(std::move(step));
}

void Console::searching(const engine::SearchTarget& target) {
    const std::string subject = searchSubject(target);
    searchStep_ = "searching for " + (subject.empty() ? "the nodes in reach" : subject);
    print("Searching for " + (subject.empty() ? "the nodes in reach" : subject) + ".\n",
          searchStep_);
}

void Console::nodesSoFar(std::size_t count) {
    live(searchStep_ + ": " + std::to_string(count) + (count == 1 ? " node" : " nodes"));
}

void Console::found(const NodeRow& node, std::size_t others) {
    turbineStep_ = printable(node.name);
    print("Found " + turbineStep_ + " (address " + hexAddress(node.address) + ", network " +
              hexNetwork(node.network) + "); " + std::to_string(others) +
              (others == 1 ? " other node" : " other nodes") + " answered.\n",
          turbineStep_);
}

void Console::status(const StatusEntry& entry) {
    // In a survey the table says how each check went; the steps show on the live line.
    std::string step = turbineStep_.empty() ? entry.text : turbineStep_ + ": " + entry.text;
    if (surveying_)
        live(std::move(step));
    else
        print(stamped(entry.atMs, entry.text), std::move(step));
}

void Console::surveying(const std::vector<NodeRow>& turbines) {
    std::size_t width = 4;
    for (const NodeRow& turbine : turbines) width = std::max(width, printable(turbine.name).size());
    nameWidth_ = static_cast<int>(width);
    surveying_ = true;
    print(std::to_string(turbines.size()) + (turbines.size() == 1 ? " turbine" : " turbines") +
          " to check; nothing is written to their radios.\n" +
          checkLine(nameWidth_, "NAME", "TURBINE", "BD", "INVERTER", "TIME"));
}

void Console::checking(const NodeRow& turbine, std::size_t index, std::size_t count) {
    turbineStep_ = "[" + std::to_string(index + 1) + "/" + std::to_string(count) + "] " +
                   printable(turbine.name);
    live(turbineStep_);
}

void Console::checked(const CheckRow& row) {
    const std::string bd = row.speed ? std::to_string(*row.speed) : "-";
    const std::string inverter =
        row.inverterAnswers ? (*row.inverterAnswers ? "yes" : "no") : "not tested";
    print(checkLine(nameWidth_, printable(row.node.name), std::to_string(*row.node.turbine), bd,
                    inverter, seconds(row.durationMs)));
}

void Console::finished(const RunReport& /*report*/) {
    if (live_) live_->end();
}

void Console::summarize(const RunReport& report) {
    const std::string text = json_ ? reportJson(report) + "\n" : summaryText(report);
    std::fputs(text.c_str(), out_);
    std::fflush(out_);
}

std::string Console::summaryText(const RunReport& report) const {
    const std::string took = " (" + seconds(report.durationMs) + ")\n";
    // A replay that stopped the run is no interruption by the user: the replay's own lines,
    // which follow, say where and why.
    if (report.outcome == Outcome::Stopped && report.replay) {
        if (const char* stop = replayStop(report.replay->verdict)) return stop + took;
    }
    if (report.command == Command::Doctor) return doctorSummary(report) + took;
    switch (report.outcome) {
        case Outcome::NoRadio:
            return {};  // said on the error stream
        case Outcome::Listed:
            return nodeList(report.nodes) + took;
        case Outcome::NotFound:
            return notFound(report) + took;
        case Outcome::Ambiguous:
            return ambiguous(report) + took;
        case Outcome::DongleGone:
            return dongleGone(report) + took;
        case Outcome::Stopped:
            if (report.speedsWritten.empty()) return "Interrupted; nothing was written." + took;
            return "Interrupted; nothing more was written. The radio was last sent \"bd\" " +
                   std::to_string(report.speedsWritten.back()) + "." + took;
        default:
            break;
    }
    if (report.all) return survey(report) + took;
    return printable(report.node->name) + ": " +
           (report.command == Command::Check ? checkResult(report) : fixResult(report)) + took;
}

const char* Console::replayStop(ReplayCheck::Verdict verdict) {
    switch (verdict) {
        case ReplayCheck::Verdict::Diverged:
            return "Stopped where the run left the recording.";
        case ReplayCheck::Verdict::EndedEarly:
            return "Stopped where the recording ends.";
        case ReplayCheck::Verdict::Unreadable:
            return "Stopped where the recording could not be read.";
        case ReplayCheck::Verdict::Matched:
            break;
    }
    return nullptr;
}

std::string Console::nodeList(const std::vector<NodeRow>& nodes) {
    return formatNodeTable(nodes) + std::to_string(nodes.size()) +
           (nodes.size() == 1 ? " node" : " nodes") + " in reach.";
}

std::string Console::notFound(const RunReport& report) {
    std::string text;
    if (report.command == Command::Scan) return "No node answered.";
    if (report.all)
        text = "No node in reach carries a turbine number.";
    else if (report.targetAddress)
        text = "No radio with the address " + hexAddress(*report.targetAddress) + " answered.";
    else
        text = "Turbine " + std::to_string(report.target.value_or(0)) + " not found.";
    if (report.nodes.empty()) return text + " No node answered.";
    return text + " The nodes that answered:\n" + nodeList(report.nodes);
}

std::string Console::ambiguous(const RunReport& report) {
    const char* command = report.command == Command::Check ? "check" : "fix";
    const NodeRow& first = report.candidates.front();
    return "More than one radio answers as turbine " + std::to_string(report.target.value_or(0)) +
           "; none was chosen:\n" + formatNodeTable(report.candidates) +
           "Nothing was written. Name one radio by its exact name in quotes (qor-comm-fix-cli " +
           command + " \"" + printable(first.name) + "\") or by its address (qor-comm-fix-cli " +
           command + " --address " + hexAddress(first.address) + ").";
}

std::string Console::dongleGone(const RunReport& report) {
    const std::string gone = engine::kStatusDongleGone;
    if (report.speedsWritten.empty()) return gone + " Nothing was written.";
    return gone + " The turbine's radio was last sent \"bd\" " +
           std::to_string(report.speedsWritten.back()) + ".";
}

std::string Console::survey(const RunReport& report) {
    std::size_t silent = 0;
    for (const CheckRow& row : report.checks) silent += row.outcome != Outcome::SpeedCorrect;
    const std::string count = std::to_string(report.checks.size());
    std::string others;
    for (const NodeRow& node : report.nodes) {
        if (!node.turbine) others += (others.empty() ? "" : ", ") + printable(node.name);
    }
    if (!others.empty())
        others = "Not checked, as their names carry no turbine number: " + others + ".\n";
    if (silent == 0)
        return others + "Every inverter answers (" + count + " of " + count +
               "). Nothing was written.";
    return others + std::to_string(silent) + " of " + count +
           " turbines need attention. Nothing was written.";
}

std::string Console::checkResult(const RunReport& report) {
    if (!report.speedRead) return "the radio did not answer the \"bd\" query. Nothing was written.";
    const std::string bd = "\"bd\" " + std::to_string(*report.speedRead);
    if (report.outcome == Outcome::SpeedCorrect)
        return bd + "; the inverter answers. Nothing was written.";
    return bd +
           "; the inverter does not answer. Nothing was written; \"fix\" would change the "
           "setting.";
}

std::string Console::fixResult(const RunReport& report) {
    const std::string bd =
        report.speedRead ? "\"bd\" " + std::to_string(*report.speedRead) : std::string("\"bd\"");
    const std::string wrote = speedList(report.speedsWritten);
    switch (report.outcome) {
        case Outcome::SpeedCorrect:
            return "the speed was correct (" + bd + "). Nothing was written.";
        case Outcome::SpeedFixed:
            return "fixed. " + bd + " was changed to " + wrote + ".";
        case Outcome::LostLink:
            return "the link was lost after " + bd + " was changed to " + wrote +
                   "; the radio keeps the setting last written.";
        case Outcome::Unable:
            return "the inverter answers at neither setting; " + bd + " was changed to " + wrote +
                   ".";
        default:
            return "the radio did not answer the \"bd\" query. Nothing was written.";
    }
}

}  // namespace cli
