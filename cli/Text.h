#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Results.h"
#include "engine/TurbineMatch.h"
#include "transport/ByteBuffer.h"

namespace cli {

// Two upper-case hex digits.
void appendHexByte(std::string& text, std::uint8_t byte);
// "7E 00 0F": the bytes as upper-case hex pairs separated by spaces.
std::string hexBytes(transport::ByteView bytes);

// Bytes from the radio made safe for a terminal or a text file: printable ASCII stays,
// a backslash is doubled, and every other byte becomes \xHH, so that no control sequence
// reaches the operator's terminal and the bytes can still be told apart.
std::string printable(std::string_view bytes);

// A 64-bit node address as 16 upper-case hex digits; a network address as 4.
std::string hexAddress(std::uint64_t address);
std::string hexNetwork(std::uint16_t network);

// Milliseconds as seconds with one decimal: "12.3 s".
std::string seconds(std::int64_t ms);

// What a search looks for: "turbine 7654321", "the radio 0013A20041C7F321", or empty when
// it is for every node in reach.
std::string searchSubject(const engine::SearchTarget& target);

// The node table as the terminal shows it: NAME, ADDRESS, NETWORK, TURBINE (blank for
// none), the names made printable.
std::string formatNodeTable(const std::vector<engine::NodeRow>& rows);

}  // namespace cli
