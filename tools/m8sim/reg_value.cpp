#include "reg_value.h"

#include <cstring>

#include "ce/registry.h"
#include "cehost/journal.h"
#include "cehost/text.h"
#include "errors.h"
#include "numbers.h"

namespace m8sim {

namespace {

struct TypeName {
  uint32_t type;
  const char* name;
};
constexpr TypeName kTypes[] = {{REG_SZ, "sz"},
                               {REG_EXPAND_SZ, "expand_sz"},
                               {REG_BINARY, "binary"},
                               {REG_DWORD, "dword"},
                               {REG_MULTI_SZ, "multi_sz"}};

// The UTF-16 units of the data; false when it has an odd size.
bool Units(const std::vector<uint8_t>& data, std::u16string* units) {
  if (data.size() % 2) return false;
  units->resize(data.size() / 2);
  if (!data.empty()) std::memcpy(units->data(), data.data(), data.size());
  return true;
}

std::string HexOf(const std::vector<uint8_t>& data) {
  return cehost::HexBytes(data.data(), data.size());
}

void AppendUnits(std::vector<uint8_t>* data, std::u16string_view text) {
  for (char16_t c : text) {
    data->push_back(static_cast<uint8_t>(c & 0xFF));
    data->push_back(static_cast<uint8_t>(c >> 8));
  }
  data->push_back(0);
  data->push_back(0);
}

}  // namespace

std::optional<uint32_t> RegTypeByName(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower.rfind("reg_", 0) == 0) lower.erase(0, 4);
  for (const auto& t : kTypes)
    if (lower == t.name) return t.type;
  return std::nullopt;
}

std::string RegTypeName(uint32_t type) {
  for (const auto& t : kTypes)
    if (type == t.type) return t.name;
  return "type " + std::to_string(type);
}

nlohmann::json DecodeRegValue(uint32_t type, const std::vector<uint8_t>& data) {
  std::u16string units;
  if ((type == REG_SZ || type == REG_EXPAND_SZ) && Units(data, &units)) {
    // The text ends at its first NUL.
    return cehost::ToUtf8(std::u16string_view(units.c_str()));
  }
  if (type == REG_DWORD && data.size() == 4) {
    uint32_t value = 0;
    std::memcpy(&value, data.data(), 4);
    return value;
  }
  if (type == REG_MULTI_SZ && Units(data, &units)) {
    nlohmann::json list = nlohmann::json::array();
    size_t start = 0;
    while (start < units.size() && units[start] != 0) {
      size_t end = units.find(u'\0', start);
      if (end == std::u16string::npos) end = units.size();
      list.push_back(cehost::ToUtf8(std::u16string_view(units).substr(start, end - start)));
      start = end + 1;
    }
    return list;
  }
  return HexOf(data);
}

std::string RegValueText(uint32_t type, const std::vector<uint8_t>& data) {
  nlohmann::json value = DecodeRegValue(type, data);
  std::string text = RegTypeName(type) + " ";
  if (type == REG_DWORD && value.is_number()) {
    return text + std::to_string(value.get<uint32_t>()) + " (" + Hex32(value.get<uint32_t>()) + ")";
  }
  if (value.is_array()) {
    std::string items;
    for (const auto& item : value) items += (items.empty() ? "" : ", ") + item.dump();
    return text + "[" + items + "]";
  }
  if (type == REG_SZ || type == REG_EXPAND_SZ) return text + value.dump();
  // Long data shows its beginning; the JSON form keeps all of it.
  std::string hex = value.get<std::string>();
  if (hex.size() > 64) hex = hex.substr(0, 64) + "... (" + std::to_string(data.size()) + " bytes)";
  return text + "hex:" + hex;
}

std::vector<uint8_t> EncodeRegValue(uint32_t type, const std::vector<std::string>& words) {
  if (type != REG_MULTI_SZ && words.size() != 1)
    throw UsageError("a " + RegTypeName(type) + " value is one word, not " +
                     std::to_string(words.size()));
  std::vector<uint8_t> data;
  switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
      AppendUnits(&data, cehost::ToUtf16(words[0]));
      return data;
    case REG_DWORD: {
      auto number = ParseNumber(words[0]);
      if (!number || *number < INT32_MIN || *number > UINT32_MAX)
        throw UsageError("not a 32-bit number: '" + words[0] + "'");
      uint32_t value = static_cast<uint32_t>(*number);
      data.resize(4);
      std::memcpy(data.data(), &value, 4);
      return data;
    }
    case REG_BINARY: {
      auto bytes = ParseHexBytes(words[0]);
      if (!bytes) throw UsageError("not hex bytes: '" + words[0] + "'");
      return std::vector<uint8_t>(bytes->begin(), bytes->end());
    }
    case REG_MULTI_SZ:
      for (const auto& word : words) {
        if (word.empty()) throw UsageError("a multi_sz value holds no empty strings");
        AppendUnits(&data, cehost::ToUtf16(word));
      }
      data.push_back(0);
      data.push_back(0);
      return data;
    default:
      throw UsageError("cannot write a value of " + RegTypeName(type));
  }
}

}  // namespace m8sim
