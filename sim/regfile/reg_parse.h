// Reading .reg text into the registry operations it asks for, without touching the registry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ce/registry.h"

namespace sim {

struct RegOperation {
  enum class Kind { kCreateKey, kDeleteKey, kSetValue, kDeleteValue };
  Kind kind = Kind::kCreateKey;
  // The line the operation comes from (its first line when it is continued).
  size_t line = 0;
  HKEY root = nullptr;
  // The key's path below the root, and its full name for messages.
  std::u16string path;
  std::u16string full_name;
  // The value's name ("" for the default value), type and bytes.
  std::u16string name;
  DWORD type = REG_NONE;
  std::vector<uint8_t> data;
};

// The operations of a whole .reg file in file order; throws RegFileError naming the first bad
// line. Values that follow a "[-KEY]" line are skipped, as the desktop editor does.
std::vector<RegOperation> ParseRegFile(const std::vector<uint8_t>& bytes);

}  // namespace sim
