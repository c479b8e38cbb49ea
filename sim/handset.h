// A simulated handset: a handset home with its registry, file system and journal, made current
// for the process while the object lives.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cehost/journal.h"
#include "sim/bluetooth.h"
#include "sim/modem/modem.h"
#include "sim/phone.h"

namespace sim {

struct HandsetConfig;

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
  // are as that file says (HandsetConfigError when it cannot be read).
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
  // Makes this handset current again (after another was made current).
  void MakeCurrent();
  // The journal of the platform calls made while this handset is current.
  cehost::Journal& journal() const;
  // The telephony the phone adapter reports.
  Phone& phone() { return phone_; }
  // The modem behind "Hayes COM9:".
  Modem& modem() { return *modem_; }
  // The Bluetooth its control-panel applet serves.
  Bluetooth& bluetooth() { return bluetooth_; }

 private:
  // Puts the handset's programs and their modules in place.
  void InstallPrograms();

  std::filesystem::path home_;
  bool temporary_ = false;
  bool registry_in_memory_ = false;
  Phone phone_;
  std::shared_ptr<Modem> modem_ = std::make_shared<Modem>(phone_);
  Bluetooth bluetooth_;
  // The home's handset.toml, put on the handset again each time it is made current.
  std::shared_ptr<const HandsetConfig> config_;
};

}  // namespace sim
