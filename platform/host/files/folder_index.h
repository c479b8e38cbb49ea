// Names of folders by their case-folded spelling, so that a name given in another case than the
// stored one is found without reading the whole folder each time.
//
// An index of a folder holds, for every entry, its folded name and its stored name. A folder is
// read whole into an index the second time a name in it is looked for in the same state of the
// folder (a name given in another case than the stored one; folders only ever looked up as spelled
// are never read); the first time, and whenever the folder has changed since, it is searched as
// without an index, which stops at the name found. The state of a folder is its identity (st_dev,
// st_ino), modification time (to the nanosecond) and size, so that changes made by other
// processes, or directly on the host, are seen.
//
// A folder's modification time comes from a coarse clock: two changes within one tick can leave it
// the same. So a folder is indexed only once it has settled: when its modification time is older
// than the time of the look-up minus a margin (a few ticks; two seconds for file systems that keep
// whole milliseconds or coarser), every later change stamps it anew. A folder that keeps changing
// is searched at each look-up, as without an index. A name an index holds is checked with one
// fstatat of its stored name; one that has gone drops the index and the folder is searched again.
//
// Memory is bounded: at most max_folders folders are tracked, their indexes holding at most
// max_names names in all; the folder used least recently goes first, and a folder of more than
// max_names names is searched at each look-up. Not thread-safe: the owner serializes the calls.
#pragma once

#include <sys/types.h>
#include <time.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace cehost {

class FolderIndexes {
 public:
  // The defaults keep a few tens of megabytes at most.
  static constexpr size_t kMaxFolders = 32;
  static constexpr size_t kMaxNames = 250000;

  explicit FolderIndexes(size_t max_folders = kMaxFolders, size_t max_names = kMaxNames);

  // The stored name of the entry of the held folder (any descriptor of it, O_PATH will do) that
  // equals name without regard to case; false when the folder holds none or cannot be read.
  bool Find(int folder, std::u16string_view name, std::string* stored);

  // How many folders are indexed now.
  size_t folders() const { return indexes_.size(); }
  // How many names the indexes hold in all.
  size_t names() const { return names_; }

 private:
  // What tells one state of a folder from another.
  struct Stamp {
    dev_t device = 0;
    ino_t inode = 0;
    struct timespec modified = {};
    off_t size = 0;
    bool SameFolder(const Stamp& other) const;
    bool operator==(const Stamp& other) const;
  };
  // A folder searched once in its state (names empty), or indexed.
  struct Index {
    Stamp stamp;
    bool indexed = false;
    // Holds more names than an index may: searched in every state.
    bool oversize = false;
    uint64_t last_use = 0;
    // Folded name to stored name; of names that fold alike, the first one the folder lists.
    std::unordered_map<std::u16string, std::string> names;
  };

  // Reads the folder into an index in place of what was kept of it (or, when it holds too many
  // names, searches it and remembers that); true when it holds folded, its stored name then in
  // stored.
  bool Build(int folder, const Stamp& stamp, const std::u16string& folded, std::string* stored);
  // Searches the folder up to the entry that folds to folded; true when there is one, its stored
  // name then in stored.
  bool Search(int folder, const std::u16string& folded, std::string* stored);
  // Keeps only the folder's state, in place of what was kept of it.
  void Remember(const Stamp& stamp, bool oversize);
  // Forgets what was kept of the folder.
  void Drop(const Stamp& stamp);
  // Keeps index, dropping the least recently used ones until it fits.
  void Keep(Index index);

  size_t max_folders_;
  size_t max_names_;
  size_t names_ = 0;
  uint64_t uses_ = 0;
  std::vector<Index> indexes_;
};

}  // namespace cehost
