#include "modules/module_table.h"

#include "cehost/text.h"

namespace cehost {

void ModuleTable::Install(std::u16string_view path, ModuleEntries entries) {
  std::lock_guard lock(mutex_);
  installed_[FoldCase(path)] = {std::u16string(path),
                                std::make_shared<const ModuleEntries>(std::move(entries))};
}

void ModuleTable::Remove(std::u16string_view path) {
  std::lock_guard lock(mutex_);
  installed_.erase(FoldCase(path));
}

std::pair<std::u16string, std::shared_ptr<const ModuleEntries>> ModuleTable::Installed(
    std::u16string_view path) const {
  std::lock_guard lock(mutex_);
  const InstalledModule* installed = Find(path);
  if (!installed) return {};
  return {installed->path, installed->entries};
}

const ModuleTable::InstalledModule* ModuleTable::Find(std::u16string_view path) const {
  auto it = installed_.find(FoldCase(path));
  return it == installed_.end() ? nullptr : &it->second;
}

std::shared_ptr<ModuleObject> ModuleTable::Load(const std::vector<std::u16string>& paths,
                                                HandleTable& handles, bool* loaded) {
  std::lock_guard lock(mutex_);
  *loaded = false;
  for (const auto& candidate : paths) {
    const InstalledModule* installed = Find(candidate);
    if (!installed) continue;
    std::u16string key = FoldCase(installed->path);
    auto it = loaded_.find(key);
    if (it != loaded_.end()) {
      ++it->second->uses_;
      return it->second;
    }
    auto object = std::make_shared<ModuleObject>(installed->path, installed->entries);
    object->handle_ = handles.Insert(object);
    loaded_[key] = object;
    *loaded = true;
    return object;
  }
  return nullptr;
}

bool ModuleTable::Free(ModuleObject& module, HandleTable& handles, bool* unloaded) {
  std::lock_guard lock(mutex_);
  *unloaded = false;
  // Another thread may have dropped the last use since the caller found the module.
  if (module.uses_ <= 0) return false;
  if (--module.uses_ == 0) {
    loaded_.erase(FoldCase(module.path()));
    handles.Remove(module.handle_, HandleKind::kModule);
    *unloaded = true;
  }
  return true;
}

}  // namespace cehost
