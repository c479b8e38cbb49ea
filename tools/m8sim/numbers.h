// Numbers as people type them: decimal, or hexadecimal after 0x.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace m8sim {

// The number the text spells (an optional minus, decimal digits or 0x and hex digits); empty for
// anything else or a value beyond 64 bits.
std::optional<int64_t> ParseNumber(std::string_view text);

// The bytes hex text spells (pairs of digits, optionally separated by spaces or commas); empty
// for text that is not hex.
std::optional<std::string> ParseHexBytes(std::string_view text);

// "0x" and eight hex digits.
std::string Hex32(uint32_t value);

}  // namespace m8sim
