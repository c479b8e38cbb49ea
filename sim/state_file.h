// state.json in a handset home: what the simulated hardware and programs hold in memory between
// two runs of a program on the handset (the shell's subscriptions and lock, a backlight level).
// One JSON object with a section per program. Only sim writes it, never by hand: each change is
// a read-modify-write under a lock that every process on the home takes, and the file is
// replaced whole through a temporary file and a rename, so a reader sees the old file or the new
// one and no writer loses another's section.
#pragma once

#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace sim {

class StateFile {
 public:
  // The state file of the handset home.
  explicit StateFile(std::filesystem::path home);

  // The file: home/state.json.
  const std::filesystem::path& path() const { return path_; }
  // The named section, or null when the file, or the section in it, is missing; a file that is
  // not a JSON object counts as missing.
  nlohmann::json Read(std::string_view section) const;
  // Changes one section: change gets the section as the file holds it (null when missing) and
  // may change it, or make it null to remove it; the file is then written back whole. The other
  // sections stay as the file holds them at that moment. False when the file cannot be written
  // (the file is left as it was).
  bool Update(std::string_view section, const std::function<void(nlohmann::json&)>& change) const;
  // Forgets everything: removes the file. False when it exists and cannot be removed.
  bool Clear() const;

 private:
  std::filesystem::path home_;
  std::filesystem::path path_;
};

}  // namespace sim
