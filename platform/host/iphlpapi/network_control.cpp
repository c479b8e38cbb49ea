// The current handset's network interfaces, as sim's drivers and modem script them.
#include <algorithm>

#include "cehost/network.h"
#include "handset/handset_state.h"
#include "iphlpapi/network_table.h"
#include "iphlpapi/remote_network.h"

namespace cehost {

void SetNetworkInterface(const NetworkInterface& interface) {
  Current().network.Set(interface);
}

bool RemoveNetworkInterface(uint32_t index) {
  return Current().network.Remove(index);
}

void InstallNetworkSource(std::string_view name, NetworkSource source) {
  Current().network.SetSource(name, std::move(source));
}

std::vector<NetworkInterface> NetworkInterfaces() {
  std::vector<NetworkInterface> interfaces = HandsetInterfaces();
  std::sort(interfaces.begin(), interfaces.end(),
            [](const NetworkInterface& a, const NetworkInterface& b) { return a.index < b.index; });
  return interfaces;
}

}  // namespace cehost
