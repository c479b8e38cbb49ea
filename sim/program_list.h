// The programs every simulated handset runs.
#pragma once

#include <memory>
#include <vector>

#include "sim/program.h"

namespace sim {

// A new set of the handset's programs with their defaults, in the order they are put on a
// handset (the order of handset.toml's tables): a new program is one line in this list.
std::vector<std::shared_ptr<Program>> MakePrograms();

}  // namespace sim
