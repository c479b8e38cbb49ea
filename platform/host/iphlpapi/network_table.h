// The handset's network interfaces, as its drivers and the modem leave them.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "cehost/network.h"

namespace cehost {

class NetworkTable {
 public:
  // Adds the interface, or replaces the one with its index in its place.
  void Set(const NetworkInterface& interface);
  // Removes the interface with the index; false when there is none.
  bool Remove(uint32_t index);
  // A copy of the interfaces in the order they came up: the order of the IP helper's unsorted
  // tables. A replaced interface keeps its place.
  std::vector<NetworkInterface> AsAdded() const;

 private:
  mutable std::mutex mutex_;
  std::vector<NetworkInterface> interfaces_;
};

}  // namespace cehost
