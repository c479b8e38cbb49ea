// The default handset: a Razud M8 with a SIM of operator 46000 and the settings and files of a
// handset in use (each different from what the settings resets restore), made from the data
// files of sim/default-handset (registry.reg, fs/, handset.toml).
#pragma once

#include <filesystem>
#include <stdexcept>

#include "sim/handset_config.h"

namespace sim {

// A handset home that cannot be made; the message names the home or the data file at fault.
class HandsetInitError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The folder of the default handset's data: $M8_DEFAULT_HANDSET_DATA when set, else the one
// this build was made from.
std::filesystem::path DefaultHandsetData();

// True when the home holds a handset, made by m8sim or by a program of the library: it has
// registry.db, fs/, handset.toml or journal.jsonl.
bool HoldsHandset(const std::filesystem::path& home);

// Makes home (created when missing) the default handset: fs/ (without the ".keep"
// files that hold empty folders in the repository), handset.toml, and a registry.db with
// registry.reg imported. Refuses, with HandsetInitError, a home that already holds a handset or
// is not a folder. The handset is made in a folder beside the home and put in place whole, under
// a lock that every process making or first using a handset takes; a failure midway leaves the
// home as it was. Leaves no handset current.
void InitHandset(const std::filesystem::path& home);

// Makes the default handset in home as InitHandset does, unless the home holds a handset
// already or another process makes one there meanwhile: then that one is left to be used. True
// when this call made it. Throws HandsetInitError for a home that is not a folder or a handset
// that cannot be made.
bool EnsureHandset(const std::filesystem::path& home);

}  // namespace sim
