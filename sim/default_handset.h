// The default handset: a freshly flashed Razud M8 with a SIM of operator 46000, made from the
// data files of sim/default-handset (registry.reg, fs/, handset.toml).
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

// Makes home (created when missing) a freshly flashed default handset: copies fs/ (without the
// ".keep" files that hold empty folders in the repository) and handset.toml, and imports
// registry.reg into a new registry.db. Refuses, with HandsetInitError, a home that already holds
// a handset (registry.db, fs/, handset.toml or journal.jsonl) or is not a folder; a failure
// midway takes away what was made. Leaves no handset current.
void InitHandset(const std::filesystem::path& home);

}  // namespace sim
