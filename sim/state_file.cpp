#include "sim/state_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>

#include "sim/file_replace.h"
#include "sim/state_writes.h"

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

// How often a read starts again when writes keep coming.
constexpr int kReadTries = 64;

// Puts the text in the file's place; called by the lock's holder. The text is written into the
// spare beside the file (state.json.spare, the file before last), which is then exchanged with
// the file: readers see the old file or the new one. Nothing is created, truncated to nothing or
// renamed over an existing file, which are what make a file system write the contents out
// before going on (ext4 does, to save a replaced file from a crash); the file stands for the
// handset's memory, which a crash of the machine may clear as a reboot would. A file system
// that cannot exchange gets a new file renamed over the old one.
bool Replace(const std::filesystem::path& path, const std::string& text) {
  std::string spare = path.string() + ".spare";
  int fd = open(spare.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return ReplaceFileContents(path, text);
  size_t written = 0;
  while (written < text.size()) {
    ssize_t n =
        pwrite(fd, text.data() + written, text.size() - written, static_cast<off_t>(written));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  bool whole = written == text.size() && ftruncate(fd, static_cast<off_t>(text.size())) == 0;
  if (close(fd) != 0) whole = false;
  if (!whole) return ReplaceFileContents(path, text);
  if (renameat2(AT_FDCWD, spare.c_str(), AT_FDCWD, path.c_str(), RENAME_EXCHANGE) == 0) return true;
  if (errno == ENOENT) return std::rename(spare.c_str(), path.c_str()) == 0;
  return ReplaceFileContents(path, text);
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
  void Keep(const std::string& path, const StateFile::Version& version,
            std::shared_ptr<const nlohmann::json> kept) {
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

// Kept for the whole process, as a handset let go of while the process exits still reads.
ReadCache& Cache() {
  static ReadCache* cache = new ReadCache;
  return *cache;
}

}  // namespace

StateFile::StateFile(std::filesystem::path home)
    : home_(std::move(home)), path_(home_ / "state.json") {}

StateFile::Version StateFile::CurrentVersion() const {
  Version version;
  version.writes = StateWrites(home_);
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

std::shared_ptr<const nlohmann::json> StateFile::ReadWhole(Version* read) const {
  Version version = CurrentVersion();
  std::shared_ptr<const nlohmann::json> object = Cache().Find(path_.string(), version);
  if (!object) {
    // The file read may have become the spare and been written again meanwhile (see Replace):
    // a write counted between the version and the end of the read makes it read again.
    nlohmann::json fresh = ReadObject(path_);
    for (int tries = 1; tries < kReadTries && StateWrites(home_) != version.writes; ++tries) {
      version = CurrentVersion();
      fresh = ReadObject(path_);
    }
    object = std::make_shared<const nlohmann::json>(std::move(fresh));
    Cache().Keep(path_.string(), version, object);
  }
  if (read) *read = version;
  return object;
}

nlohmann::json StateFile::Read(std::string_view section, Version* read) const {
  std::shared_ptr<const nlohmann::json> object = ReadWhole(read);
  auto found = object->find(section);
  return found == object->end() ? nlohmann::json() : *found;
}

nlohmann::json StateFile::ReadAll(Version* read) const {
  return *ReadWhole(read);
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
  if (!Replace(path_, object.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n"))
    return false;
  CountStateWrite(home_, lock.fd());
  Version after = CurrentVersion();
  Cache().Keep(path_.string(), after, std::make_shared<const nlohmann::json>(std::move(object)));
  if (written) *written = after;
  return true;
}

bool StateFile::Clear() const {
  StateLock lock(home_);
  std::error_code ec;
  std::filesystem::remove(path_, ec);
  if (ec) return false;
  std::filesystem::remove(path_.string() + ".spare", ec);
  if (lock.held()) CountStateWrite(home_, lock.fd());
  return true;
}

}  // namespace sim
