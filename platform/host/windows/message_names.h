// The handset's registered window message names and the identifiers they were given.
#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "ce/types.h"

namespace cehost {

class MessageNames {
 public:
  // The identifier of the name, in 0xC000..0xFFFF, giving a new one to a name not seen before;
  // names that differ only in case share one. 0 with *error set when the table is full.
  UINT Register(std::u16string_view name, DWORD* error);

 private:
  std::mutex mutex_;
  // Keyed by the name with its case folded.
  std::unordered_map<std::u16string, UINT> ids_;
  UINT next_ = 0xC000;
};

}  // namespace cehost
