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
  registered_.emplace(next_, ToUtf8(std::u16string(name)));
  return next_++;
}

void MessageNames::Learn(std::u16string_view name, UINT id) {
  std::lock_guard lock(mutex_);
  ids_[FoldCase(name)] = id;
  registered_.emplace(id, ToUtf8(std::u16string(name)));
}

void MessageNames::NameMessage(UINT id, std::string name) {
  std::lock_guard lock(mutex_);
  if (name.empty())
    given_.erase(id);
  else
    given_[id] = std::move(name);
}

std::string MessageNames::Name(UINT id) const {
  std::lock_guard lock(mutex_);
  if (auto it = registered_.find(id); it != registered_.end()) return it->second;
  if (auto it = given_.find(id); it != given_.end()) return it->second;
  return {};
}

}  // namespace cehost
