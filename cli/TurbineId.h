#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace cli {

// The turbine number an ID names, for a command that writes to radios: taken only when the
// dialog's reading of the same text searches exactly the number typed, never a guess. That
// is when the ID is at most 63 characters (the Turbine ID box reads no more); a "QOR" prefix,
// whose first six characters the dialog skips, does not cut into a number; and the rest holds
// exactly one run of decimal digits, one to seven of them, worth more than 0.
//
// "7654321", "QOR123-7654321" and "T-1234" pass; "87654321" (the dialog searches 7654321),
// "QOR-7654321" (54321), "0" and "T-12a34" (1234) do not. On failure answers false, and in
// error what was typed, what the dialog would have searched and what to type instead.
bool readTurbineId(std::string_view id, std::int32_t& target, std::string& error);

}  // namespace cli
