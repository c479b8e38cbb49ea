// state.json in a handset home: what the simulated hardware and programs hold in memory between
// two runs of a program on the handset (the shell's subscriptions and lock, a backlight level,
// a connection that is up). One JSON object with a section per program. Only sim writes it,
// never by hand: each change is a read-modify-write under a lock that every process on the home
// takes, and the new file is written beside it and exchanged with it, so a reader through
// StateFile sees the old file or the new one and no writer loses another's section.
//
// Programs that several processes use at once follow the file rather than their memory: they
// compare its version with the one they last loaded or wrote, and load their section again when
// it differs.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace sim {

class StateFile {
 public:
  // What tells one content of the file from another: the write count kept beside it, which
  // every write through StateFile raises, and the file's identity, time and size, which any
  // other change of the file moves.
  struct Version {
    uint64_t writes = 0;
    ino_t inode = 0;
    int64_t modified_ns = 0;
    int64_t size = -1;
    bool operator==(const Version&) const = default;
  };

  // The state file of the handset home.
  explicit StateFile(std::filesystem::path home);

  // The file: home/state.json.
  const std::filesystem::path& path() const { return path_; }
  // The named section, or null when the file, or the section in it, is missing; a file that is
  // not a JSON object counts as missing.
  // version, when given, receives the version of the content read.
  nlohmann::json Read(std::string_view section, Version* version = nullptr) const;
  // Every section: the file's object, empty when the file is missing or not an object.
  nlohmann::json ReadAll(Version* version = nullptr) const;
  // The file's version now; equal versions mean the same content.
  Version CurrentVersion() const;
  // Changes one section: change gets the section as the file holds it (null when missing) and
  // may change it, or make it null to remove it; the file is then written back whole. The other
  // sections stay as the file holds them at that moment. False when the file cannot be written
  // (the file is left as it was). written, when given, receives the version of the file written.
  bool Update(std::string_view section, const std::function<void(nlohmann::json&)>& change,
              Version* written = nullptr) const;
  // Forgets everything: removes the file. False when it exists and cannot be removed.
  bool Clear() const;

 private:
  std::shared_ptr<const nlohmann::json> ReadWhole(Version* version) const;

  std::filesystem::path home_;
  std::filesystem::path path_;
};

}  // namespace sim
