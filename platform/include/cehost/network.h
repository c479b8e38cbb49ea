// The handset's network interfaces, as the IP helper reports them: sim's programs (the Wi-Fi and
// USB drivers, the modem while a dial-up connection is up) add and remove them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace cehost {

struct NetworkInterface {
  // Interface index, unique on the handset.
  uint32_t index = 0;
  // MIB_IF_TYPE_*: 1 other, 6 Ethernet, 23 PPP, 24 loopback.
  uint32_t type = 1;
  // The 8-bit description of the interface table ("Hayes COM9:" for the modem's link).
  std::string description;
  // The 8-bit adapter name of the adapter list ("SWLD24SP1" for one Wi-Fi chip).
  std::string adapter_name;
  // Dotted IPv4 texts; "0.0.0.0" while the interface has no address.
  std::string address = "0.0.0.0";
  std::string mask = "0.0.0.0";
  std::string gateway = "0.0.0.0";
  // Whether the interface contributes a row to the route table, and that row's metric.
  bool has_route = true;
  uint32_t metric = 1;
  // Traffic counters of the interface row.
  uint32_t in_octets = 0;
  uint32_t out_octets = 0;
};

// Adds the interface to the current handset, replacing one with the same index.
void SetNetworkInterface(const NetworkInterface& interface);

// Removes the interface with that index from the current handset; false when there is none.
bool RemoveNetworkInterface(uint32_t index);

// Interfaces that a program reports afresh each time the handset's interfaces are listed, instead
// of leaving them in the table: links whose state lives outside the process, such as a dial-up
// link that another process on the handset may bring up or take down.
using NetworkSource = std::function<std::vector<NetworkInterface>()>;

// Puts the source on the current handset under the name, replacing one of that name; an empty
// source removes it. An interface of a source whose index the table already has is left out.
void InstallNetworkSource(std::string_view name, NetworkSource source);

// The current handset's interfaces, its sources' included, in index order.
std::vector<NetworkInterface> NetworkInterfaces();

}  // namespace cehost
