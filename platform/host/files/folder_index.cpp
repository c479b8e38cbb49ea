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

// How long after a folder's last change an index of it is trusted: changes within that time may
// have left its modification time as it was. Linux stamps folders from a clock that ticks every
// 1 to 10 ms; a stamp in whole milliseconds (or coarser) points to a file system that keeps
// coarser times, up to the two seconds of FAT.
int64_t RacyMargin(const struct timespec& modified) {
  return modified.tv_nsec % 1000000 == 0 ? 2 * kNanoseconds : kNanoseconds / 20;
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
  auto index = std::find_if(indexes_.begin(), indexes_.end(),
                            [&](const Index& each) { return each.stamp == stamp; });
  if (index != indexes_.end()) {
    index->last_use = ++uses_;
    auto hit = index->names.find(folded);
    if (hit != index->names.end()) {
      struct stat entry;
      if (fstatat(folder, hit->second.c_str(), &entry, AT_SYMLINK_NOFOLLOW) == 0) {
        *stored = hit->second;
        return true;
      }
    } else if (index->trusted) {
      return false;
    }
  }
  bool found = false;
  return Rebuild(folder, stamp, started, folded, stored, &found) && found;
}

bool FolderIndexes::Rebuild(int folder, const Stamp& stamp, const struct timespec& started,
                            const std::u16string& folded, std::string* stored, bool* found) {
  // An index of an earlier state of the folder (or of a folder gone whose number it now has)
  // holds nothing of use.
  auto old = std::find_if(indexes_.begin(), indexes_.end(),
                          [&](const Index& each) { return each.stamp.SameFolder(stamp); });
  if (old != indexes_.end()) {
    names_ -= old->names.size();
    indexes_.erase(old);
  }
  // Read through a fresh descriptor of the held folder, so that what is read is the folder held.
  HostDir dir = OpenFolderEntries(folder, ".");
  if (!dir) return false;
  Index index;
  index.stamp = stamp;
  index.trusted = Nanoseconds(stamp.modified) < Nanoseconds(started) - RacyMargin(stamp.modified);
  while (dirent* entry = readdir(dir.get())) {
    std::string_view candidate(entry->d_name);
    if (candidate == "." || candidate == "..") continue;
    // Of names that fold alike, the first listed is kept, as a scan of the folder finds it.
    index.names.try_emplace(FoldCase(ToUtf16(candidate)), candidate);
  }
  auto hit = index.names.find(folded);
  *found = hit != index.names.end();
  if (*found) *stored = hit->second;
  if (index.names.size() > max_names_ || max_folders_ == 0) return true;
  MakeRoom(index.names.size());
  index.last_use = ++uses_;
  names_ += index.names.size();
  indexes_.push_back(std::move(index));
  return true;
}

void FolderIndexes::MakeRoom(size_t names) {
  while (!indexes_.empty() && (indexes_.size() >= max_folders_ || names_ + names > max_names_)) {
    auto oldest =
        std::min_element(indexes_.begin(), indexes_.end(),
                         [](const Index& a, const Index& b) { return a.last_use < b.last_use; });
    names_ -= oldest->names.size();
    indexes_.erase(oldest);
  }
}

}  // namespace cehost
