// The handset's network interfaces, as its drivers and the modem leave them.
#pragma once

#include <mutex>
#include <vector>

#include "cehost/network.h"

namespace cehost {

struct NetworkTable {
  std::mutex mutex;
  // In the order the interfaces came up: the order of the IP helper's unsorted tables. A
  // replaced interface keeps its place.
  std::vector<NetworkInterface> interfaces;
};

// A copy of the current handset's interfaces in the order they came up.
std::vector<NetworkInterface> InterfacesAsAdded();

}  // namespace cehost
