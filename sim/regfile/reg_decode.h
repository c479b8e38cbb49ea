// The text of a .reg file's bytes: UTF-16LE after the mark FF FE, else 8-bit text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// The file's text: UTF-16LE when it begins with FF FE (the mark dropped), otherwise 8-bit text
// widened by Widen8Bit (a UTF-8 mark EF BB BF dropped). Throws RegFileError when UTF-16 text
// ends in half a character.
std::u16string DecodeRegBytes(const std::vector<uint8_t>& bytes);

// 8-bit text as UTF-16: read as UTF-8 when it is valid UTF-8, as Latin-1 otherwise.
std::u16string Widen8Bit(std::string_view text);

}  // namespace sim
