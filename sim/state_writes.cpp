#include "sim/state_writes.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace sim {

namespace {

constexpr size_t kCountSize = sizeof(uint64_t);

// The count in a mapped lock file, read and written whole.
uint64_t Load(void* page) {
  return std::atomic_ref<uint64_t>(*static_cast<uint64_t*>(page)).load(std::memory_order_acquire);
}

// The lock files this process looked at last, mapped, by path; a file found with another
// identity (a home removed and made again) is mapped anew.
class CountMaps {
 public:
  uint64_t Writes(const std::filesystem::path& lock_path) {
    struct stat status;
    if (stat(lock_path.c_str(), &status) != 0 || status.st_size < static_cast<off_t>(kCountSize))
      return 0;
    std::string key = lock_path.string();
    std::lock_guard lock(mutex_);
    auto found = maps_.find(key);
    if (found != maps_.end() && found->second.device == status.st_dev &&
        found->second.inode == status.st_ino)
      return Load(found->second.page);
    void* page = MapCount(lock_path);
    if (!page) return 0;
    if (found != maps_.end()) {
      munmap(found->second.page, kCountSize);
      maps_.erase(found);
    }
    if (maps_.size() >= kMaps) Forget();
    maps_[key] = {status.st_dev, status.st_ino, page};
    return Load(page);
  }

 private:
  static constexpr size_t kMaps = 16;
  struct Mapped {
    dev_t device;
    ino_t inode;
    void* page;
  };

  static void* MapCount(const std::filesystem::path& lock_path) {
    int fd = open(lock_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    void* page = mmap(nullptr, kCountSize, PROT_READ, MAP_SHARED, fd, 0);
    close(fd);
    return page == MAP_FAILED ? nullptr : page;
  }

  void Forget() {
    for (auto& [path, mapped] : maps_) munmap(mapped.page, kCountSize);
    maps_.clear();
  }

  std::mutex mutex_;
  std::map<std::string, Mapped> maps_;
};

// The lock files this process wrote last, mapped for writing, by identity.
class WritableCounts {
 public:
  void Raise(int lock_fd, const std::filesystem::path& lock_path) {
    struct stat status;
    if (fstat(lock_fd, &status) != 0) return;
    if (status.st_size < static_cast<off_t>(kCountSize) && ftruncate(lock_fd, kCountSize) != 0)
      return;
    std::lock_guard lock(mutex_);
    auto key = std::make_pair(status.st_dev, status.st_ino);
    auto found = maps_.find(key);
    if (found == maps_.end()) {
      // Mapped through an open of its own: a mapping keeps its open file alive, and with it a
      // flock taken through that open.
      int fd = open(lock_path.c_str(), O_RDWR | O_CLOEXEC);
      if (fd < 0) return;
      void* page = mmap(nullptr, kCountSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
      close(fd);
      if (page == MAP_FAILED) return;
      if (maps_.size() >= kMaps) Forget();
      found = maps_.emplace(key, page).first;
    }
    std::atomic_ref<uint64_t>(*static_cast<uint64_t*>(found->second))
        .fetch_add(1, std::memory_order_release);
  }

 private:
  static constexpr size_t kMaps = 16;

  void Forget() {
    for (auto& [identity, page] : maps_) munmap(page, kCountSize);
    maps_.clear();
  }

  std::mutex mutex_;
  std::map<std::pair<dev_t, ino_t>, void*> maps_;
};

}  // namespace

uint64_t StateWrites(const std::filesystem::path& home) {
  // Kept for the whole process: a handset let go of as the process exits still reads the count.
  // Neither map is ever unmapped then: the mappings go with the process.
  static CountMaps* maps = new CountMaps;
  return maps->Writes(home / "state.lock");
}

void CountStateWrite(const std::filesystem::path& home, int lock_fd) {
  // Kept for the whole process, as the maps above.
  static WritableCounts* counts = new WritableCounts;
  counts->Raise(lock_fd, home / "state.lock");
}

}  // namespace sim
