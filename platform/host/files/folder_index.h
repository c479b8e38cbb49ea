// Names of folders by their case-folded spelling, so that a name given in another case than the
// stored one is found without reading the whole folder each time.
//
// An index of a folder holds, for every entry, its folded name and its stored name. It is made the
// first time a name in the folder is looked up in another case than its stored one (folders only
// ever looked up as spelled are never indexed), and made again when the folder's identity
// (st_dev, st_ino), modification time (to the nanosecond) or size has changed since, so that
// changes made by other processes, or directly on the host, are seen.
//
// A folder's modification time comes from a coarse clock: two changes within one tick can leave it
// the same. An index made while the folder's modification time was not older than the time of the
// making minus a margin (a few ticks; two seconds for file systems that keep whole milliseconds or
// coarser) is racy: a name it does not hold is looked for in the folder again, which makes it anew.
// A name any index holds is checked with one fstatat of its stored name; one that has gone is
// looked for in the folder again too.
//
// Memory is bounded: at most max_folders folders are indexed, holding at most max_names names in
// all; the folder used least recently goes first, and a folder of more than max_names names is
// read at each look-up, as without an index. Not thread-safe: the owner serializes the calls.
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
  struct Index {
    Stamp stamp;
    // Made late enough after the folder's last change for a name it lacks to be missing.
    bool trusted = false;
    uint64_t last_use = 0;
    // Folded name to stored name; of names that fold alike, the first one the folder lists.
    std::unordered_map<std::u16string, std::string> names;
  };

  // Reads the folder into a new index of it in place of any older one, unless it is too big to
  // keep; its answer for folded goes to stored either way. False when the folder cannot be read.
  bool Rebuild(int folder, const Stamp& stamp, const struct timespec& started,
               const std::u16string& folded, std::string* stored, bool* found);
  // Drops the least recently used indexes until room is left for one more of names names.
  void MakeRoom(size_t names);

  size_t max_folders_;
  size_t max_names_;
  size_t names_ = 0;
  uint64_t uses_ = 0;
  std::vector<Index> indexes_;
};

}  // namespace cehost
