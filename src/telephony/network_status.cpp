#include "telephony/network_status.h"

#include <cstring>
#include <initializer_list>

#include "ce/kernel.h"
#include "ce/registry.h"
#include "ce/text.h"
#include "frame/platform_info.h"
#include "frame/record_memory.h"
#include "frame/registry_value.h"

namespace {

// The header and room for 31 rows: a second request is needed only with more interfaces.
constexpr ULONG kFirstInterfaceTableSize = 26664;
static_assert(kFirstInterfaceTableSize == offsetof(MIB_IFTABLE, table) + 31 * sizeof(MIB_IFROW));

// The description of an interface row as a terminated string, even when it fills bDescr.
struct Description {
  char text[MAXLEN_IFDESCR + 1];
};

Description DescriptionOf(const MIB_IFROW& row) {
  Description description;
  std::memcpy(description.text, row.bDescr, MAXLEN_IFDESCR);
  description.text[MAXLEN_IFDESCR] = 0;
  return description;
}

// Walks every interface row: a row of a type other than 1 whose description contains one of the
// texts is a match; each match is traced, with the route row at the same position when there is
// one, and handed to on_match. True when any row matched.
template <typename OnMatch>
bool WalkMatchingInterfaces(const MIB_IFTABLE* interfaces, const MIB_IPFORWARDTABLE* routes,
                            std::initializer_list<const char*> texts, OnMatch on_match) {
  if (!interfaces) return false;
  bool matched = false;
  for (DWORD i = 0; i < interfaces->dwNumEntries; ++i) {
    const MIB_IFROW& row = interfaces->table[i];
    if (row.dwType == MIB_IF_TYPE_OTHER) continue;
    Description description = DescriptionOf(row);
    bool contains = false;
    for (const char* text : texts) contains = contains || std::strstr(description.text, text);
    if (!contains) continue;
    matched = true;
    NKDbgPrintfW(u"Corvanta::QueryNetworkStatus..network name=%hs,index=%d\r\n", description.text,
                 row.dwType);
    if (routes && i < routes->dwNumEntries) {
      NKDbgPrintfW(u"Corvanta::QueryNetworkStatus.dwHighestMetric.=%d,index=%d\r\n",
                   routes->table[i].dwForwardMetric1, routes->table[i].dwForwardIfIndex);
    }
    on_match();
  }
  return matched;
}

// The proxy setting of the last successful dial.
DWORD GprsStatus() {
  DWORD proxy = 0;
  bool read = ReadRegistryDword(HKEY_LOCAL_MACHINE, u"DialParameter", u"GprsIsProxy", &proxy);
  return read && proxy == 1 ? kGprsWithProxy : kGprsWithoutProxy;
}

// The network kinds by priority, once both tables are read.
DWORD StatusOf(const MIB_IFTABLE* interfaces, const MIB_IPFORWARDTABLE* routes) {
  if (IsHaveWifiConnnect(interfaces, routes)) return kWifi;
  if (IsHaveUsbConnect(interfaces, routes)) return kUsb;
  if (IsHaveGprsConnect(interfaces, routes)) return GprsStatus();
  return kNoNetwork;
}

void TraceAdapterFailure() {
  NKDbgPrintfW(u"Error onnection status: %d", GetLastError());
}

}  // namespace

DWORD GetNetworkStatus() {
  ULONG size = 0;
  DWORD result = GetIpForwardTable(nullptr, &size, FALSE);
  if (result != ERROR_INSUFFICIENT_BUFFER && result != ERROR_BUFFER_OVERFLOW) {
    NKDbgPrintfW(u"Corvanta::QueryNetWorkStatus::GetIpForwardTable error\r\n");
    return kNoNetwork;
  }
  RecordPtr<MIB_IPFORWARDTABLE> routes = AllocateRecord<MIB_IPFORWARDTABLE>(size);
  if (!routes) {
    NKDbgPrintfW(u"Corvanta::QueryNetWorkStatus::malloc error\r\n");
    return kNoNetwork;
  }
  if (GetIpForwardTable(routes.get(), &size, FALSE) != NO_ERROR) {
    NKDbgPrintfW(u"Corvanta::QueryNetWorkStatus::GetIpForwardTable error\r\n");
    return kNoNetwork;
  }
  RecordPtr<MIB_IFTABLE> interfaces(GetInterfaceTable(FALSE));
  if (!interfaces) {
    NKDbgPrintfW(u"Corvanta::QueryNetWorkStatus::myGetIfTable error\r\n");
    return kNoNetwork;
  }
  DWORD status = kNoNetwork;
  if (routes->dwNumEntries <= 1) {
    // Only the loopback's route: no network card is up.
    NKDbgPrintfW(u"Corvanta::QueryNetWorkStatus::Check netcard is existing or not\r\n");
  } else {
    status = StatusOf(interfaces.get(), routes.get());
    NKDbgPrintfW(u"Corvanta::QueryNetworkStatus...state=%d\r\n", status);
  }
  return status;
}

MIB_IFTABLE* GetInterfaceTable(BOOL sorted) {
  ULONG size = kFirstInterfaceTableSize;
  RecordPtr<MIB_IFTABLE> table = AllocateRecord<MIB_IFTABLE>(size);
  // Without the first buffer the call still reports the size needed.
  if (GetIfTable(table.get(), &size, sorted) == NO_ERROR) return table.release();
  table = AllocateRecord<MIB_IFTABLE>(size);
  if (table && GetIfTable(table.get(), &size, sorted) == NO_ERROR) return table.release();
  return nullptr;
}

bool IsHaveWifiConnnect(const MIB_IFTABLE* interfaces, const MIB_IPFORWARDTABLE* routes) {
  // The adapter is the one of this hardware's chip, whichever chip's interface matched.
  LPCWSTR adapter = GetHardwareVersionNumber() == 1 ? u"SWLD24SP1" : u"SDIO86881";
  bool connected = false;
  WalkMatchingInterfaces(interfaces, routes, {"SWLD24SP1", "SDIO86881"},
                         [&] { connected = GetAdapterConnectStatus(adapter); });
  return connected;
}

bool IsHaveUsbConnect(const MIB_IFTABLE* interfaces, const MIB_IPFORWARDTABLE* routes) {
  return WalkMatchingInterfaces(interfaces, routes, {"USB"}, [] {});
}

bool IsHaveGprsConnect(const MIB_IFTABLE* interfaces, const MIB_IPFORWARDTABLE* routes) {
  return WalkMatchingInterfaces(interfaces, routes, {"Hayes COM9:"}, [] {});
}

bool GetAdapterConnectStatus(LPCWSTR adapter_name) {
  ULONG size = 0;
  if (GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW) {
    TraceAdapterFailure();
    return false;
  }
  RecordPtr<IP_ADAPTER_INFO> adapters = AllocateRecord<IP_ADAPTER_INFO>(size);
  if (!adapters || GetAdaptersInfo(adapters.get(), &size) != ERROR_SUCCESS) {
    TraceAdapterFailure();
    return false;
  }
  bool connected = false;
  for (const IP_ADAPTER_INFO* adapter = adapters.get(); adapter && adapter_name;
       adapter = adapter->Next) {
    // Adapter names are ASCII; each byte becomes one UTF-16 character.
    WCHAR name[sizeof adapter->AdapterName + 1] = {};
    for (size_t i = 0; i < sizeof adapter->AdapterName && adapter->AdapterName[i]; ++i) {
      name[i] = static_cast<unsigned char>(adapter->AdapterName[i]);
    }
    if (wcscmp(name, adapter_name) != 0) continue;
    connected = std::strncmp(adapter->IpAddressList.IpAddress, "0.0.0.0",
                             sizeof adapter->IpAddressList.IpAddress) != 0;
    break;
  }
  return connected;
}
