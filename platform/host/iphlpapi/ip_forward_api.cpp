// GetIpForwardTable over the current handset's network interfaces.
//
// The handset's routes are made from its interfaces, one row for each interface that has a route
// (NetworkInterface::has_route), in the order the interfaces came up:
// - an interface with a gateway gives the default route (0.0.0.0/0.0.0.0 through the gateway,
//   indirect, set by network management);
// - any other gives a host route to its own address (address/255.255.255.255, direct, local):
//   for the loopback, 127.0.0.1.
// The row's interface index and first metric are the interface's; the other metrics are unused.
#include <algorithm>
#include <cstring>
#include <tuple>
#include <vector>

#include "ce/iphlpapi.h"
#include "handset/handset_state.h"
#include "iphlpapi/ip_address.h"
#include "iphlpapi/network_table.h"
#include "iphlpapi/remote_network.h"

namespace cehost {
namespace {

constexpr DWORD kUnusedMetric = 0xFFFFFFFF;

MIB_IPFORWARDROW RouteOf(const NetworkInterface& interface) {
  MIB_IPFORWARDROW row{};
  DWORD gateway = IpAddressValue(interface.gateway);
  DWORD address = IpAddressValue(interface.address);
  if (gateway != 0) {
    row.dwForwardDest = 0;
    row.dwForwardMask = 0;
    row.dwForwardNextHop = gateway;
    row.dwForwardType = MIB_IPROUTE_TYPE_INDIRECT;
    row.dwForwardProto = MIB_IPPROTO_NETMGMT;
  } else {
    row.dwForwardDest = address;
    row.dwForwardMask = 0xFFFFFFFF;
    row.dwForwardNextHop = address;
    row.dwForwardType = MIB_IPROUTE_TYPE_DIRECT;
    row.dwForwardProto = MIB_IPPROTO_LOCAL;
  }
  row.dwForwardIfIndex = interface.index;
  row.dwForwardMetric1 = interface.metric;
  row.dwForwardMetric2 = kUnusedMetric;
  row.dwForwardMetric3 = kUnusedMetric;
  row.dwForwardMetric4 = kUnusedMetric;
  row.dwForwardMetric5 = kUnusedMetric;
  return row;
}

// Destination, protocol, policy and next hop, addresses compared by value.
bool RouteBefore(const MIB_IPFORWARDROW& a, const MIB_IPFORWARDROW& b) {
  return std::make_tuple(IpHostOrder(a.dwForwardDest), a.dwForwardProto, a.dwForwardPolicy,
                         IpHostOrder(a.dwForwardNextHop)) <
         std::make_tuple(IpHostOrder(b.dwForwardDest), b.dwForwardProto, b.dwForwardPolicy,
                         IpHostOrder(b.dwForwardNextHop));
}

}  // namespace
}  // namespace cehost

extern "C" DWORD GetIpForwardTable(PMIB_IPFORWARDTABLE pIpForwardTable, PULONG pdwSize,
                                   BOOL bOrder) {
  if (!pdwSize) return ERROR_INVALID_PARAMETER;
  std::vector<MIB_IPFORWARDROW> rows;
  for (const auto& interface : cehost::HandsetInterfaces()) {
    if (interface.has_route) rows.push_back(cehost::RouteOf(interface));
  }
  if (rows.empty()) return ERROR_NO_DATA;
  ULONG needed = static_cast<ULONG>(offsetof(MIB_IPFORWARDTABLE, table) +
                                    rows.size() * sizeof(MIB_IPFORWARDROW));
  if (!pIpForwardTable || *pdwSize < needed) {
    *pdwSize = needed;
    return ERROR_INSUFFICIENT_BUFFER;
  }
  if (bOrder) std::stable_sort(rows.begin(), rows.end(), cehost::RouteBefore);
  pIpForwardTable->dwNumEntries = static_cast<DWORD>(rows.size());
  std::memcpy(pIpForwardTable->table, rows.data(), rows.size() * sizeof(MIB_IPFORWARDROW));
  return NO_ERROR;
}
