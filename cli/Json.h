#pragma once

#include <string>
#include <string_view>

#include "cli/Report.h"

namespace cli {

// The version of the report's format, as its schema (report.schema.json) describes it.
inline constexpr int kReportSchemaVersion = 1;

// Any bytes as a JSON string: each byte is the character of its value, U+0000 to U+00FF,
// and the text is written in ASCII alone, so every byte outside printable ASCII is escaped,
// nothing a radio calls itself can reach a terminal raw, and each byte can be read back.
std::string jsonString(std::string_view bytes);

// The object the program prints with --json, on one line.
std::string reportJson(const RunReport& report);

}  // namespace cli
