#include "sim/regfile/reg_walk.h"

#include "cehost/text.h"
#include "sim/regfile/reg_file.h"

namespace sim {

std::vector<KeyValue> ReadKeyValues(HKEY key, std::u16string_view full_name) {
  std::vector<KeyValue> values;
  for (DWORD index = 0;; ++index) {
    char16_t name[REG_MAX_NAME + 1];
    DWORD name_chars = REG_MAX_NAME + 1;
    KeyValue value;
    DWORD size = 0;
    LONG listed =
        RegEnumValueW(key, index, name, &name_chars, nullptr, &value.type, nullptr, &size);
    if (listed == ERROR_NO_MORE_ITEMS) break;
    if (listed != ERROR_SUCCESS)
      throw RegFileError("cannot list the values of " + cehost::ToUtf8(full_name));
    value.data.resize(size);
    name_chars = REG_MAX_NAME + 1;
    if (RegEnumValueW(key, index, name, &name_chars, nullptr, &value.type, value.data.data(),
                      &size) != ERROR_SUCCESS)
      throw RegFileError("cannot read a value of " + cehost::ToUtf8(full_name));
    value.data.resize(size);
    value.name.assign(name, name_chars);
    values.push_back(std::move(value));
  }
  return values;
}

std::vector<std::u16string> ReadSubkeyNames(HKEY key, std::u16string_view full_name) {
  std::vector<std::u16string> subkeys;
  for (DWORD index = 0;; ++index) {
    char16_t name[REG_MAX_NAME + 1];
    DWORD name_chars = REG_MAX_NAME + 1;
    LONG listed = RegEnumKeyExW(key, index, name, &name_chars, nullptr, nullptr, nullptr, nullptr);
    if (listed == ERROR_NO_MORE_ITEMS) break;
    if (listed != ERROR_SUCCESS)
      throw RegFileError("cannot list the subkeys of " + cehost::ToUtf8(full_name));
    subkeys.emplace_back(name, name_chars);
  }
  return subkeys;
}

void OpenSubkey(HKEY parent, std::u16string_view full_name, const std::u16string& subkey,
                OpenedKey* child) {
  if (RegOpenKeyExW(parent, subkey.c_str(), 0, KEY_READ, child->out()) != ERROR_SUCCESS)
    throw RegFileError("cannot open " + cehost::ToUtf8(std::u16string(full_name) + u"\\" + subkey));
}

}  // namespace sim
