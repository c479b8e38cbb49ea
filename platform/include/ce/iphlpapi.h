// The IP helper, "iphlpapi.dll": the IPv4 route table, the interface table and the adapter list
// of the handset's network interfaces. Each call returns its error code; none sets the thread's
// last error.
#pragma once

#include <ctime>

#include "ce/errors.h"
#include "ce/types.h"

#define MAX_INTERFACE_NAME_LEN 256
#define MAXLEN_PHYSADDR 8
#define MAXLEN_IFDESCR 256
#define MAX_ADAPTER_NAME_LENGTH 256
#define MAX_ADAPTER_DESCRIPTION_LENGTH 128
#define MAX_ADAPTER_ADDRESS_LENGTH 8

// Interface types (MIB_IFROW dwType, IP_ADAPTER_INFO Type).
#define MIB_IF_TYPE_OTHER 1
#define MIB_IF_TYPE_ETHERNET 6
#define MIB_IF_TYPE_TOKENRING 9
#define MIB_IF_TYPE_FDDI 15
#define MIB_IF_TYPE_PPP 23
#define MIB_IF_TYPE_LOOPBACK 24
#define MIB_IF_TYPE_SLIP 28

// Administrative and operational states of an interface row.
#define MIB_IF_ADMIN_STATUS_UP 1
#define MIB_IF_ADMIN_STATUS_DOWN 2
#define MIB_IF_ADMIN_STATUS_TESTING 3
#define MIB_IF_OPER_STATUS_NON_OPERATIONAL 0
#define MIB_IF_OPER_STATUS_UNREACHABLE 1
#define MIB_IF_OPER_STATUS_DISCONNECTED 2
#define MIB_IF_OPER_STATUS_CONNECTING 3
#define MIB_IF_OPER_STATUS_CONNECTED 4
#define MIB_IF_OPER_STATUS_OPERATIONAL 5

// Route types (dwForwardType).
#define MIB_IPROUTE_TYPE_OTHER 1
#define MIB_IPROUTE_TYPE_INVALID 2
#define MIB_IPROUTE_TYPE_DIRECT 3
#define MIB_IPROUTE_TYPE_INDIRECT 4

// Route origins (dwForwardProto).
#define MIB_IPPROTO_OTHER 1
#define MIB_IPPROTO_LOCAL 2
#define MIB_IPPROTO_NETMGMT 3

// One route. Addresses are in network byte order; a destination of 0.0.0.0 is the default route.
// Metrics of -1 are unused.
typedef struct _MIB_IPFORWARDROW {
  DWORD dwForwardDest;
  DWORD dwForwardMask;
  DWORD dwForwardPolicy;
  DWORD dwForwardNextHop;
  DWORD dwForwardIfIndex;
  DWORD dwForwardType;
  DWORD dwForwardProto;
  DWORD dwForwardAge;
  DWORD dwForwardNextHopAS;
  DWORD dwForwardMetric1;
  DWORD dwForwardMetric2;
  DWORD dwForwardMetric3;
  DWORD dwForwardMetric4;
  DWORD dwForwardMetric5;
} MIB_IPFORWARDROW, *PMIB_IPFORWARDROW;
static_assert(sizeof(MIB_IPFORWARDROW) == 56);

// The route table: dwNumEntries rows follow the count.
typedef struct _MIB_IPFORWARDTABLE {
  DWORD dwNumEntries;
  MIB_IPFORWARDROW table[1];
} MIB_IPFORWARDTABLE, *PMIB_IPFORWARDTABLE;
static_assert(sizeof(MIB_IPFORWARDTABLE) == 60);

// One interface. bDescr is 8-bit text; dwDescrLen is its length in bytes.
typedef struct _MIB_IFROW {
  WCHAR wszName[MAX_INTERFACE_NAME_LEN];
  DWORD dwIndex;
  DWORD dwType;
  DWORD dwMtu;
  DWORD dwSpeed;
  DWORD dwPhysAddrLen;
  BYTE bPhysAddr[MAXLEN_PHYSADDR];
  DWORD dwAdminStatus;
  DWORD dwOperStatus;
  DWORD dwLastChange;
  DWORD dwInOctets;
  DWORD dwInUcastPkts;
  DWORD dwInNUcastPkts;
  DWORD dwInDiscards;
  DWORD dwInErrors;
  DWORD dwInUnknownProtos;
  DWORD dwOutOctets;
  DWORD dwOutUcastPkts;
  DWORD dwOutNUcastPkts;
  DWORD dwOutDiscards;
  DWORD dwOutErrors;
  DWORD dwOutQLen;
  DWORD dwDescrLen;
  BYTE bDescr[MAXLEN_IFDESCR];
} MIB_IFROW, *PMIB_IFROW;
static_assert(sizeof(MIB_IFROW) == 860);
static_assert(offsetof(MIB_IFROW, dwType) == 516);
static_assert(offsetof(MIB_IFROW, bDescr) == 604);

// The interface table: dwNumEntries rows follow the count.
typedef struct _MIB_IFTABLE {
  DWORD dwNumEntries;
  MIB_IFROW table[1];
} MIB_IFTABLE, *PMIB_IFTABLE;
static_assert(sizeof(MIB_IFTABLE) == 864);

// One IPv4 address of an adapter as dotted text, with its mask; Next links further addresses.
typedef struct _IP_ADDR_STRING {
  struct _IP_ADDR_STRING* Next;
  char IpAddress[16];
  char IpMask[16];
  DWORD Context;
} IP_ADDR_STRING, *PIP_ADDR_STRING;
static_assert(sizeof(IP_ADDR_STRING) == (sizeof(void*) == 8 ? 48 : 40));

// One adapter of the adapter list; Next links the following one, in the same buffer.
typedef struct _IP_ADAPTER_INFO {
  struct _IP_ADAPTER_INFO* Next;
  DWORD ComboIndex;
  char AdapterName[MAX_ADAPTER_NAME_LENGTH + 4];
  char Description[MAX_ADAPTER_DESCRIPTION_LENGTH + 4];
  UINT AddressLength;
  BYTE Address[MAX_ADAPTER_ADDRESS_LENGTH];
  DWORD Index;
  UINT Type;
  UINT DhcpEnabled;
  PIP_ADDR_STRING CurrentIpAddress;
  IP_ADDR_STRING IpAddressList;
  IP_ADDR_STRING GatewayList;
  IP_ADDR_STRING DhcpServer;
  BOOL HaveWins;
  IP_ADDR_STRING PrimaryWinsServer;
  IP_ADDR_STRING SecondaryWinsServer;
  time_t LeaseObtained;
  time_t LeaseExpires;
} IP_ADAPTER_INFO, *PIP_ADAPTER_INFO;
// 640 bytes on the handset; pointers and time_t are 8 bytes on a 64-bit host.
static_assert(sizeof(IP_ADAPTER_INFO) == (sizeof(void*) == 8 ? 704 : 640));

extern "C" {

// Fills the route table: NO_ERROR; ERROR_INSUFFICIENT_BUFFER with the needed size in *pdwSize
// when the buffer is null or smaller; ERROR_INVALID_PARAMETER for a null pdwSize; ERROR_NO_DATA
// when there is no route. bOrder sorts by destination, protocol, policy and next hop.
DWORD GetIpForwardTable(PMIB_IPFORWARDTABLE pIpForwardTable, PULONG pdwSize, BOOL bOrder);

// Fills the interface table, loopback included: NO_ERROR; ERROR_INSUFFICIENT_BUFFER with the
// needed size in *pdwSize when the buffer is null or smaller; ERROR_INVALID_PARAMETER for a null
// pdwSize. bOrder sorts by interface index.
DWORD GetIfTable(PMIB_IFTABLE pIfTable, PULONG pdwSize, BOOL bOrder);

// Fills the list of IPv4 adapters (loopback not listed), each record's Next pointing into the
// same buffer: ERROR_SUCCESS; ERROR_BUFFER_OVERFLOW with the needed size in *pOutBufLen when the
// buffer is null or smaller; ERROR_INVALID_PARAMETER for a null pOutBufLen; ERROR_NO_DATA when
// there is no adapter.
DWORD GetAdaptersInfo(PIP_ADAPTER_INFO pAdapterInfo, PULONG pOutBufLen);

}  // extern "C"
