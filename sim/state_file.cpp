#include "sim/state_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>

#include "sim/file_replace.h"

namespace sim {

namespace {

std::filesystem::path LockPath(const std::filesystem::path& home) {
  return home / "state.lock";
}

// The lock every writer of a home's state file holds: an exclusive flock on home/state.lock,
// which is never replaced (the state file itself is, by each write); it also keeps the count of
// writes. flock conflicts between two opens of the file in one process too, so threads are kept
// apart as well as processes.
class StateLock {
 public:
  explicit StateLock(const std::filesystem::path& home) {
    fd_ = open(LockPath(home).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) return;
    while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
  ~StateLock() {
    if (fd_ >= 0) close(fd_);
  }
  StateLock(const StateLock&) = delete;
  StateLock& operator=(const StateLock&) = delete;

  bool held() const { return fd_ >= 0; }
  int fd() const { return fd_; }

 private:
  int fd_ = -1;
};

// The whole file as an object; an empty one when it is missing or not a JSON object.
nlohmann::json ReadObject(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return nlohmann::json::object();
  nlohmann::json object = nlohmann::json::parse(in, nullptr, /*allow_exceptions=*/false);
  return object.is_object() ? object : nlohmann::json::object();
}

// The count of writes kept in the lock file; 0 while it has none.
uint64_t WritesIn(int fd) {
  uint64_t writes = 0;
  if (pread(fd, &writes, sizeof writes, 0) != static_cast<ssize_t>(sizeof writes)) return 0;
  return writes;
}

// Raises the count of writes; called by the lock's holder.
void CountWrite(int fd) {
  uint64_t writes = WritesIn(fd) + 1;
  if (pwrite(fd, &writes, sizeof writes, 0) != static_cast<ssize_t>(sizeof writes)) {
    // A count that cannot be kept leaves the file's own identity and time to tell the change.
  }
}

// The files this process read or wrote last, with the version they had, so that a read of an
// unchanged file costs two system calls rather than a parse.
class ReadCache {
 public:
  // The file's object as read or written at that version, or null.
  std::shared_ptr<const nlohmann::json> Find(const std::string& path,
                                             const StateFile::Version& version) {
    std::lock_guard lock(mutex_);
    auto found = entries_.find(path);
    if (found == entries_.end() || !(found->second.version == version)) return nullptr;
    return found->second.object;
  }
  void Keep(const std::string& path, const StateFile::Version& version, nlohmann::json object) {
    auto kept = std::make_shared<const nlohmann::json>(std::move(object));
    std::lock_guard lock(mutex_);
    if (entries_.size() >= kEntries && !entries_.count(path)) entries_.clear();
    entries_[path] = {version, std::move(kept)};
  }

 private:
  static constexpr size_t kEntries = 16;
  struct Entry {
    StateFile::Version version;
    std::shared_ptr<const nlohmann::json> object;
  };
  std::mutex mutex_;
  std::map<std::string, Entry> entries_;
};

ReadCache& Cache() {
  static ReadCache cache;
  return cache;
}

}  // namespace

StateFile::StateFile(std::filesystem::path home)
    : home_(std::move(home)), path_(home_ / "state.json") {}

StateFile::Version StateFile::CurrentVersion() const {
  Version version;
  int fd = open(LockPath(home_).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    version.writes = WritesIn(fd);
    close(fd);
  }
  // The count is read before the file, so a write between the two makes the version older
  // than the content, never the other way round.
  struct stat status;
  if (stat(path_.c_str(), &status) == 0) {
    version.inode = status.st_ino;
    version.modified_ns =
        static_cast<int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    version.size = status.st_size;
  }
  return version;
}

nlohmann::json StateFile::Read(std::string_view section, Version* read) const {
  Version version = CurrentVersion();
  if (read) *read = version;
  std::shared_ptr<const nlohmann::json> object = Cache().Find(path_.string(), version);
  if (!object) {
    nlohmann::json fresh = ReadObject(path_);
    auto found = fresh.find(section);
    nlohmann::json value = found == fresh.end() ? nlohmann::json() : *found;
    Cache().Keep(path_.string(), version, std::move(fresh));
    return value;
  }
  auto found = object->find(section);
  return found == object->end() ? nlohmann::json() : *found;
}

bool StateFile::Update(std::string_view section, const std::function<void(nlohmann::json&)>& change,
                       Version* written) const {
  StateLock lock(home_);
  if (!lock.held()) return false;
  std::shared_ptr<const nlohmann::json> cached = Cache().Find(path_.string(), CurrentVersion());
  nlohmann::json object = cached ? *cached : ReadObject(path_);
  std::string name(section);
  nlohmann::json value = object.contains(name) ? object[name] : nlohmann::json();
  change(value);
  if (value.is_null())
    object.erase(name);
  else
    object[name] = std::move(value);
  if (!ReplaceFileContents(
          path_, object.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n"))
    return false;
  CountWrite(lock.fd());
  Version after = CurrentVersion();
  Cache().Keep(path_.string(), after, std::move(object));
  if (written) *written = after;
  return true;
}

bool StateFile::Clear() const {
  StateLock lock(home_);
  std::error_code ec;
  std::filesystem::remove(path_, ec);
  if (ec) return false;
  if (lock.held()) CountWrite(lock.fd());
  return true;
}

}  // namespace sim
