// GetIfTable over the current handset's network interfaces: every interface, loopback included,
// in the order they came up unless sorted by index.
//
// What a row carries beyond the interface's own fields is this host's choice: the name is the
// adapter name; the loopback has no physical address, any other interface a locally administered
// one made from its index (02-00-00-00-hi-lo); every interface is administratively up, and
// operational while it has an address (the loopback always), otherwise disconnected; the MTU is
// 1500 and the speed 10 Mbit/s. dwDescrLen counts the description's bytes without the
// terminator (whether the platform counts it is unsure).
#include <algorithm>
#include <cstring>
#include <vector>

#include "ce/iphlpapi.h"
#include "handset/handset_state.h"
#include "iphlpapi/ip_address.h"
#include "iphlpapi/network_table.h"
#include "iphlpapi/remote_network.h"

namespace cehost {
namespace {

constexpr DWORD kMtu = 1500;
constexpr DWORD kSpeed = 10000000;

MIB_IFROW RowOf(const NetworkInterface& interface) {
  MIB_IFROW row{};
  size_t name_length = std::min(interface.adapter_name.size(), size_t{MAX_INTERFACE_NAME_LEN - 1});
  for (size_t i = 0; i < name_length; ++i) {
    row.wszName[i] = static_cast<unsigned char>(interface.adapter_name[i]);
  }
  row.dwIndex = interface.index;
  row.dwType = interface.type;
  row.dwMtu = kMtu;
  row.dwSpeed = kSpeed;
  bool loopback = interface.type == MIB_IF_TYPE_LOOPBACK;
  if (!loopback) {
    row.dwPhysAddrLen = 6;
    BYTE address[6] = {
        0x02, 0, 0, 0, static_cast<BYTE>(interface.index >> 8), static_cast<BYTE>(interface.index)};
    std::memcpy(row.bPhysAddr, address, sizeof address);
  }
  row.dwAdminStatus = MIB_IF_ADMIN_STATUS_UP;
  bool addressed = loopback || IpAddressValue(interface.address) != 0;
  row.dwOperStatus = addressed ? MIB_IF_OPER_STATUS_OPERATIONAL : MIB_IF_OPER_STATUS_DISCONNECTED;
  row.dwInOctets = interface.in_octets;
  row.dwOutOctets = interface.out_octets;
  CopyText(reinterpret_cast<char*>(row.bDescr), sizeof row.bDescr, interface.description);
  row.dwDescrLen = static_cast<DWORD>(std::strlen(reinterpret_cast<const char*>(row.bDescr)));
  return row;
}

}  // namespace
}  // namespace cehost

extern "C" DWORD GetIfTable(PMIB_IFTABLE pIfTable, PULONG pdwSize, BOOL bOrder) {
  if (!pdwSize) return ERROR_INVALID_PARAMETER;
  std::vector<cehost::NetworkInterface> interfaces = cehost::HandsetInterfaces();
  ULONG needed =
      static_cast<ULONG>(offsetof(MIB_IFTABLE, table) + interfaces.size() * sizeof(MIB_IFROW));
  if (!pIfTable || *pdwSize < needed) {
    *pdwSize = needed;
    return ERROR_INSUFFICIENT_BUFFER;
  }
  if (bOrder) {
    std::stable_sort(interfaces.begin(), interfaces.end(),
                     [](const auto& a, const auto& b) { return a.index < b.index; });
  }
  pIfTable->dwNumEntries = static_cast<DWORD>(interfaces.size());
  MIB_IFROW* rows = pIfTable->table;
  for (const auto& interface : interfaces) *rows++ = cehost::RowOf(interface);
  return NO_ERROR;
}
