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

void NetworkTable::SetSource(std::string_view name, NetworkSource source) {
  std::lock_guard lock(mutex_);
  if (source)
    sources_[std::string(name)] = std::move(source);
  else if (auto found = sources_.find(name); found != sources_.end())
    sources_.erase(found);
}

std::vector<NetworkInterface> NetworkTable::AsAdded() const {
  std::vector<NetworkInterface> interfaces;
  std::vector<NetworkSource> sources;
  {
    std::lock_guard lock(mutex_);
    interfaces = interfaces_;
    for (const auto& [name, source] : sources_) sources.push_back(source);
  }
  // The sources are asked without the lock: they may read state kept outside the process.
  for (const NetworkSource& source : sources) {
    for (NetworkInterface& link : source()) {
      bool taken = std::any_of(interfaces.begin(), interfaces.end(),
                               [&](const NetworkInterface& i) { return i.index == link.index; });
      if (!taken) interfaces.push_back(std::move(link));
    }
  }
  return interfaces;
}

}  // namespace cehost
