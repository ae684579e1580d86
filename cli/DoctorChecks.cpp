#include "cli/DoctorChecks.h"

#include <cstdio>

#include "cli/Text.h"
#include "engine/Messages.h"

namespace cli {

namespace {

using transport::DriverError;
using transport::PortAccess;

// The radio module's discovery time, for which the module check listens.
constexpr int kDiscoveryUnits = 8;

constexpr const char* kModuleSilentAdvice =
    "The module has no power, works at another line speed, or is not in frame mode. Check "
    "that the dongle's lamp is lit; the module must be set to 115200 baud and frame (API) "
    "mode.";
constexpr const char* kModuleNoFramesAdvice =
    "The module works at another line speed, or is not in frame mode. Set it to 115200 baud "
    "and frame (API) mode with the module's configuration tool, then run doctor again.";
constexpr const char* kNoisyLineAdvice =
    "A noisy line. Check the USB cable and its plugs; use another USB socket or a shorter "
    "cable, away from power cables and drives.";
constexpr const char* kNoRemoteAdvice =
    "No remote radio answered. Check the dongle's antenna and its cable, move closer to the "
    "turbines, and check that the turbines' radios have power.";

DoctorStep step(DoctorStep::Check check, bool passed, std::string finding,
                std::string advice = {}) {
    DoctorStep result;
    result.check = check;
    result.passed = passed;
    result.finding = std::move(finding);
    result.advice = std::move(advice);
    return result;
}

std::string hex4(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(value) & 0xFFFFu);
    return text;
}

// "/dev/ttyUSB0 (device 0; USB 0403:6001, serial A1; /dev/serial/by-id/...)"
std::string describePort(const transport::PortRecord& port) {
    std::string text = port.path + " (";
    text += port.index >= 0 ? "device " + std::to_string(port.index) : std::string("by path only");
    if (port.usbVendorId >= 0)
        text += "; USB " + hex4(port.usbVendorId) + ":" + hex4(port.usbProductId);
    if (!port.serialNumber.empty()) text += ", serial " + printable(port.serialNumber);
    if (!port.byIdPath.empty()) text += "; " + port.byIdPath;
    return text + ")";
}

// What a device choice may name: the chip maker's ports by index and path, the library's
// devices beyond them by index, other ports by path.
std::vector<std::string> existingNames(const transport::PortListing& listing) {
    std::vector<std::string> names;
    int ttys = 0;
    for (const transport::PortRecord& port : listing.ports) {
        if (port.index < 0) continue;
        names.push_back(std::to_string(port.index) + " " + port.path);
        ++ttys;
    }
    const transport::LibraryReport& library = listing.library;
    if (library.loads && library.deviceCount) {
        for (auto i = static_cast<std::uint32_t>(ttys); i < *library.deviceCount; ++i)
            names.push_back(std::to_string(i) + " (through the driver library)");
    }
    for (const transport::PortRecord& port : listing.ports)
        if (port.index < 0) names.push_back(port.path);
    return names;
}

// The port a choice names: as the platform finds it, or by the path as it is written, for a
// platform whose lookup takes indices alone.
const transport::PortRecord* listed(const transport::PortListing& listing,
                                    const transport::DeviceChoice& choice) {
    if (const transport::PortRecord* port = transport::findPort(listing, choice)) return port;
    if (!choice.isPath()) return nullptr;
    for (const transport::PortRecord& port : listing.ports)
        if (port.path == choice.path()) return &port;
    return nullptr;
}

std::string countOf(std::uint32_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

DoctorStep checkDevice(const transport::PortListing& listing, const transport::DeviceChoice& choice,
                       bool pathExists) {
    constexpr auto kCheck = DoctorStep::Check::Device;
    if (const transport::PortRecord* port = listed(listing, choice))
        return step(kCheck, true, describePort(*port));
    if (choice.isPath()) {
        if (!listing.pathsOpen) {
            return step(
                kCheck, false, "devices are named here by their index only",
                DriverError{DriverError::Cause::PathNotSupported, 0, choice.path()}.describe());
        }
        if (pathExists) {
            return step(kCheck, true,
                        choice.path() +
                            " (not a USB serial port the system lists; opened as a "
                            "serial port all the same)");
        }
        return step(
            kCheck, false, "nothing is at " + choice.path(),
            DriverError{DriverError::Cause::NoSuchDevice, 0, choice.path(), existingNames(listing)}
                .describe());
    }
    const transport::LibraryReport& library = listing.library;
    switch (transport::dongleHolder(listing, choice.index())) {
        case transport::DongleHolder::Library:
            return step(kCheck, true,
                        "device " + choice.name() + " of the driver library " + library.name +
                            ", which sees " +
                            countOf(library.deviceCount.value_or(0), "device", "devices"));
        case transport::DongleHolder::Unknown:
            return step(kCheck, true,
                        "no serial port " + choice.name() + "; the driver library " + library.name +
                            " loads but does not say how many devices it sees: opening tells");
        case transport::DongleHolder::KernelDriver:  // found above
        case transport::DongleHolder::Nobody:
            break;
    }
    const std::vector<std::string> existing = existingNames(listing);
    if (existing.empty() && choice.index() == 0) {
        return step(kCheck, false, "no USB serial adapter of the dongle's vendor is plugged in",
                    DriverError{DriverError::Cause::NoDevice, 0, {}}.describe());
    }
    return step(
        kCheck, false, "there is no device " + choice.name(),
        DriverError{DriverError::Cause::NoSuchDevice, 0, choice.name(), existing}.describe());
}

DoctorStep checkAccess(const transport::PortListing& listing,
                       const transport::DeviceChoice& choice) {
    constexpr auto kCheck = DoctorStep::Check::Access;
    const transport::PortRecord* port = listed(listing, choice);
    if (!port) {
        if (!choice.isPath() &&
            transport::dongleHolder(listing, choice.index()) == transport::DongleHolder::Library) {
            return step(kCheck, true,
                        "the driver library holds the dongle: there is no serial port for it, "
                        "so the kernel's serial driver does not; whether this user may open it "
                        "shows as it opens");
        }
        return step(kCheck, true, "not known before it opens");
    }
    const PortAccess& access = port->access;
    const std::string found = port->path + ": " + transport::describeAccess(access);
    switch (access.state) {
        case PortAccess::State::Free: {
            std::string text = found;
            // While the kernel's serial driver has the dongle, the library cannot open it.
            if (port->index >= 0 && listing.library.loads) {
                text +=
                    "; the kernel's serial driver holds the dongle, so it is reached "
                    "through " +
                    port->path + " and the driver library cannot open it meanwhile";
            }
            return step(kCheck, true, text);
        }
        case PortAccess::State::PermissionDenied:
            return step(
                kCheck, false, found,
                DriverError{DriverError::Cause::PermissionDenied, 0, port->path}.describe());
        case PortAccess::State::Busy:
            return step(kCheck, false, found,
                        DriverError{DriverError::Cause::PortBusy, 0, port->path}.describe());
        case PortAccess::State::Missing:
            break;
    }
    return step(kCheck, false, found,
                DriverError{DriverError::Cause::IoError, 0, port->path}.describe());
}

DoctorStep checkSimulatedDevice(const transport::DeviceChoice& choice) {
    constexpr auto kCheck = DoctorStep::Check::Device;
    if (!choice.isPath() && choice.index() == 0)
        return step(kCheck, true, "device 0, the simulated field's");
    return step(
        kCheck, false, "there is no device " + choice.name(),
        DriverError{
            DriverError::Cause::NoSuchDevice, 0, choice.name(), {"0 (the simulated device)"}}
            .describe());
}

DoctorStep checkSimulatedAccess() {
    return step(DoctorStep::Check::Access, true, "the simulated device: nothing stands in the way");
}

DoctorStep checkReplayed(DoctorStep::Check check) {
    return step(check, true, "a recording, played back, stands in for the device");
}

DoctorStep checkOpens(bool opened, const transport::DriverError& failure) {
    constexpr auto kCheck = DoctorStep::Check::Opens;
    if (opened) {
        return step(kCheck, true,
                    "115200 baud, 8 data bits, 1 stop bit, no parity, no flow control");
    }
    return step(kCheck, false, "it does not open with the radio's line settings",
                failure.describe());
}

DoctorStep checkModule(const engine::ModuleCheckResult& result) {
    constexpr auto kCheck = DoctorStep::Check::Module;
    const radio::FrameCounts& counts = result.counts;
    const std::string during =
        " in the discovery's " + seconds(kDiscoveryUnits * engine::kDiscoveryUnitMs);
    DoctorStep judged;
    if (!result.sent) {
        judged = step(kCheck, false, "the discovery request could not be written",
                      DriverError{DriverError::Cause::IoError, 0, {}}.describe());
    } else {
        switch (result.verdict) {
            case radio::LinkVerdict::Silent:
                judged = step(kCheck, false, "nothing came back" + during, kModuleSilentAdvice);
                break;
            case radio::LinkVerdict::NoFrames:
                judged = step(kCheck, false,
                              countOf(counts.bytes, "byte", "bytes") + " came back" + during +
                                  ", none of them in a frame",
                              kModuleNoFramesAdvice);
                break;
            case radio::LinkVerdict::FailedChecksums:
                judged = step(kCheck, false,
                              countOf(counts.failed, "frame", "frames") + " came back" + during +
                                  ", none of which passed its checksum",
                              kNoisyLineAdvice);
                break;
            case radio::LinkVerdict::Frames: {
                std::string text =
                    countOf(counts.passed, "well-formed frame", "well-formed frames") + during;
                if (counts.failed > 0)
                    text += ", and " + countOf(counts.failed, "frame", "frames") +
                            " that failed its checksum";
                judged = step(kCheck, true, text);
                break;
            }
        }
    }
    judged.counts = counts;
    return judged;
}

DoctorStep checkRemotes(const engine::ModuleCheckResult& result) {
    constexpr auto kCheck = DoctorStep::Check::Remotes;
    if (result.radios.empty())
        return step(kCheck, false, "none answered in the discovery's time", kNoRemoteAdvice);
    std::string names;
    std::uint32_t turbines = 0;
    for (const engine::RemoteRadio& radio : result.radios) {
        names += (names.empty() ? "" : ", ") + printable(radio.name);
        if (radio.turbine && *radio.turbine > 0) {
            names += " (turbine " + std::to_string(*radio.turbine) + ")";
            ++turbines;
        }
    }
    std::string text =
        countOf(static_cast<std::uint32_t>(result.radios.size()), "answered", "answered") + ": " +
        names + "; " + countOf(turbines, "carries a turbine number", "carry turbine numbers");
    if (result.answersNotKept > 0)
        text += "; " + countOf(result.answersNotKept, "more answer", "more answers") +
                " from radios beyond these";
    return step(kCheck, true, text);
}

std::string stepText(const DoctorStep& step) {
    static constexpr const char* kTitles[] = {
        "A device to open",
        "This user may open it",
        "It opens with the radio's line settings",
        "The radio module answers in frame mode",
        "Remote radios answer",
    };
    const auto number = static_cast<std::size_t>(step.check);
    std::string finding = step.finding;
    if (!finding.empty() && finding[0] >= 'a' && finding[0] <= 'z')
        finding[0] = static_cast<char>(finding[0] - 'a' + 'A');
    const std::string head = std::to_string(number + 1) + ". " + kTitles[number] + ": ";
    if (step.passed) return head + "ok. " + finding + ".\n";
    // An advice that opens with the finding says it all in one.
    if (step.advice.starts_with(finding + ".")) return head + "FAILED. " + step.advice + "\n";
    std::string text = head + "FAILED. " + finding + ".\n";
    if (!step.advice.empty()) text += "   What to do: " + step.advice + "\n";
    return text;
}

std::string doctorSummary(const RunReport& report) {
    switch (report.outcome) {
        case Outcome::Passed:
            return "Every check passed.";
        case Outcome::Stopped:
            return "Interrupted; nothing but the module's discovery request was written.";
        case Outcome::DongleGone:
            return engine::kStatusDongleGone;
        default:
            break;
    }
    return "Check " + std::to_string(report.steps.size()) + " of 5 failed.";
}

}  // namespace cli
