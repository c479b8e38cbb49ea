// Full registry key names as .reg files spell them: a root name and a path below it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ce/registry.h"

namespace sim {

struct RegKeyName {
  HKEY root = nullptr;
  // The root's full name, as "HKEY_LOCAL_MACHINE".
  std::u16string root_name;
  // The path below the root without leading or trailing backslash; empty for the root itself.
  std::u16string path;
};

// Splits a full key name at its first backslash; the root may be spelled in full or short
// ("HKLM", "HKCU", "HKCR", "HKU"), in any case. Nothing when the root is unknown or a name in the
// path is empty or longer than the registry allows.
std::optional<RegKeyName> SplitKeyName(std::u16string_view full_name);

}  // namespace sim
