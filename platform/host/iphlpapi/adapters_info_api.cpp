// GetAdaptersInfo over the current handset's network interfaces: one record for every interface
// but the loopback, in the order they came up, laid out one after another in the caller's
// buffer with each Next pointing at the following record.
//
// Each adapter has its one address in IpAddressList (Context = the interface index) and its
// gateway, or "0.0.0.0", in GatewayList; DHCP and WINS are off and their lists empty;
// CurrentIpAddress is null. The physical address is the interface table's.
#include <cstring>
#include <vector>

#include "ce/iphlpapi.h"
#include "handset/handset_state.h"
#include "iphlpapi/ip_address.h"
#include "iphlpapi/network_table.h"
#include "iphlpapi/remote_network.h"

namespace cehost {
namespace {

void FillAddress(IP_ADDR_STRING& entry, const std::string& address, const std::string& mask,
                 DWORD context) {
  entry.Next = nullptr;
  CopyText(entry.IpAddress, sizeof entry.IpAddress, address);
  CopyText(entry.IpMask, sizeof entry.IpMask, mask);
  entry.Context = context;
}

void FillAdapter(IP_ADAPTER_INFO& record, const NetworkInterface& interface) {
  std::memset(&record, 0, sizeof record);
  record.ComboIndex = interface.index;
  CopyText(record.AdapterName, sizeof record.AdapterName, interface.adapter_name);
  CopyText(record.Description, sizeof record.Description, interface.description);
  record.AddressLength = 6;
  BYTE address[6] = {
      0x02, 0, 0, 0, static_cast<BYTE>(interface.index >> 8), static_cast<BYTE>(interface.index)};
  std::memcpy(record.Address, address, sizeof address);
  record.Index = interface.index;
  record.Type = interface.type;
  FillAddress(record.IpAddressList, interface.address, interface.mask, interface.index);
  FillAddress(record.GatewayList, interface.gateway, "255.255.255.255", 0);
}

}  // namespace
}  // namespace cehost

extern "C" DWORD GetAdaptersInfo(PIP_ADAPTER_INFO pAdapterInfo, PULONG pOutBufLen) {
  if (!pOutBufLen) return ERROR_INVALID_PARAMETER;
  std::vector<cehost::NetworkInterface> adapters;
  for (const auto& interface : cehost::HandsetInterfaces()) {
    if (interface.type != MIB_IF_TYPE_LOOPBACK) adapters.push_back(interface);
  }
  if (adapters.empty()) return ERROR_NO_DATA;
  ULONG needed = static_cast<ULONG>(adapters.size() * sizeof(IP_ADAPTER_INFO));
  if (!pAdapterInfo || *pOutBufLen < needed) {
    *pOutBufLen = needed;
    return ERROR_BUFFER_OVERFLOW;
  }
  for (size_t i = 0; i < adapters.size(); ++i) {
    cehost::FillAdapter(pAdapterInfo[i], adapters[i]);
    pAdapterInfo[i].Next = i + 1 < adapters.size() ? &pAdapterInfo[i + 1] : nullptr;
  }
  return ERROR_SUCCESS;
}
