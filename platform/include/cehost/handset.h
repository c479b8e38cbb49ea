// The current handset: the handset home whose registry, files and journal the platform calls use.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "ce/types.h"
#include "cehost/journal.h"

namespace cehost {

// A handset home that cannot be used (a malformed or locked registry.db, a home that cannot be
// made); the message names the file.
class HandsetError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct MountOptions {
  // The handset home; made when missing, with its fs/ folder.
  std::filesystem::path home;
  // Keep the registry in memory instead of registry.db (it is lost when the handset goes).
  bool registry_in_memory = false;
  // How long a registry call waits for another process that holds registry.db, in milliseconds.
  int registry_busy_timeout_ms = 2000;
  // Share the running handset of the home through its server (started when none runs), as an
  // application does, instead of running the handset's shared objects in this process.
  bool attach = false;
};

// Makes the handset at options.home current for the whole process, replacing any other; throws
// HandsetError when its home or registry cannot be used. The default handset, mounted by the
// first platform call when none is current, is attached to its home's server.
void MountHandset(const MountOptions& options);

// Lets go of the current handset; the next platform call mounts the default one again.
void UnmountHandset();

// The home that the default handset lives in: $M8_HANDSET, else ./handset.
std::filesystem::path DefaultHandsetHome();

// The current handset's home, mounting the default handset when none is current.
std::filesystem::path CurrentHome();

// The current handset's journal, mounting the default handset when none is current.
Journal& CurrentJournal();

// Waits until every thread that CreateThread started on the current handset has ended; false
// when milliseconds pass first.
bool WaitForThreads(uint32_t milliseconds);

// Pins the current handset's local time to the given value (GetLocalTime then always returns
// it); null lets the handset's clock follow the host's again.
void PinLocalTime(const SYSTEMTIME* time);

}  // namespace cehost
