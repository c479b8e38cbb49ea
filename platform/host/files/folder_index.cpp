// Indexes of folders by case-folded name: see folder_index.h.
#include "files/folder_index.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <utility>

#include "cehost/text.h"
#include "files/host_fd.h"

namespace cehost {

namespace {

constexpr int64_t kNanoseconds = 1000000000;

int64_t Nanoseconds(const struct timespec& time) {
  return static_cast<int64_t>(time.tv_sec) * kNanoseconds + time.tv_nsec;
}

// How long after a folder's last change it counts as settled: changes within that time may have
// left its modification time as it was. Linux stamps folders from a clock that ticks every 1 to
// 10 ms; a stamp in whole milliseconds (or coarser) points to a file system that keeps coarser
// times, up to the two seconds of FAT.
int64_t RacyMargin(const struct timespec& modified) {
  return modified.tv_nsec % 1000000 == 0 ? 2 * kNanoseconds : kNanoseconds / 20;
}

// The folder's entries, read through a fresh descriptor of the held folder, so that what is read
// is the folder held; calls each(stored name, its UTF-16) until it returns false.
template <class Each>
bool ReadFolder(int folder, Each each) {
  HostDir dir = OpenFolderEntries(folder, ".");
  if (!dir) return false;
  while (dirent* entry = readdir(dir.get())) {
    std::string_view name(entry->d_name);
    if (name == "." || name == "..") continue;
    if (!each(name, ToUtf16(name))) break;
  }
  return true;
}

}  // namespace

bool FolderIndexes::Stamp::SameFolder(const Stamp& other) const {
  return device == other.device && inode == other.inode;
}

bool FolderIndexes::Stamp::operator==(const Stamp& other) const {
  return SameFolder(other) && modified.tv_sec == other.modified.tv_sec &&
         modified.tv_nsec == other.modified.tv_nsec && size == other.size;
}

FolderIndexes::FolderIndexes(size_t max_folders, size_t max_names)
    : max_folders_(max_folders), max_names_(max_names) {}

bool FolderIndexes::Find(int folder, std::u16string_view name, std::string* stored) {
  // Taken before the folder's state: any change made after it stamps the folder later than this,
  // less one tick of the coarse clock.
  struct timespec started = {};
  clock_gettime(CLOCK_REALTIME, &started);
  struct stat st;
  if (fstat(folder, &st) != 0) return false;
  Stamp stamp{st.st_dev, st.st_ino, st.st_mtim, st.st_size};
  std::u16string folded = FoldCase(name);
  auto kept = std::find_if(indexes_.begin(), indexes_.end(),
                           [&](const Index& each) { return each.stamp == stamp; });
  if (kept != indexes_.end()) {
    kept->last_use = ++uses_;
    if (kept->indexed) {
      auto hit = kept->names.find(folded);
      if (hit == kept->names.end()) return false;
      struct stat entry;
      if (fstatat(folder, hit->second.c_str(), &entry, AT_SYMLINK_NOFOLLOW) == 0) {
        *stored = hit->second;
        return true;
      }
      // Changed without the folder's state showing it (its time set back): not to be trusted.
      Remember(stamp, false);
    } else if (!kept->oversize &&
               Nanoseconds(stamp.modified) < Nanoseconds(started) - RacyMargin(stamp.modified)) {
      return Build(folder, stamp, folded, stored);
    }
  } else {
    Remember(stamp, false);
  }
  return Search(folder, folded, stored);
}

bool FolderIndexes::Build(int folder, const Stamp& stamp, const std::u16string& folded,
                          std::string* stored) {
  Index index;
  index.stamp = stamp;
  index.indexed = true;
  // Of names that fold alike, the first listed is kept, as a search of the folder finds it.
  bool read = ReadFolder(folder, [&](std::string_view name, std::u16string&& key) {
    for (char16_t& c : key) c = FoldCase(c);
    index.names.try_emplace(std::move(key), name);
    return index.names.size() <= max_names_;
  });
  if (!read) return false;
  if (index.names.size() > max_names_) {
    Remember(stamp, true);
    return Search(folder, folded, stored);
  }
  auto hit = index.names.find(folded);
  bool found = hit != index.names.end();
  if (found) *stored = hit->second;
  Drop(stamp);
  Keep(std::move(index));
  return found;
}

bool FolderIndexes::Search(int folder, const std::u16string& folded, std::string* stored) {
  bool found = false;
  ReadFolder(folder, [&](std::string_view name, const std::u16string& wide) {
    if (!EqualsIgnoreCase(wide, folded)) return true;
    *stored = name;
    found = true;
    return false;
  });
  return found;
}

void FolderIndexes::Remember(const Stamp& stamp, bool oversize) {
  Drop(stamp);
  Index seen;
  seen.stamp = stamp;
  seen.oversize = oversize;
  Keep(std::move(seen));
}

void FolderIndexes::Drop(const Stamp& stamp) {
  auto old = std::find_if(indexes_.begin(), indexes_.end(),
                          [&](const Index& each) { return each.stamp.SameFolder(stamp); });
  if (old == indexes_.end()) return;
  names_ -= old->names.size();
  indexes_.erase(old);
}

void FolderIndexes::Keep(Index index) {
  if (max_folders_ == 0) return;
  while (!indexes_.empty() &&
         (indexes_.size() >= max_folders_ || names_ + index.names.size() > max_names_)) {
    auto oldest =
        std::min_element(indexes_.begin(), indexes_.end(),
                         [](const Index& a, const Index& b) { return a.last_use < b.last_use; });
    names_ -= oldest->names.size();
    indexes_.erase(oldest);
  }
  index.last_use = ++uses_;
  names_ += index.names.size();
  indexes_.push_back(std::move(index));
}

}  // namespace cehost
