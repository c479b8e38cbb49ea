#include "windows/message_names.h"

#include "ce/errors.h"
#include "cehost/text.h"

namespace cehost {

UINT MessageNames::Register(std::u16string_view name, DWORD* error) {
  std::u16string key = FoldCase(name);
  std::lock_guard lock(mutex_);
  auto it = ids_.find(key);
  if (it != ids_.end()) return it->second;
  if (next_ > 0xFFFF) {
    *error = ERROR_NOT_ENOUGH_MEMORY;
    return 0;
  }
  ids_.emplace(std::move(key), next_);
  return next_++;
}

}  // namespace cehost
