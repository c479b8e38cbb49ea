#include "modules/module_table.h"

#include "cehost/text.h"

namespace cehost {

void ModuleTable::Install(std::u16string_view path, ModuleEntries entries) {
  std::lock_guard lock(mutex);
  installed_[FoldCase(path)] = {std::u16string(path),
                                std::make_shared<const ModuleEntries>(std::move(entries))};
}

void ModuleTable::Remove(std::u16string_view path) {
  std::lock_guard lock(mutex);
  installed_.erase(FoldCase(path));
}

const ModuleTable::Installed* ModuleTable::Find(std::u16string_view path) const {
  auto it = installed_.find(FoldCase(path));
  return it == installed_.end() ? nullptr : &it->second;
}

}  // namespace cehost
