#include "shell/launch_table.h"

#include "cehost/text.h"

namespace cehost {

std::u16string LaunchKey(std::u16string_view ce_path) {
  std::u16string key = FoldCase(ce_path);
  if (key.empty() || key.front() != u'\\') key.insert(key.begin(), u'\\');
  return key;
}

void LaunchTable::Install(std::u16string_view ce_path, Launchable program) {
  std::lock_guard lock(mutex_);
  programs_[LaunchKey(ce_path)] = std::make_shared<const Launchable>(std::move(program));
}

bool LaunchTable::Remove(std::u16string_view ce_path) {
  std::lock_guard lock(mutex_);
  return programs_.erase(LaunchKey(ce_path)) != 0;
}

std::shared_ptr<const Launchable> LaunchTable::Find(std::u16string_view ce_path) const {
  std::lock_guard lock(mutex_);
  auto it = programs_.find(LaunchKey(ce_path));
  return it == programs_.end() ? nullptr : it->second;
}

}  // namespace cehost
