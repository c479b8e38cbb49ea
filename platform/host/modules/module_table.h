// The modules installed on a handset, by folded CE path, and those loaded from them.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "cehost/modules.h"
#include "kernel/handle_table.h"

namespace cehost {

// A loaded module: its entries and its use count.
class ModuleObject : public HandleObject {
 public:
  ModuleObject(std::u16string path, std::shared_ptr<const ModuleEntries> entries)
      : HandleObject(HandleKind::kModule), path_(std::move(path)), entries_(std::move(entries)) {}
  const std::u16string& path() const { return path_; }
  const ModuleEntries& entries() const { return *entries_; }
  // Its handle value; set before the module is handed out.
  uint32_t handle() const { return handle_; }
  // A module is let go only with FreeLibrary.
  bool ClosedByCloseHandle() const override { return false; }

 private:
  friend class ModuleTable;
  std::u16string path_;
  std::shared_ptr<const ModuleEntries> entries_;
  // Uses of the handle and its value; guarded by the module table's lock.
  int uses_ = 1;
  uint32_t handle_ = 0;
};

class ModuleTable {
 public:
  // Installs or replaces the module at the path.
  void Install(std::u16string_view path, ModuleEntries entries);
  // Removes the module at the path.
  void Remove(std::u16string_view path);
  // The path (as installed) and entries of the module installed at the path (case ignored);
  // null entries when there is none.
  std::pair<std::u16string, std::shared_ptr<const ModuleEntries>> Installed(
      std::u16string_view path) const;
  // Loads the first of the CE paths that has an installed module, or adds a use to it when it is
  // loaded already; null when none has. *loaded tells whether this call loaded it.
  std::shared_ptr<ModuleObject> Load(const std::vector<std::u16string>& paths, HandleTable& handles,
                                     bool* loaded);
  // Takes a use from the module and, at its last use, unloads it and closes its handle; false
  // when it had no use left. *unloaded tells whether this call unloaded it.
  bool Free(ModuleObject& module, HandleTable& handles, bool* unloaded);

 private:
  struct InstalledModule {
    std::u16string path;
    std::shared_ptr<const ModuleEntries> entries;
  };
  // The installed module at the exact CE path (case ignored), or null.
  const InstalledModule* Find(std::u16string_view path) const;

  // Guards the tables and the use counts of loaded modules.
  mutable std::mutex mutex_;
  std::map<std::u16string, InstalledModule> installed_;
  // Loaded modules by folded path, while they have uses.
  std::map<std::u16string, std::shared_ptr<ModuleObject>> loaded_;
};

}  // namespace cehost
