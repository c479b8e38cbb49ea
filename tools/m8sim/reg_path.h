// Registry key paths as people write them: a root (HKLM, HKCU, HKCR, HKU or its full name), then
// the subkey, with backslashes or slashes.
#pragma once

#include <string>
#include <string_view>

#include "ce/types.h"

namespace m8sim {

struct KeyPath {
  HKEY root = nullptr;
  // The root's full name, HKEY_LOCAL_MACHINE and so on.
  std::u16string root_name;
  // The path below the root, backslash-separated; empty for the root itself.
  std::u16string sub_key;

  // The whole path with the root's full name.
  std::u16string Full() const;
};

// The key the text names; throws UsageError for an unknown root.
KeyPath ParseKeyPath(std::string_view text);

}  // namespace m8sim
