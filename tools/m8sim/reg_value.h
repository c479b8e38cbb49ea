// Registry value data as text: the types by name, data decoded for people and for JSON, and data
// made from command-line words.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace m8sim {

// The type named sz, expand_sz, binary, dword or multi_sz (any case); empty for other names.
std::optional<uint32_t> RegTypeByName(std::string_view name);

// The type's name as RegTypeByName takes it; "type N" for the others.
std::string RegTypeName(uint32_t type);

// The data as a JSON value: strings as text, dword as a number, multi_sz as an array, anything
// else (and data that does not fit its type) as hex text.
nlohmann::json DecodeRegValue(uint32_t type, const std::vector<uint8_t>& data);

// The data as a person reads it: type name and value ("dword 4000 (0x00000fa0)").
std::string RegValueText(uint32_t type, const std::vector<uint8_t>& data);

// The data for the value words: one text (sz, expand_sz), a number (dword), hex bytes (binary),
// one text a word (multi_sz); throws UsageError when the words do not fit the type.
std::vector<uint8_t> EncodeRegValue(uint32_t type, const std::vector<std::string>& words);

}  // namespace m8sim
