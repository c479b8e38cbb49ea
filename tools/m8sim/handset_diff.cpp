#include "handset_diff.h"

#include <map>

#include "cehost/text.h"

namespace m8sim {

namespace {

// The name as the handset compares it.
std::u16string Folded(const std::string& name) {
  return cehost::FoldCase(cehost::ToUtf16(name));
}

template <class T, class NameOf>
std::map<std::u16string, const T*> ByName(const std::vector<T>& items, NameOf name_of) {
  std::map<std::u16string, const T*> named;
  for (const T& item : items) named.emplace(Folded(name_of(item)), &item);
  return named;
}

// Walks the names of both maps in order, calling visit(before or null, after or null).
template <class T, class Visit>
void Merge(const std::map<std::u16string, const T*>& before,
           const std::map<std::u16string, const T*>& after, Visit visit) {
  auto b = before.begin();
  auto a = after.begin();
  while (b != before.end() || a != after.end()) {
    if (a == after.end() || (b != before.end() && b->first < a->first)) {
      visit(b->second, nullptr);
      ++b;
    } else if (b == before.end() || a->first < b->first) {
      visit(nullptr, a->second);
      ++a;
    } else {
      visit(b->second, a->second);
      ++a;
      ++b;
    }
  }
}

std::vector<ValueChange> ValueChanges(const SnapshotKey* before, const SnapshotKey* after) {
  static const std::vector<SnapshotValue> kNone;
  auto name_of = [](const SnapshotValue& value) { return value.name; };
  std::vector<ValueChange> changes;
  Merge<SnapshotValue>(
      ByName(before ? before->values : kNone, name_of),
      ByName(after ? after->values : kNone, name_of),
      [&](const SnapshotValue* old_value, const SnapshotValue* new_value) {
        if (old_value && new_value) {
          if (old_value->type == new_value->type && old_value->data == new_value->data) return;
          changes.push_back({Change::kChanged, new_value->name, *old_value, *new_value});
        } else if (new_value) {
          changes.push_back({Change::kAdded, new_value->name, std::nullopt, *new_value});
        } else {
          changes.push_back({Change::kDeleted, old_value->name, *old_value, std::nullopt});
        }
      });
  return changes;
}

// The folder a path lies in ("\" for the root) and the path's last name.
std::pair<std::string, std::string> Split(const std::string& path) {
  size_t slash = path.rfind('\\');
  std::string folder = slash == 0 || slash == std::string::npos ? "\\" : path.substr(0, slash);
  return {folder, slash == std::string::npos ? path : path.substr(slash + 1)};
}

class FolderGroups {
 public:
  // The group of the folder, made when it has none.
  FolderChanges& Group(const std::string& folder) {
    auto [found, made] = groups_.try_emplace(Folded(folder));
    if (made) found->second.folder = folder;
    return found->second;
  }
  void Entry(Change change, const SnapshotEntry* before, const SnapshotEntry* after) {
    const SnapshotEntry& either = after ? *after : *before;
    auto [folder, name] = Split(either.path);
    Group(folder).entries.push_back({change, name, before ? std::optional(*before) : std::nullopt,
                                     after ? std::optional(*after) : std::nullopt});
  }
  void Folder(Change change, const SnapshotEntry& entry) {
    FolderChanges& group = Group(entry.path);
    group.folder = entry.path;
    group.change = change;
  }
  std::vector<FolderChanges> Groups() {
    std::vector<FolderChanges> list;
    for (auto& [folded, group] : groups_) list.push_back(std::move(group));
    return list;
  }

 private:
  std::map<std::u16string, FolderChanges> groups_;
};

}  // namespace

HandsetDiff DiffSnapshots(const HandsetSnapshot& before, const HandsetSnapshot& after) {
  HandsetDiff diff;
  auto key_name = [](const SnapshotKey& key) { return key.path; };
  Merge<SnapshotKey>(
      ByName(before.keys, key_name), ByName(after.keys, key_name),
      [&](const SnapshotKey* old_key, const SnapshotKey* new_key) {
        KeyChanges changes;
        changes.key = new_key ? new_key->path : old_key->path;
        changes.change = !old_key ? Change::kAdded : !new_key ? Change::kDeleted : Change::kChanged;
        changes.values = ValueChanges(old_key, new_key);
        if (changes.change != Change::kChanged || !changes.values.empty())
          diff.keys.push_back(std::move(changes));
      });

  FolderGroups groups;
  auto entry_path = [](const SnapshotEntry& entry) { return entry.path; };
  Merge<SnapshotEntry>(ByName(before.entries, entry_path), ByName(after.entries, entry_path),
                       [&](const SnapshotEntry* old_entry, const SnapshotEntry* new_entry) {
                         auto gone = [&](const SnapshotEntry& entry) {
                           if (entry.folder)
                             groups.Folder(Change::kDeleted, entry);
                           else
                             groups.Entry(Change::kDeleted, &entry, nullptr);
                         };
                         auto came = [&](const SnapshotEntry& entry) {
                           if (entry.folder)
                             groups.Folder(Change::kAdded, entry);
                           else
                             groups.Entry(Change::kAdded, nullptr, &entry);
                         };
                         if (!old_entry) return came(*new_entry);
                         if (!new_entry) return gone(*old_entry);
                         // A file that became a folder (or the other way) is one thing gone and
                         // another come.
                         if (old_entry->folder != new_entry->folder) {
                           gone(*old_entry);
                           return came(*new_entry);
                         }
                         if (old_entry->attributes != new_entry->attributes ||
                             old_entry->size != new_entry->size ||
                             old_entry->hash != new_entry->hash)
                           groups.Entry(Change::kChanged, old_entry, new_entry);
                       });
  diff.folders = groups.Groups();
  return diff;
}

const char* ChangeName(Change change, bool folder) {
  switch (change) {
    case Change::kAdded:
      return "added";
    case Change::kChanged:
      return "changed";
    case Change::kDeleted:
      return folder ? "removed" : "deleted";
  }
  return "changed";
}

}  // namespace m8sim
