// The modules installed on a handset, by folded CE path.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

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
  // A module is let go only with FreeLibrary.
  bool ClosedByCloseHandle() const override { return false; }
  // Uses of the handle; guarded by the module table's mutex.
  int uses = 1;
  uint32_t handle = 0;

 private:
  std::u16string path_;
  std::shared_ptr<const ModuleEntries> entries_;
};

class ModuleTable {
 public:
  struct Installed {
    std::u16string path;
    std::shared_ptr<const ModuleEntries> entries;
  };
  // Installs or replaces the module at the path.
  void Install(std::u16string_view path, ModuleEntries entries);
  // Removes the module at the path.
  void Remove(std::u16string_view path);
  // The installed module at the exact CE path (case ignored), or null.
  const Installed* Find(std::u16string_view path) const;

  // Guards the tables and the use counts of loaded modules.
  mutable std::mutex mutex;
  // Loaded modules by folded path, while they have uses.
  std::map<std::u16string, std::shared_ptr<ModuleObject>> loaded;

 private:
  std::map<std::u16string, Installed> installed_;
};

}  // namespace cehost
