// The handset's network interfaces, as its drivers and the modem leave them.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "cehost/network.h"

namespace cehost {

class NetworkTable {
 public:
  // Adds the interface, or replaces the one with its index in its place.
  void Set(const NetworkInterface& interface);
  // Removes the interface with the index; false when there is none.
  bool Remove(uint32_t index);
  // Installs the source under the name, or removes the name's source when it is empty.
  void SetSource(std::string_view name, NetworkSource source);
  // A copy of the interfaces in the order they came up: the order of the IP helper's unsorted
  // tables. A replaced interface keeps its place. The sources' interfaces follow, asked for now,
  // those whose index is taken left out.
  std::vector<NetworkInterface> AsAdded() const;

 private:
  mutable std::mutex mutex_;
  std::vector<NetworkInterface> interfaces_;
  std::map<std::string, NetworkSource, std::less<>> sources_;
};

}  // namespace cehost
