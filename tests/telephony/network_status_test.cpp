// The network status query: which kind of network the IP helper's tables show, by priority, and
// the trace it leaves.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ce/registry.h"
#include "cehost/network.h"
#include "cehost/platform_info.h"
#include "frame/exports.h"
#include "frame/registry_value.h"
#include "handset_fixture.h"
#include "sim/network/network.h"
#include "telephony/network_status.h"

namespace {

using cehost::NetworkInterface;

// The modem's link while a dial-up connection is up.
NetworkInterface Gprs() {
  return sim::GprsLinkInterface();
}

// A Wi-Fi interface whose description names one chip and whose adapter, with an address, is
// named as given.
NetworkInterface Wifi(const std::string& chip, const std::string& adapter) {
  NetworkInterface wifi = sim::WifiInterface(sim::WifiChip::kSdio86881);
  wifi.description = chip + " WLAN";
  wifi.adapter_name = adapter;
  return wifi;
}

NetworkInterface Usb(const std::string& description) {
  NetworkInterface usb = sim::UsbInterface();
  usb.description = description;
  return usb;
}

NetworkInterface OfType(NetworkInterface interface, uint32_t type) {
  interface.type = type;
  return interface;
}

class NetworkStatusTest : public HandsetTest {
 protected:
  void SetHardwareVersion(uint32_t version) {
    std::vector<uint32_t> words = cehost::DefaultPlatformInfo();
    words[6] = version;
    cehost::SetPlatformInfo(words);
  }
  void SetProxy(std::optional<DWORD> proxy) {
    if (proxy) WriteRegistryDword(HKEY_LOCAL_MACHINE, u"DialParameter", u"GprsIsProxy", *proxy);
  }
  // The interface table, freed when it goes.
  std::unique_ptr<MIB_IFTABLE, decltype(&free)> GetInterfaceTableForTest() {
    return {GetInterfaceTable(FALSE), &free};
  }
  std::vector<std::string> Traces() {
    std::vector<std::string> lines;
    for (const auto& e : handset().journal().Entries("trace")) lines.push_back(e.Field("text"));
    return lines;
  }
};

TEST_F(NetworkStatusTest, KindsRankWifiBeforeUsbBeforeGprs) {
  const NetworkInterface swld = sim::WifiInterface(sim::WifiChip::kSwld24sp1);
  const NetworkInterface sdio = sim::WifiInterface(sim::WifiChip::kSdio86881);
  const NetworkInterface unaddressed = sim::WifiInterface(sim::WifiChip::kSwld24sp1, "0.0.0.0");
  const NetworkInterface usb = sim::UsbInterface();
  struct Case {
    const char* name;
    uint32_t hardware_version;
    std::optional<DWORD> proxy;
    DWORD status;
    std::vector<NetworkInterface> interfaces;
  } cases[] = {
      {"loopback only", 1, {}, 1, {}},
      {"Wi-Fi of this chip", 1, {}, 2, {swld}},
      {"Wi-Fi of the other chip", 2, {}, 2, {sdio}},
      {"Wi-Fi without an address, USB", 1, {}, 3, {unaddressed, usb}},
      {"Wi-Fi without an address alone", 1, {}, 1, {unaddressed}},
      {"Wi-Fi and GPRS", 1, 1, 2, {Gprs(), swld}},
      {"USB and GPRS", 1, 1, 3, {Gprs(), usb}},
      {"GPRS, no proxy value", 1, {}, 5, {Gprs()}},
      {"GPRS with proxy", 1, 1, 4, {Gprs()}},
      {"GPRS, proxy value 2", 1, 2, 5, {Gprs()}},
      // Version 1 asks for "SWLD24SP1", whichever chip's name the interface has; any other
      // version for "SDIO86881".
      {"SDIO86881 listed, version 1, SWLD24SP1 up", 1, {}, 2, {Wifi("SDIO86881", "SWLD24SP1")}},
      {"SDIO86881 listed, version 1, SDIO86881 up", 1, {}, 1, {Wifi("SDIO86881", "SDIO86881")}},
      {"SWLD24SP1 listed, version 2, SDIO86881 up", 2, {}, 2, {Wifi("SWLD24SP1", "SDIO86881")}},
      {"SWLD24SP1 listed, version 0, SWLD24SP1 up", 0, {}, 1, {Wifi("SWLD24SP1", "SWLD24SP1")}},
      // Descriptions are matched case-sensitively anywhere in the text, on rows of a type other
      // than 1.
      {"USB among other words", 1, {}, 3, {Usb("Remote NDIS USB Gadget")}},
      {"usb in lower case", 1, {}, 1, {Usb("Remote NDIS usb Gadget")}},
      {"USB of type 1", 1, {}, 1, {OfType(usb, 1)}},
      {"GPRS of type 1", 1, 1, 1, {OfType(Gprs(), 1)}},
      {"Wi-Fi of type 1", 1, {}, 1, {OfType(swld, 1)}},
  };

  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // Each case on a handset of its own (the old one goes first: it takes the current one along).
    handset_.reset();
    handset_ = std::make_unique<sim::Handset>();
    for (const auto& interface : c.interfaces) cehost::SetNetworkInterface(interface);
    SetHardwareVersion(c.hardware_version);
    SetProxy(c.proxy);
    EXPECT_EQ(QueryNetWorkStatus(), c.status);
    EXPECT_EQ(CalllNotifyApiQueryNetWorkStatus(), static_cast<int>(c.status));
  }
}

TEST_F(NetworkStatusTest, NoNetworkCardOrNoRouteIsOneWithItsTraceLine) {
  // The USB link is listed but has no route: the loopback's is the only one.
  NetworkInterface usb = sim::UsbInterface();
  usb.has_route = false;
  cehost::SetNetworkInterface(usb);
  EXPECT_EQ(QueryNetWorkStatus(), 1u);
  // Without the loopback's route there is no route table at all.
  cehost::RemoveNetworkInterface(sim::kLoopbackIndex);
  EXPECT_EQ(QueryNetWorkStatus(), 1u);
  EXPECT_EQ(Traces(), (std::vector<std::string>{
                          "Corvanta::QueryNetWorkStatus::Check netcard is existing or not\r\n",
                          "Corvanta::QueryNetWorkStatus::GetIpForwardTable error\r\n"}));
}

TEST_F(NetworkStatusTest, EachMatchIsTracedWithTheRouteRowAtItsPosition) {
  cehost::SetNetworkInterface(sim::WifiInterface(sim::WifiChip::kSwld24sp1, "0.0.0.0"));
  cehost::SetNetworkInterface(sim::UsbInterface());
  // A second USB link without a route of its own: no route row at its position.
  NetworkInterface second = Usb("USB Serial Link");
  second.index = 9;
  second.has_route = false;
  cehost::SetNetworkInterface(second);
  EXPECT_EQ(QueryNetWorkStatus(), 3u);
  EXPECT_EQ(Traces(),
            (std::vector<std::string>{
                // The row's type is printed as its "index".
                "Corvanta::QueryNetworkStatus..network name=SWLD24SP1 Wireless LAN Adapter,"
                "index=6\r\n",
                "Corvanta::QueryNetworkStatus.dwHighestMetric.=10,index=2\r\n",
                // The Wi-Fi adapter has no address: nothing more is printed for it.
                "Corvanta::QueryNetworkStatus..network name=USB Remote NDIS Network Device,"
                "index=6\r\n",
                "Corvanta::QueryNetworkStatus.dwHighestMetric.=20,index=3\r\n",
                // The walk goes on past the first match.
                "Corvanta::QueryNetworkStatus..network name=USB Serial Link,index=6\r\n",
                "Corvanta::QueryNetworkStatus...state=3\r\n",
            }));
}

TEST_F(NetworkStatusTest, AdapterLookupComparesNamesExactlyAndTracesItsFailure) {
  // With the loopback alone the adapter list has no data; the line has no line end.
  SetLastError(1234);
  EXPECT_FALSE(GetAdapterConnectStatus(u"SWLD24SP1"));
  EXPECT_EQ(Traces(), (std::vector<std::string>{"Error onnection status: 1234"}));
  cehost::SetNetworkInterface(sim::UsbInterface());
  cehost::SetNetworkInterface(sim::WifiInterface(sim::WifiChip::kSdio86881));
  for (const char16_t* other : {u"sdio86881", u"SDIO8688", u"SDIO868811", u"LOOPBACK"}) {
    EXPECT_FALSE(GetAdapterConnectStatus(other)) << U8(other);
  }
  EXPECT_TRUE(GetAdapterConnectStatus(u"SDIO86881"));
  EXPECT_TRUE(GetAdapterConnectStatus(u"RNDISFN1"));
  // A name that is not found prints nothing.
  EXPECT_EQ(Traces().size(), 1u);
}

TEST_F(NetworkStatusTest, InterfaceTableBeyondThirtyOneRowsTakesASecondRequest) {
  for (uint32_t index = 100; index < 140; ++index) {
    NetworkInterface extra = Usb("Other");
    extra.index = index;
    cehost::SetNetworkInterface(extra);
  }
  auto table = GetInterfaceTableForTest();
  ASSERT_NE(table, nullptr);
  ASSERT_EQ(table->dwNumEntries, 41u);
  EXPECT_EQ(table->table[40].dwIndex, 139u);
}

}  // namespace
