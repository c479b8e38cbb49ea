// What changed on the handset between two snapshots, grouped by registry key and by folder.
// Names are compared without regard to case, as the handset compares them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "handset_snapshot.h"

namespace m8sim {

enum class Change { kAdded, kChanged, kDeleted };

struct ValueChange {
  Change change = Change::kChanged;
  // The value's name as stored after the change (before it, for a deleted value).
  std::string name;
  std::optional<SnapshotValue> before;
  std::optional<SnapshotValue> after;
};

struct KeyChanges {
  // The key's full name (as stored after the change; before it, for a deleted key).
  std::string key;
  // kChanged: the key was there before and is still there.
  Change change = Change::kChanged;
  // By name; every value of an added key is added and every value of a deleted one deleted.
  std::vector<ValueChange> values;
};

struct EntryChange {
  Change change = Change::kChanged;
  // The file's or subfolder's name within its folder.
  std::string name;
  std::optional<SnapshotEntry> before;
  std::optional<SnapshotEntry> after;
};

struct FolderChanges {
  // The folder's CE path; "\" for the root.
  std::string folder;
  // kAdded or kDeleted (removed) for the folder itself; kChanged for one there before and after.
  Change change = Change::kChanged;
  // Its files (and, for a folder there before and after, its subfolders whose attributes
  // changed), by name. The files of an added folder are added and those of a removed one
  // deleted; a subfolder added or removed is a group of its own, not an entry of its parent.
  std::vector<EntryChange> entries;
};

struct HandsetDiff {
  // By key name, HKEY_CURRENT_USER before HKEY_LOCAL_MACHINE.
  std::vector<KeyChanges> keys;
  // By path.
  std::vector<FolderChanges> folders;
  // True when nothing changed.
  bool empty() const { return keys.empty() && folders.empty(); }
};

// What differs in after from before: values added, changed (type or data) or deleted, keys
// added or deleted; files added, changed (contents or attributes) or deleted, folders added or
// removed.
HandsetDiff DiffSnapshots(const HandsetSnapshot& before, const HandsetSnapshot& after);

// The word for a change: "added", "changed" or "deleted" ("removed" for a folder itself).
const char* ChangeName(Change change, bool folder = false);

}  // namespace m8sim
