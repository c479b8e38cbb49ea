// A simulated handset: a handset home with its registry, file system and journal, and the
// programs it runs, made current for the process while the object lives.
#pragma once

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "cehost/journal.h"
#include "sim/program.h"

namespace sim {

class Handset {
 public:
  struct Options {
    // The handset home; empty makes a fresh temporary one, removed when the handset goes.
    std::filesystem::path home;
    // Keep the registry in memory instead of registry.db.
    bool registry_in_memory = false;
  };

  // A fresh handset in a new temporary home.
  Handset();
  // The handset at options.home; when the home holds a handset.toml, its hardware and programs
  // are as that file says (HandsetConfigError when it cannot be read), else as they come.
  explicit Handset(Options options);
  ~Handset();
  Handset(const Handset&) = delete;
  Handset& operator=(const Handset&) = delete;

  // The handset home.
  const std::filesystem::path& home() const { return home_; }
  // The host folder that holds the handset's "\" tree.
  std::filesystem::path fs_root() const { return home_ / "fs"; }
  // The host path of a CE path, spelled as given (for setting up files in tests and tools);
  // throws std::invalid_argument for a path with "." or ".." names.
  std::filesystem::path HostPath(std::u16string_view ce_path) const;
  // Writes a file of the handset directly, making its folders; not recorded in the journal.
  void PutFile(std::u16string_view ce_path, const std::vector<unsigned char>& bytes) const;
  // Reads a file of the handset directly; empty when it is missing.
  std::vector<unsigned char> ReadFile(std::u16string_view ce_path) const;
  // Makes this handset current again (after another was made current): its programs are put on
  // it again, with the state they keep. The journal starts empty once they are; while a panel
  // serves the home, every later entry is appended to its journal file as well.
  void MakeCurrent();
  // The journal of the platform calls made while this handset is current.
  cehost::Journal& journal() const;

  // The handset's program of the given type (sim::PhoneAdapter, sim::Modem...); throws
  // std::logic_error when it runs none.
  template <class P>
  P& program() {
    for (const auto& candidate : programs_)
      if (auto* found = dynamic_cast<P*>(candidate.get())) return *found;
    throw std::logic_error("the handset runs no such program");
  }

 private:
  std::filesystem::path home_;
  bool temporary_ = false;
  bool registry_in_memory_ = false;
  // The programs it runs, as the home's handset.toml sets them, in the order they are installed.
  std::vector<std::shared_ptr<Program>> programs_;
};

}  // namespace sim
