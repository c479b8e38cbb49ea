// Reading a key's values and subkeys whole, as the export and the handset snapshot walk a tree.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ce/registry.h"

namespace sim {

// An open key, closed when the object goes.
class OpenedKey {
 public:
  OpenedKey() = default;
  explicit OpenedKey(HKEY key) : key_(key) {}
  ~OpenedKey() {
    if (key_) RegCloseKey(key_);
  }
  OpenedKey(const OpenedKey&) = delete;
  OpenedKey& operator=(const OpenedKey&) = delete;
  HKEY get() const { return key_; }
  HKEY* out() { return &key_; }

 private:
  HKEY key_ = nullptr;
};

// One value: its stored name, type and data.
struct KeyValue {
  std::u16string name;
  DWORD type = 0;
  std::vector<uint8_t> data;
};

// The key's values in enumeration order; throws RegFileError naming full_name when they cannot
// be read.
std::vector<KeyValue> ReadKeyValues(HKEY key, std::u16string_view full_name);

// The stored names of the key's subkeys in enumeration order; throws RegFileError naming
// full_name when they cannot be listed.
std::vector<std::u16string> ReadSubkeyNames(HKEY key, std::u16string_view full_name);

// Opens the subkey for reading; throws RegFileError naming it when it cannot be opened.
void OpenSubkey(HKEY parent, std::u16string_view full_name, const std::u16string& subkey,
                OpenedKey* child);

}  // namespace sim
