// The current handset's network interfaces, as sim's drivers and modem script them.
#include <algorithm>

#include "cehost/network.h"
#include "handset/handset_state.h"
#include "iphlpapi/network_table.h"

namespace cehost {

void SetNetworkInterface(const NetworkInterface& interface) {
  NetworkTable& table = Current().network;
  std::lock_guard lock(table.mutex);
  for (NetworkInterface& present : table.interfaces) {
    if (present.index == interface.index) {
      present = interface;
      return;
    }
  }
  table.interfaces.push_back(interface);
}

bool RemoveNetworkInterface(uint32_t index) {
  NetworkTable& table = Current().network;
  std::lock_guard lock(table.mutex);
  auto found = std::find_if(table.interfaces.begin(), table.interfaces.end(),
                            [index](const NetworkInterface& i) { return i.index == index; });
  if (found == table.interfaces.end()) return false;
  table.interfaces.erase(found);
  return true;
}

std::vector<NetworkInterface> InterfacesAsAdded() {
  NetworkTable& table = Current().network;
  std::lock_guard lock(table.mutex);
  return table.interfaces;
}

std::vector<NetworkInterface> NetworkInterfaces() {
  std::vector<NetworkInterface> interfaces = InterfacesAsAdded();
  std::sort(interfaces.begin(), interfaces.end(),
            [](const NetworkInterface& a, const NetworkInterface& b) { return a.index < b.index; });
  return interfaces;
}

}  // namespace cehost
