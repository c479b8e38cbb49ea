#include "sim/state_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <system_error>

#include "sim/file_replace.h"

namespace sim {

namespace {

// The lock every writer of a home's state file holds: an exclusive flock on home/state.lock,
// which is never replaced (the state file itself is, by each write). flock conflicts between
// two opens of the file in one process too, so threads are kept apart as well as processes.
class StateLock {
 public:
  explicit StateLock(const std::filesystem::path& home) {
    fd_ = open((home / "state.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
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

}  // namespace

StateFile::StateFile(std::filesystem::path home)
    : home_(std::move(home)), path_(home_ / "state.json") {}

nlohmann::json StateFile::Read(std::string_view section) const {
  nlohmann::json object = ReadObject(path_);
  auto found = object.find(section);
  return found == object.end() ? nlohmann::json() : *found;
}

bool StateFile::Update(std::string_view section,
                       const std::function<void(nlohmann::json&)>& change) const {
  StateLock lock(home_);
  if (!lock.held()) return false;
  nlohmann::json object = ReadObject(path_);
  std::string name(section);
  nlohmann::json value = object.contains(name) ? object[name] : nlohmann::json();
  change(value);
  if (value.is_null())
    object.erase(name);
  else
    object[name] = std::move(value);
  return ReplaceFileContents(
      path_, object.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
}

bool StateFile::Clear() const {
  StateLock lock(home_);
  std::error_code ec;
  std::filesystem::remove(path_, ec);
  return !ec;
}

}  // namespace sim
