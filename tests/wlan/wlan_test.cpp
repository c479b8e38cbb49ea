// The WLAN exports against the simulated handset of each hardware variant: which switches they
// read, what they ask of the device manager, the power manager and the network stack, and the
// Wi-Fi interface that results.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cehost/network.h"
#include "device_support.h"
#include "frame/exports.h"
#include "registry_helpers.h"
#include "reset_support.h"

namespace {

using device_test::DeviceTest;
using device_test::Sent;

constexpr char16_t kWifi[] = u"Software\\VIROVU";
constexpr char16_t kFlyMode[] = u"ControlPanel\\Setting\\FlyMode";

class WlanTest : public DeviceTest {
 protected:
  void StartHardware(int version) {
    Start("[platform]\nhardware_version = " + std::to_string(version) + "\n");
  }
  void Switches(DWORD setting, DWORD test, DWORD fly = 0) {
    Store(HKEY_CURRENT_USER, kWifi, u"wifisetting", Dword(setting));
    Store(HKEY_CURRENT_USER, kWifi, u"wifitest", Dword(test));
    Store(HKEY_CURRENT_USER, kFlyMode, u"FlyModeFlag", Dword(fly));
    ClearJournal();
  }
  static bool WifiUp() {
    for (const auto& i : cehost::NetworkInterfaces())
      if (i.type == 6 && i.address != "0.0.0.0") return true;
    return false;
  }
  // What the handset was asked, in order: controls by device and name, power requests, driver
  // loads, launches.
  std::vector<std::string> Requests() {
    std::vector<std::string> asked;
    for (const auto& e : handset().journal().Entries()) {
      if (e.kind == "device.control")
        asked.push_back(e.Field("device") + " " + e.Field("code_name"));
      if (e.kind == "device.power") asked.push_back("power " + e.Field("state"));
      if (e.kind == "device.activate" || e.kind == "device.deactivate") asked.push_back(e.kind);
      if (e.kind == "program.launch") asked.push_back("launch " + e.Field("file"));
    }
    return asked;
  }
};

TEST_F(WlanTest, WifiIsLoadedOnlyWhenTheUserSwitchedItOnOutsideFlightMode) {
  StartHardware(2);
  struct Case {
    DWORD setting, fly;
    BOOL load;
  } cases[] = {{1, 0, 1}, {1, 1, 0}, {0, 0, 0}, {2, 0, 0}};
  for (const auto& c : cases) {
    Switches(c.setting, 0, c.fly);
    EXPECT_EQ(IsLoadWifiEx(), c.load) << c.setting << " " << c.fly;
  }
  RegDeleteKeyW(HKEY_CURRENT_USER, kWifi);
  EXPECT_EQ(IsLoadWifiEx(), 0);
  // A flag that cannot be read is stored as off, with its broadcast.
  RegDeleteKeyW(HKEY_CURRENT_USER, kFlyMode);
  Store(HKEY_CURRENT_USER, kWifi, u"wifisetting", Dword(1));
  ClearJournal();
  EXPECT_EQ(IsLoadWifiEx(), 1);
  EXPECT_EQ(Load(HKEY_CURRENT_USER, kFlyMode, u"FlyModeFlag"), Dword(0));
  EXPECT_EQ(Entries("window.post").size(), 1u);
}

TEST_F(WlanTest, SdioAdapterIsPoweredThenBoundAndTheReverse) {
  StartHardware(2);
  Switches(1, 0);
  ShellPostWlanEx();
  EXPECT_EQ(Requests(), (std::vector<std::string>{"NPW1: IOCTL_NPW_SAVE_POWER_STATE", "power -1",
                                                  "NDS0: IOCTL_NDIS_BIND_ADAPTER"}));
  const auto bind = Entries("device.control").back();
  // "SDIO86881", its terminator and the list's.
  EXPECT_EQ(bind.bytes.size(), 22u);
  EXPECT_EQ(cehost::HexBytes(bind.bytes.data() + 18, 4), "00000000");
  EXPECT_EQ(Traces(), std::vector<std::string>{"BIND  wlan!!!!\r\n!!!!!"});
  EXPECT_TRUE(WifiUp());
  EXPECT_EQ(Entries("device.power").at(0).Field("name"), "SDIO86881");

  Switches(0, 0);
  ShellPostWlanEx();
  EXPECT_EQ(Requests(), (std::vector<std::string>{"NPW1: IOCTL_NPW_SAVE_POWER_STATE", "power 4",
                                                  "NDS0: IOCTL_NDIS_UNBIND_ADAPTER"}));
  EXPECT_EQ(Traces(), std::vector<std::string>{"UNBIND   wlan!!!!\r\n!!!!!"});
  EXPECT_FALSE(WifiUp());
}

TEST_F(WlanTest, TestSwitchLaunchesTheTestProgramInstead) {
  StartHardware(2);
  struct Case {
    DWORD setting, test, fly;
    std::vector<std::string> asked;
  } cases[] = {
      {1, 1, 0, {"launch \\Disk\\wifi_test\\WifiTestProgram.exe"}},
      {0, 1, 0, {"launch \\Disk\\wifi_test\\WifiTestProgram.exe"}},
      {2, 0, 0, {}},
      {1, 0, 1, {}},
      {0, 1, 1, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.setting) + " " + std::to_string(c.test) + " " +
                 std::to_string(c.fly));
    Switches(c.setting, c.test, c.fly);
    ShellPostWlanEx();
    EXPECT_EQ(Requests(), c.asked);
  }
  RegDeleteKeyW(HKEY_CURRENT_USER, kWifi);
  ClearJournal();
  ShellPostWlanEx();
  EXPECT_TRUE(Requests().empty());
}

TEST_F(WlanTest, StreamDriverHardwareLoadsAndUnloadsItsDriver) {
  StartHardware(1);
  // Unloading with no driver listed asks nothing.
  EXPECT_TRUE(EnableViROVUEx(false));
  EXPECT_TRUE(Requests().empty());
  // An entry whose name does not fit the search's buffer comes first and is passed over.
  Store(HKEY_LOCAL_MACHINE, u"Drivers\\Active\\00-a-name-too-long-for-it", u"Name", Sz(u"XYZ9:"));
  EXPECT_TRUE(EnableViROVUEx(true));
  EXPECT_EQ(Requests(), std::vector<std::string>{"device.activate"});
  ASSERT_EQ(Traces().size(), 2u);
  EXPECT_EQ(Traces()[1],
            "---------------------------------------------Get the message FWStart\r\n");
  EXPECT_TRUE(WifiUp());
  ClearJournal();
  EXPECT_TRUE(EnableViROVUEx(false));
  EXPECT_EQ(Requests(), std::vector<std::string>{"device.deactivate"});
  EXPECT_FALSE(WifiUp());
}

}  // namespace

// Steps of the SDIO variant whose device is missing or refuses are passed over; the others still
// run, and the trace is written whatever the stack did.
TEST_F(WlanTest, SdioStepsThatFailArePassedOver) {
  const std::vector<std::string> all = {"NPW1: IOCTL_NPW_SAVE_POWER_STATE", "power -1",
                                        "NDS0: IOCTL_NDIS_BIND_ADAPTER"};
  struct Case {
    const char* toml;
    std::vector<std::string> asked;
    bool up;
  } cases[] = {
      // The handset keeps its adapter's state from one mount to the next: the cases that leave
      // it unbound come first.
      {"[ndis]\npresent = false\n", {all[0], all[1]}, false},
      {"[ndis]\nadapter = false\n", all, false},
      {"[ndis]\nfail_controls = \"IOCTL_NDIS_BIND_ADAPTER\"\n", all, false},
      {"[ndis_power]\npresent = false\n", {all[1], all[2]}, true},
      {"[ndis_power]\nopen_error = 55\n", {all[1], all[2]}, true},
      {"[ndis_power]\nfail_controls = \"IOCTL_NPW_SAVE_POWER_STATE\"\n", all, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.toml);
    Start(std::string("[platform]\nhardware_version = 2\n") + c.toml);
    Switches(1, 0);
    EXPECT_TRUE(EnableViROVUEx(true));
    EXPECT_EQ(Requests(), c.asked);
    EXPECT_EQ(Traces(), std::vector<std::string>{"BIND  wlan!!!!\r\n!!!!!"});
    EXPECT_EQ(WifiUp(), c.up);
  }
}

// The stream-driver variant: a driver library that is missing loads nothing and traces nothing;
// a listed driver whose handle the device manager does not know fails to unload, traced.
TEST_F(WlanTest, StreamDriverThatCannotLoadOrUnload) {
  Start("[platform]\nhardware_version = 1\n[swld24sp]\npresent = false\n");
  EXPECT_TRUE(EnableViROVUEx(true));
  EXPECT_EQ(Requests(), std::vector<std::string>{"device.activate"});
  EXPECT_TRUE(Traces().empty());
  EXPECT_FALSE(WifiUp());

  Start("[platform]\nhardware_version = 1\n");
  Store(HKEY_LOCAL_MACHINE, u"Drivers\\Active\\07", u"Name", Sz(u"NDL1:"));
  Store(HKEY_LOCAL_MACHINE, u"Drivers\\Active\\07", u"Hnd", Dword(0x1234));
  ClearJournal();
  EXPECT_TRUE(EnableViROVUEx(false));
  EXPECT_EQ(Requests(), std::vector<std::string>{"device.deactivate"});
  EXPECT_EQ(Traces(), (std::vector<std::string>{"RegQueryValueEx(07\\Name) returned\r\n",
                                                "\r\nUnloadDriver : SWLD24SP\r\n"}));
}
