#include "telephony/network_status.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "ce/kernel.h"
#include "ce/registry.h"
#include "ce/text.h"
#include "frame/registry_value.h"
#include "settings/platform_info.h"

namespace {

constexpr DWORD kNoNetwork = 1;
constexpr DWORD kWifi = 2;
constexpr DWORD kUsb = 3;
constexpr DWORD kGprsWithProxy = 4;
constexpr DWORD kGprsWithoutProxy = 5;

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
// one, and handed to on_match. TRUE when any row matched.
template <typename OnMatch>
BOOL WalkMatchingInterfaces(const MIB_IFTABLE* interfaces, const MIB_IPFORWARDTABLE* routes,
                            std::initializer_list<const char*> texts, OnMatch on_match) {
  if (!interfaces) return FALSE;
  BOOL matched = FALSE;
  for (DWORD i = 0; i < interfaces->dwNumEntries; ++i) {
    const MIB_IFROW& row = interfaces->table[i];
    if (row.dwType == MIB_IF_TYPE_OTHER) continue;
    Description description = DescriptionOf(row);
    bool contains = false;
    for (const char* text : texts) contains = contains || std::strstr(description.text, text);
    if (!contains) continue;
    matched = TRUE;
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
  BOOL read = ReadRegistryDword(HKEY_LOCAL_MACHINE, u"DialParameter", u"GprsIsProxy", &proxy);
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
  auto* routes = static_cast<MIB_IPFORWARDTABLE*>(std::malloc(size));
  if (!routes) {
    NKDbgPrintfW(u"Corvanta::QueryNetWorkStatus::malloc error\r\n");
    return kNoNetwork;
  }
  if (GetIpForwardTable(routes, &size, FALSE) != NO_ERROR) {
    NKDbgPrintfW(u"Corvanta::QueryNetWorkStatus::GetIpForwardTable error\r\n");
    std::free(routes);
    return kNoNetwork;
  }
  MIB_IFTABLE* interfaces = GetInterfaceTable(FALSE);
  if (!interfaces) {
    NKDbgPrintfW(u"Corvanta::QueryNetWorkStatus::myGetIfTable error\r\n");
    std::free(routes);
    return kNoNetwork;
  }
  DWORD status = kNoNetwork;
  if (routes->dwNumEntries <= 1) {
    // Only the loopback's route: no network card is up.
    NKDbgPrintfW(u"Corvanta::QueryNetWorkStatus::Check netcard is existing or not\r\n");
  } else {
    status = StatusOf(interfaces, routes);
    NKDbgPrintfW(u"Corvanta::QueryNetworkStatus...state=%d\r\n", status);
  }
  std::free(interfaces);
  std::free(routes);
  return status;
}

MIB_IFTABLE* GetInterfaceTable(BOOL sorted) {
  ULONG size = kFirstInterfaceTableSize;
  auto* table = static_cast<MIB_IFTABLE*>(std::malloc(size));
  // Without the first buffer the call still reports the size needed.
  if (GetIfTable(table, &size, sorted) == NO_ERROR) return table;
  std::free(table);
  table = static_cast<MIB_IFTABLE*>(std::malloc(size));
  if (table && GetIfTable(table, &size, sorted) == NO_ERROR) return table;
  std::free(table);
  return nullptr;
}

BOOL IsHaveWifiConnnect(const MIB_IFTABLE* interfaces, const MIB_IPFORWARDTABLE* routes) {
  // The adapter is the one of this hardware's chip, whichever chip's interface matched.
  LPCWSTR adapter = GetHardwareVersionNumber() == 1 ? u"SWLD24SP1" : u"SDIO86881";
  BOOL connected = FALSE;
  WalkMatchingInterfaces(interfaces, routes, {"SWLD24SP1", "SDIO86881"},
                         [&] { connected = GetAdapterConnectStatus(adapter); });
  return connected;
}

BOOL IsHaveUsbConnect(const MIB_IFTABLE* interfaces, const MIB_IPFORWARDTABLE* routes) {
  return WalkMatchingInterfaces(interfaces, routes, {"USB"}, [] {});
}

BOOL IsHaveGprsConnect(const MIB_IFTABLE* interfaces, const MIB_IPFORWARDTABLE* routes) {
  return WalkMatchingInterfaces(interfaces, routes, {"Hayes COM9:"}, [] {});
}

BOOL GetAdapterConnectStatus(LPCWSTR adapter_name) {
  ULONG size = 0;
  if (GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW) {
    TraceAdapterFailure();
    return FALSE;
  }
  auto* adapters = static_cast<IP_ADAPTER_INFO*>(std::malloc(size));
  if (!adapters || GetAdaptersInfo(adapters, &size) != ERROR_SUCCESS) {
    std::free(adapters);
    TraceAdapterFailure();
    return FALSE;
  }
  BOOL connected = FALSE;
  for (const IP_ADAPTER_INFO* adapter = adapters; adapter && adapter_name;
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
  std::free(adapters);
  return connected;
}
