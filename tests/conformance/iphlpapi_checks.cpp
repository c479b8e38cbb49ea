// The IP helper's size protocols: GetIfTable, GetIpForwardTable and GetAdaptersInfo. The library
// asks each for its size with no buffer, allocates that much and asks again; it relies on the
// "too small" code of each call (ERROR_INSUFFICIENT_BUFFER for the tables, ERROR_BUFFER_OVERFLOW
// for the adapters), on the size being reported with it whether the buffer is missing or short,
// on nothing being written into a short buffer, on the reported size being enough, on the
// loopback being a row of the interface table but no adapter, and on bOrder sorting the
// interface rows by index.
#include <string>
#include <vector>

#include "check.h"
#include "rows.h"

#ifdef _WIN32
#include <iphlpapi.h>
#else
#include "ce/iphlpapi.h"
#include "cehost/network.h"
#endif

namespace {

// On cehost, a fresh handset has the loopback alone: two Ethernet adapters with addresses and
// routes join it, the higher index first, so that the tables are out of index order unless
// sorted. On Wine the machine's own adapters are there already.
void BringUpAdapters() {
#ifndef _WIN32
  for (uint32_t index : {9u, 5u}) {
    cehost::NetworkInterface adapter;
    adapter.index = index;
    adapter.type = MIB_IF_TYPE_ETHERNET;
    adapter.description = "Conformance Ethernet " + std::to_string(index);
    adapter.adapter_name = "ETH" + std::to_string(index);
    adapter.address = "10.0.0." + std::to_string(index);
    adapter.mask = "255.255.255.0";
    adapter.gateway = "10.0.0.1";
    cehost::SetNetworkInterface(adapter);
  }
#endif
}

using conformance::Guarded;

// One of the three calls, made with a buffer (or none) and a size (or none).
struct SizedCall {
  const char* what;
  DWORD too_small;  // the code of a missing or short buffer
  DWORD (*call)(void* buffer, ULONG* size);
};

DWORD IfTable(void* buffer, ULONG* size) {
  return GetIfTable(static_cast<PMIB_IFTABLE>(buffer), size, FALSE);
}

DWORD ForwardTable(void* buffer, ULONG* size) {
  return GetIpForwardTable(static_cast<PMIB_IPFORWARDTABLE>(buffer), size, FALSE);
}

DWORD AdaptersInfo(void* buffer, ULONG* size) {
  return GetAdaptersInfo(static_cast<PIP_ADAPTER_INFO>(buffer), size);
}

const SizedCall kSizedCalls[] = {
    {"GetIfTable", ERROR_INSUFFICIENT_BUFFER, &IfTable},
    {"GetIpForwardTable", ERROR_INSUFFICIENT_BUFFER, &ForwardTable},
    {"GetAdaptersInfo", ERROR_BUFFER_OVERFLOW, &AdaptersInfo},
};

// A missing buffer and a buffer one byte short both answer the call's "too small" code with the
// size needed, and the short buffer is left as it was; that size is then enough. A null size
// pointer is ERROR_INVALID_PARAMETER.
CHECK_CASE(iphlpapi, size_protocols_report_the_size_needed) {
  BringUpAdapters();
  for (const SizedCall& row : kSizedCalls) {
    ULONG needed = 0;
    DWORD asked = row.call(nullptr, &needed);
    if (asked == ERROR_NO_DATA) {
      // Only a machine with no IPv4 adapter or route at all answers this.
      conformance::SkipOnWine("the machine running Wine has no network adapter or route");
    }
    EXPECT_ROW(row.what, asked, row.too_small);
    EXPECT_ROW_TRUE(row.what, needed > 4);

    ULONG size = needed;
    EXPECT_ROW(std::string(row.what) + " null buffer with a size", row.call(nullptr, &size),
               row.too_small);
    EXPECT_ROW(std::string(row.what) + " null buffer with a size", size, needed);

    Guarded short_buffer(needed - 1);
    std::vector<uint8_t> before(short_buffer.data(), short_buffer.data() + needed - 1);
    size = needed - 1;
    EXPECT_ROW(std::string(row.what) + " short buffer", row.call(short_buffer.data(), &size),
               row.too_small);
    EXPECT_ROW(std::string(row.what) + " short buffer", size, needed);
    EXPECT_ROW_TRUE(row.what, short_buffer.Intact());
    EXPECT_ROW_TRUE(row.what, std::vector<uint8_t>(short_buffer.data(),
                                                   short_buffer.data() + needed - 1) == before);

    Guarded buffer(needed);
    size = needed;
    EXPECT_ROW(std::string(row.what) + " buffer of the size", row.call(buffer.data(), &size),
               DWORD{NO_ERROR});
    EXPECT_ROW_TRUE(row.what, buffer.Intact());

    EXPECT_ROW(std::string(row.what) + " null size", row.call(buffer.data(), nullptr),
               DWORD{ERROR_INVALID_PARAMETER});
  }
}

// The tables hold their count and that many rows in the size they asked for.
CHECK_CASE(iphlpapi, tables_hold_their_rows_in_the_size_reported) {
  BringUpAdapters();
  ULONG size = 0;
  EXPECT_SAME(GetIfTable(nullptr, &size, FALSE), DWORD{ERROR_INSUFFICIENT_BUFFER});
  std::vector<uint8_t> interfaces(size);
  auto* if_table = reinterpret_cast<PMIB_IFTABLE>(interfaces.data());
  EXPECT_SAME(GetIfTable(if_table, &size, FALSE), DWORD{NO_ERROR});
  EXPECT_TRUE_(if_table->dwNumEntries >= 1);
  EXPECT_TRUE_(4 + if_table->dwNumEntries * sizeof(MIB_IFROW) <= interfaces.size());

  size = 0;
  DWORD asked = GetIpForwardTable(nullptr, &size, FALSE);
  if (asked == ERROR_NO_DATA) conformance::SkipOnWine("the machine running Wine has no route");
  EXPECT_SAME(asked, DWORD{ERROR_INSUFFICIENT_BUFFER});
  std::vector<uint8_t> routes(size);
  auto* forward_table = reinterpret_cast<PMIB_IPFORWARDTABLE>(routes.data());
  EXPECT_SAME(GetIpForwardTable(forward_table, &size, FALSE), DWORD{NO_ERROR});
  EXPECT_TRUE_(forward_table->dwNumEntries >= 1);
  EXPECT_TRUE_(4 + forward_table->dwNumEntries * sizeof(MIB_IPFORWARDROW) <= routes.size());
}

// The interface table lists the loopback; the adapter list does not, and its records are linked
// through Next inside the caller's buffer. With bOrder the interface rows come by index.
CHECK_CASE(iphlpapi, loopback_is_an_interface_but_no_adapter) {
  BringUpAdapters();
  ULONG size = 0;
  GetIfTable(nullptr, &size, TRUE);
  std::vector<uint8_t> interfaces(size);
  auto* table = reinterpret_cast<PMIB_IFTABLE>(interfaces.data());
  EXPECT_SAME(GetIfTable(table, &size, TRUE), DWORD{NO_ERROR});
  int loopbacks = 0;
  for (DWORD i = 0; i < table->dwNumEntries; ++i) {
    if (table->table[i].dwType == MIB_IF_TYPE_LOOPBACK) ++loopbacks;
    if (i > 0) EXPECT_TRUE_(table->table[i - 1].dwIndex < table->table[i].dwIndex);
  }
  EXPECT_SAME(loopbacks, 1);

  size = 0;
  if (GetAdaptersInfo(nullptr, &size) == ERROR_NO_DATA) {
    conformance::SkipOnWine("the machine running Wine has no network adapter");
  }
  std::vector<uint8_t> adapters(size);
  auto* first = reinterpret_cast<PIP_ADAPTER_INFO>(adapters.data());
  EXPECT_SAME(GetAdaptersInfo(first, &size), DWORD{ERROR_SUCCESS});
  int count = 0;
  const uint8_t* begin = adapters.data();
  const uint8_t* end = begin + adapters.size();
  for (const IP_ADAPTER_INFO* adapter = first; adapter && count < 64; adapter = adapter->Next) {
    const auto* at = reinterpret_cast<const uint8_t*>(adapter);
    if (!EXPECT_TRUE_(at >= begin && at + sizeof *adapter <= end)) break;
    EXPECT_TRUE_(adapter->Type != MIB_IF_TYPE_LOOPBACK);
    ++count;
  }
  EXPECT_TRUE_(count >= 1);
}

}  // namespace
