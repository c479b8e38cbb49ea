#include "sim/handset_setup.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "sim/default_handset.h"
#include "sim/handset.h"
#include "sim/home_lock.h"
#include "sim/regfile/reg_file.h"

namespace sim {

namespace {

namespace fs = std::filesystem;

// The parts of a handset made aside, in the order they are moved into an existing home: the
// registry's write-ahead log before the database that needs it, the folder of files last.
constexpr const char* kParts[] = {"registry.db-wal", "registry.db-shm", "registry.db",
                                  "handset.toml", "fs"};

std::vector<uint8_t> ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw HandsetInitError("cannot read " + file.string());
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Copies the tree, leaving out the ".keep" files.
void CopyTree(const fs::path& from, const fs::path& to) {
  fs::create_directories(to);
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(from)) {
    fs::path target = to / fs::relative(entry.path(), from);
    if (entry.is_directory())
      fs::create_directories(target);
    else if (entry.path().filename() != ".keep")
      fs::copy_file(entry.path(), target);
  }
}

// Makes a new folder of a name not taken, beginning with the prefix; mkdir rather than mkdtemp,
// so that it gets the permissions a folder made by the user gets (the home becomes it).
fs::path MakeNewFolder(const fs::path& parent, const std::string& prefix) {
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path folder = parent / (prefix + std::to_string(random() % 1000000000));
    if (mkdir(folder.c_str(), 0777) == 0) return folder;
    if (errno != EEXIST) throw std::system_error(errno, std::generic_category(), folder.string());
  }
  throw std::system_error(EEXIST, std::generic_category(), (parent / prefix).string());
}

// Renames without replacing anything at the target; false with errno set when it cannot.
bool RenameNoReplace(const fs::path& from, const fs::path& to) {
  return renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0;
}

}  // namespace

HandsetSetup::HandsetSetup(fs::path home) : home_(std::move(home)) {
  fs::path data = DefaultHandsetData();
  for (const char* name : {"registry.reg", "handset.toml", "fs"})
    if (!fs::exists(data / name))
      throw HandsetInitError("the default handset data " + data.string() + " has no " + name);
  if (fs::exists(home_) && !fs::is_directory(home_))
    throw HandsetInitError("cannot make a handset at " + home_.string() + ": not a folder");
}

HandsetSetup::~HandsetSetup() {
  Discard();
}

void HandsetSetup::Discard() {
  if (aside_.empty()) return;
  std::error_code ec;
  fs::remove_all(aside_, ec);
  aside_.clear();
}

void HandsetSetup::MakeAside() {
  fs::path data = DefaultHandsetData();
  std::vector<uint8_t> registry = ReadBytes(data / "registry.reg");
  fs::path named = home_.has_filename() ? home_ : home_.parent_path();
  try {
    fs::create_directories(HomeParent(home_));
    aside_ = MakeNewFolder(HomeParent(home_), "." + named.filename().string() + ".making-");
    CopyTree(data / "fs", aside_ / "fs");
    fs::copy_file(data / "handset.toml", aside_ / "handset.toml");
    Handset handset(Handset::Options{aside_, false});
    ImportRegistry(registry);
  } catch (const std::exception& e) {
    Discard();
    throw HandsetInitError("cannot make a handset at " + home_.string() + ": " + e.what());
  }
}

HandsetSetup::Result HandsetSetup::PutInPlace() {
  // A home that does not exist yet becomes the whole handset at once; one made meanwhile by
  // another process makes the rename fail and is left as it is.
  if (!fs::exists(home_) && RenameNoReplace(aside_, home_)) {
    aside_.clear();
    return Result::kPlaced;
  }
  if (HoldsHandset(home_)) {
    Discard();
    return Result::kHomeHoldsOne;
  }
  if (!MoveParts()) {
    int error = errno;
    Discard();
    throw HandsetInitError("cannot put a handset in " + home_.string() + ": " +
                           std::strerror(error));
  }
  Discard();
  return Result::kPlaced;
}

bool HandsetSetup::MoveParts() {
  std::vector<const char*> moved;
  for (const char* part : kParts) {
    if (!fs::exists(aside_ / part)) continue;
    if (!RenameNoReplace(aside_ / part, home_ / part)) {
      int error = errno;
      // What was moved goes back, so the home is left as it was.
      for (const char* back : moved) RenameNoReplace(home_ / back, aside_ / back);
      errno = error;
      return false;
    }
    moved.push_back(part);
  }
  return true;
}

}  // namespace sim
