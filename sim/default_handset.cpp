#include "sim/default_handset.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "sim/handset.h"
#include "sim/reg_file.h"

namespace sim {

namespace {

namespace fs = std::filesystem;

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

// Takes away what InitHandset made in the home, and the home itself when it made that too.
void Undo(const fs::path& home, bool made_home) {
  std::error_code ec;
  if (made_home) {
    fs::remove_all(home, ec);
    return;
  }
  fs::remove_all(home / "fs", ec);
  fs::remove(home / "handset.toml", ec);
  for (const char* name :
       {"registry.db", "registry.db-journal", "registry.db-wal", "registry.db-shm"})
    fs::remove(home / name, ec);
}

}  // namespace

fs::path DefaultHandsetData() {
  if (const char* data = std::getenv("M8_DEFAULT_HANDSET_DATA"); data && *data) return data;
  return M8_DEFAULT_HANDSET_DATA_DIR;
}

void InitHandset(const fs::path& home) {
  fs::path data = DefaultHandsetData();
  for (const char* name : {"registry.reg", "handset.toml", "fs"})
    if (!fs::exists(data / name))
      throw HandsetInitError("the default handset data " + data.string() + " has no " + name);
  if (fs::exists(home) && !fs::is_directory(home))
    throw HandsetInitError("cannot make a handset at " + home.string() + ": not a folder");
  for (const char* name : {"registry.db", "fs", "handset.toml", "journal.jsonl"})
    if (fs::exists(home / name))
      throw HandsetInitError(home.string() + " already holds a handset (it has " + name + ")");
  std::vector<uint8_t> registry = ReadBytes(data / "registry.reg");
  bool made_home = !fs::exists(home);
  try {
    fs::create_directories(home);
    CopyTree(data / "fs", home / "fs");
    fs::copy_file(data / "handset.toml", home / "handset.toml");
    Handset handset(Handset::Options{home, false});
    ImportRegistry(registry);
  } catch (const std::exception& e) {
    Undo(home, made_home);
    throw HandsetInitError("cannot make a handset at " + home.string() + ": " + e.what());
  }
}

}  // namespace sim
