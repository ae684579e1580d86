#include "cli/Text.h"

#include <algorithm>
#include <cstdio>

namespace cli {

namespace {
constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kLastPrintable = 0x7E;

std::string hexDigits(std::uint64_t value, int digits) {
    std::string text(static_cast<std::size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i, value >>= 4)
        text[static_cast<std::size_t>(i)] = kHexDigits[value & 0xF];
    return text;
}
}  // namespace

void appendHexByte(std::string& text, std::uint8_t byte) {
    text += kHexDigits[byte >> 4];
    text += kHexDigits[byte & 0xF];
}

std::string hexBytes(transport::ByteView bytes) {
    std::string text;
    text.reserve(bytes.length() * 3);
    for (const std::uint8_t byte : bytes) {
        if (!text.empty()) text += ' ';
        appendHexByte(text, byte);
    }
    return text;
}

std::string printable(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\\') {
            text += "\\\\";
        } else if (byte >= kFirstPrintable && byte <= kLastPrintable) {
            text += c;
        } else {
            text += "\\x";
            appendHexByte(text, byte);
        }
    }
    return text;
}

std::string hexAddress(std::uint64_t address) { return hexDigits(address, 16); }

std::string hexNetwork(std::uint16_t network) { return hexDigits(network, 4); }

std::string seconds(std::int64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(ms) / 1000.0);
    return text;
}

std::string searchSubject(const engine::SearchTarget& target) {
    if (target.address) return "the radio " + hexAddress(*target.address);
    if (target.number != 0) return "turbine " + std::to_string(target.number);
    return {};
}

std::string formatNodeTable(const std::vector<engine::NodeRow>& rows) {
    std::size_t nameWidth = 4;
    std::vector<std::string> names;
    for (const engine::NodeRow& row : rows) {
        names.push_back(printable(row.name));
        nameWidth = std::max(nameWidth, names.back().size());
    }
    const int width = static_cast<int>(nameWidth);
    std::string table;
    char line[256];
    std::snprintf(line, sizeof line, "%-*s  %-16s  %-7s  %s\n", width, "NAME", "ADDRESS", "NETWORK",
                  "TURBINE");
    table += line;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const engine::NodeRow& row = rows[i];
        const std::string turbine = row.turbine ? std::to_string(*row.turbine) : "";
        std::snprintf(line, sizeof line, "%-*s  %-16s  %-7s  %s", width, names[i].c_str(),
                      hexAddress(row.address).c_str(), hexNetwork(row.network).c_str(),
                      turbine.c_str());
        std::string text = line;
        while (!text.empty() && text.back() == ' ') text.pop_back();
        table += text + "\n";
    }
    return table;
}

}  // namespace cli
