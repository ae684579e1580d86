#include "cli/Ports.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "cli/Json.h"
#include "cli/Options.h"
#include "cli/Program.h"
#include "cli/Text.h"

namespace cli {

namespace {

constexpr std::size_t kColumns = 6;
using Row = std::array<std::string, kColumns>;

std::string hex4(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(value) & 0xFFFFu);
    return text;
}

std::string orDash(const std::string& text) { return text.empty() ? "-" : printable(text); }

Row rowOf(const transport::PortRecord& port) {
    return {port.index >= 0 ? std::to_string(port.index) : "-",
            orDash(port.path),
            orDash(port.byIdPath),
            port.usbVendorId >= 0 ? hex4(port.usbVendorId) + ":" + hex4(port.usbProductId) : "-",
            orDash(port.serialNumber),
            transport::describeAccess(port.access)};
}

std::string table(const std::vector<Row>& rows) {
    std::array<std::size_t, kColumns> widths{};
    for (const Row& row : rows)
        for (std::size_t i = 0; i < kColumns; ++i) widths[i] = std::max(widths[i], row[i].size());
    std::string text;
    for (const Row& row : rows) {
        std::string line;
        for (std::size_t i = 0; i < kColumns; ++i) {
            line += row[i];
            if (i + 1 < kColumns) line += std::string(widths[i] - row[i].size() + 2, ' ');
        }
        text += line + "\n";
    }
    return text;
}

std::string libraryLine(const transport::LibraryReport& library) {
    const std::string name =
        "The driver library" + (library.name.empty() ? "" : " " + printable(library.name));
    if (!library.loads) return name + " does not load: the serial ports alone reach the dongle.\n";
    if (!library.deviceCount) return name + " loads; it does not say how many devices it sees.\n";
    const std::uint32_t count = *library.deviceCount;
    return name + " loads and sees " + std::to_string(count) +
           (count == 1 ? " device" : " devices") + ".\n";
}

// The simulated field's one device, as ports shows it.
transport::PortListing simulatedListing() {
    transport::PortListing listing;
    transport::PortRecord device;
    device.index = 0;
    device.description = "simulated device";
    listing.ports.push_back(device);
    return listing;
}

}  // namespace

std::string portsText(const RunReport& report) {
    const transport::PortListing& listing = report.ports;
    if (report.simulatedPorts) return "0  the simulated field's device, the only one with --sim\n";
    std::string text;
    if (listing.ports.empty()) {
        text = "No USB serial port is there.\n";
    } else {
        std::vector<Row> rows{{"DEV", "PORT", "STABLE NAME", "USB ID", "SERIAL", "ACCESS"}};
        for (const transport::PortRecord& port : listing.ports) rows.push_back(rowOf(port));
        text = table(rows);
    }
    return text + libraryLine(listing.library);
}

int runPorts(const Options& options, Context& context) {
    RunReport report;
    report.command = Command::Ports;
    report.outcome = Outcome::Listed;
    report.simulatedPorts = options.sim;
    report.ports = options.sim         ? simulatedListing()
                   : context.listPorts ? context.listPorts()
                                       : transport::listPorts();
    const std::string text = options.json ? reportJson(report) + "\n" : portsText(report);
    std::fputs(text.c_str(), context.out);
    std::fflush(context.out);
    return exitCodeOf(report);
}

}  // namespace cli
