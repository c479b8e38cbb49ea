#include "iphlpapi/network_table.h"

#include <algorithm>

namespace cehost {

void NetworkTable::Set(const NetworkInterface& interface) {
  std::lock_guard lock(mutex_);
  for (NetworkInterface& present : interfaces_) {
    if (present.index == interface.index) {
      present = interface;
      return;
    }
  }
  interfaces_.push_back(interface);
}

bool NetworkTable::Remove(uint32_t index) {
  std::lock_guard lock(mutex_);
  auto found = std::find_if(interfaces_.begin(), interfaces_.end(),
                            [index](const NetworkInterface& i) { return i.index == index; });
  if (found == interfaces_.end()) return false;
  interfaces_.erase(found);
  return true;
}

std::vector<NetworkInterface> NetworkTable::AsAdded() const {
  std::lock_guard lock(mutex_);
  return interfaces_;
}

}  // namespace cehost
