// The IP helper over the handset's network interfaces: the size protocol of each call, the rows
// made from the interfaces, and their order.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "ce/iphlpapi.h"
#include "cehost/network.h"
#include "handset_fixture.h"

namespace {

cehost::NetworkInterface Interface(uint32_t index, uint32_t type, std::string name,
                                   std::string address, std::string gateway = "0.0.0.0") {
  cehost::NetworkInterface interface;
  interface.index = index;
  interface.type = type;
  interface.description = name + " adapter";
  interface.adapter_name = name;
  interface.address = address;
  interface.mask = "255.255.255.0";
  interface.gateway = gateway;
  interface.metric = index * 10;
  return interface;
}

// 127.0.0.1 as the records hold it: network byte order, its first number in the lowest byte.
constexpr DWORD kLoopbackAddress = 0x0100007F;

// One of the three calls; the size pointer is passed as given.
using SizedCall = std::function<DWORD(void* buffer, ULONG* size)>;
DWORD Routes(void* b, ULONG* s) {
  return GetIpForwardTable(static_cast<MIB_IPFORWARDTABLE*>(b), s, FALSE);
}
DWORD Interfaces(void* b, ULONG* s) {
  return GetIfTable(static_cast<MIB_IFTABLE*>(b), s, FALSE);
}
DWORD Adapters(void* b, ULONG* s) {
  return GetAdaptersInfo(static_cast<IP_ADAPTER_INFO*>(b), s);
}

class IpHelperTest : public HandsetTest {
 protected:
  // The handset's loopback (index 1), then two more, brought up out of index order.
  void SetUp() override {
    HandsetTest::SetUp();
    cehost::SetNetworkInterface(
        Interface(7, MIB_IF_TYPE_ETHERNET, "WLAN1", "192.168.1.20", "192.168.1.1"));
    cehost::SetNetworkInterface(Interface(3, MIB_IF_TYPE_PPP, "PPP1", "10.0.0.5"));
  }
  // Asks for the size, then fills an aligned buffer of it.
  template <typename Record>
  Record* Fetch(const SizedCall& call) {
    ULONG size = 0;
    call(nullptr, &size);
    buffer_.assign(size / sizeof(IP_ADAPTER_INFO) + 1, {});
    EXPECT_EQ(call(buffer_.data(), &size), 0u);
    return reinterpret_cast<Record*>(buffer_.data());
  }
  std::vector<IP_ADAPTER_INFO> buffer_;
};

TEST_F(IpHelperTest, EachCallReportsItsOwnTooSmallCodeAndTheSizeThatThenSucceeds) {
  struct Case {
    const char* call;
    SizedCall run;
    DWORD too_small;
    ULONG needed;
  } cases[] = {
      {"GetIpForwardTable", Routes, 122, 4 + 3 * 56},
      {"GetIfTable", Interfaces, 122, 4 + 3 * 860},
      // The loopback is not an adapter.
      {"GetAdaptersInfo", Adapters, 111, 2 * sizeof(IP_ADAPTER_INFO)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.call);
    // The calls return their result and leave the thread's last error alone.
    SetLastError(1234);
    ULONG size = 0;
    EXPECT_EQ(c.run(nullptr, &size), c.too_small);
    EXPECT_EQ(size, c.needed);
    // A buffer one byte short is refused the same way and left as it was.
    std::vector<unsigned char> storage(c.needed + 8, 0xCC);
    size = c.needed - 1;
    EXPECT_EQ(c.run(storage.data(), &size), c.too_small);
    EXPECT_EQ(size, c.needed);
    EXPECT_EQ(storage[0], 0xCC);
    EXPECT_EQ(c.run(storage.data(), &size), 0u);
    EXPECT_EQ(c.run(storage.data(), nullptr), 87u);
    EXPECT_EQ(GetLastError(), 1234u);
  }
}

TEST_F(IpHelperTest, NoDataWhereThePlatformHasNone) {
  cehost::RemoveNetworkInterface(7);
  cehost::RemoveNetworkInterface(3);
  ULONG size = 0;
  // The loopback alone: a route and an interface, no adapter.
  EXPECT_EQ(Adapters(nullptr, &size), 232u);
  EXPECT_EQ(Routes(nullptr, &size), 122u);
  // An interface without a route adds an adapter but no route.
  auto quiet = Interface(5, MIB_IF_TYPE_ETHERNET, "QUIET", "0.0.0.0");
  quiet.has_route = false;
  cehost::SetNetworkInterface(quiet);
  cehost::RemoveNetworkInterface(1);
  EXPECT_EQ(Adapters(nullptr, &size), 111u);
  EXPECT_EQ(Routes(nullptr, &size), 232u);
  // Without any interface the interface table is empty, not missing.
  cehost::RemoveNetworkInterface(5);
  EXPECT_EQ(Fetch<MIB_IFTABLE>(Interfaces)->dwNumEntries, 0u);
}

TEST_F(IpHelperTest, RoutesAreADefaultRouteThroughAGatewayOrAHostRoute) {
  auto* routes = Fetch<MIB_IPFORWARDTABLE>(Routes);
  ASSERT_EQ(routes->dwNumEntries, 3u);
  struct Expected {
    DWORD index, dest, mask, next_hop, type, proto, metric;
  } expected[] = {
      {1, kLoopbackAddress, 0xFFFFFFFF, kLoopbackAddress, 3, 2, 1},
      {7, 0, 0, 0x0101A8C0, 4, 3, 70},
      {3, 0x0500000A, 0xFFFFFFFF, 0x0500000A, 3, 2, 30},
  };
  for (DWORD i = 0; i < 3; ++i) {
    const MIB_IPFORWARDROW& row = routes->table[i];
    const Expected& e = expected[i];
    EXPECT_EQ(std::vector<DWORD>({row.dwForwardIfIndex, row.dwForwardDest, row.dwForwardMask,
                                  row.dwForwardNextHop, row.dwForwardType, row.dwForwardProto,
                                  row.dwForwardMetric1, row.dwForwardMetric5}),
              std::vector<DWORD>(
                  {e.index, e.dest, e.mask, e.next_hop, e.type, e.proto, e.metric, 0xFFFFFFFF}));
  }
}

TEST_F(IpHelperTest, InterfaceRowsAndAdapterRecordsCarryTheInterfaces) {
  auto wlan = Interface(7, MIB_IF_TYPE_ETHERNET, "WLAN1", "0.0.0.0");
  wlan.description = std::string(300, 'd');
  wlan.in_octets = 5000;
  cehost::SetNetworkInterface(wlan);
  auto* table = Fetch<MIB_IFTABLE>(Interfaces);
  ASSERT_EQ(table->dwNumEntries, 3u);
  EXPECT_EQ(table->table[0].dwType, 24u);
  // A replaced interface keeps its place; an over-long description is cut and terminated.
  const MIB_IFROW& row = table->table[1];
  EXPECT_EQ(row.dwIndex, 7u);
  EXPECT_EQ(row.bDescr[254], 'd');
  EXPECT_EQ(row.bDescr[255], 0);
  EXPECT_EQ(row.dwDescrLen, 255u);
  EXPECT_EQ(std::u16string(row.wszName), u"WLAN1");
  EXPECT_EQ(row.dwInOctets, 5000u);
  // Without an address the interface is not operational.
  EXPECT_EQ(row.dwOperStatus, 2u);
  EXPECT_EQ(table->table[2].dwOperStatus, 5u);

  auto* first = Fetch<IP_ADAPTER_INFO>(Adapters);
  ASSERT_EQ(first->Next, first + 1);
  EXPECT_EQ(first->Next->Next, nullptr);
  EXPECT_EQ(std::strlen(first->Description), 131u);
  EXPECT_STREQ(first->IpAddressList.IpAddress, "0.0.0.0");
  const IP_ADAPTER_INFO* ppp = first->Next;
  EXPECT_STREQ(ppp->AdapterName, "PPP1");
  EXPECT_EQ(ppp->Index, 3u);
  EXPECT_EQ(ppp->Type, 23u);
  EXPECT_STREQ(ppp->IpAddressList.IpAddress, "10.0.0.5");
  EXPECT_STREQ(ppp->IpAddressList.IpMask, "255.255.255.0");
}

TEST_F(IpHelperTest, OrderSortsInterfacesByIndexAndRoutesByDestination) {
  struct Case {
    BOOL order;
    std::vector<DWORD> interfaces, routes;
  } cases[] = {
      // Unsorted, both tables keep the order the interfaces came up in.
      {FALSE, {1, 7, 3}, {1, 7, 3}},
      // Sorted: the default route (0.0.0.0) before 10.0.0.5 before 127.0.0.1.
      {TRUE, {1, 3, 7}, {7, 3, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.order);
    std::vector<DWORD> interfaces;
    auto* table = Fetch<MIB_IFTABLE>(
        [&](void* b, ULONG* s) { return GetIfTable(static_cast<MIB_IFTABLE*>(b), s, c.order); });
    for (DWORD i = 0; i < table->dwNumEntries; ++i) interfaces.push_back(table->table[i].dwIndex);
    EXPECT_EQ(interfaces, c.interfaces);
    std::vector<DWORD> routes;
    auto* forward = Fetch<MIB_IPFORWARDTABLE>([&](void* b, ULONG* s) {
      return GetIpForwardTable(static_cast<MIB_IPFORWARDTABLE*>(b), s, c.order);
    });
    for (DWORD i = 0; i < forward->dwNumEntries; ++i) {
      routes.push_back(forward->table[i].dwForwardIfIndex);
    }
    EXPECT_EQ(routes, c.routes);
  }
  // The host's own list is in index order too.
  std::vector<uint32_t> listed;
  for (const auto& i : cehost::NetworkInterfaces()) listed.push_back(i.index);
  EXPECT_EQ(listed, (std::vector<uint32_t>{1, 3, 7}));
  EXPECT_FALSE(cehost::RemoveNetworkInterface(4));
}

}  // namespace
