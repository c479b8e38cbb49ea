// The WLAN hardware of both variants: the serial-bus chip's driver loaded and unloaded through
// the device manager, the SDIO adapter through the network stack's devices and the power
// manager, and the Wi-Fi interface that follows them; what a handset keeps across mounts.
#include <functional>
#include <string>
#include <vector>

#include "device_support.h"
#include "sim/drivers/wlan/ndis_control.h"
#include "sim/drivers/wlan/ndis_power.h"
#include "sim/drivers/wlan/serial_wlan.h"
#include "wlan_support.h"

namespace {

using device_test::DeviceTest;
using device_test::Opened;
using wlan_test::ActiveHandle;
using wlan_test::AdapterList;
using wlan_test::Bytes;
using wlan_test::kAdapterPowerName;
using wlan_test::kDriverKey;
using wlan_test::SwitchSdioAdapter;
using wlan_test::SwitchSerialChip;
using wlan_test::WifiAdapter;

constexpr char kVersion2[] = "[platform]\nhardware_version = 2\n";

HANDLE Activate() {
  return ActivateDeviceEx(kDriverKey, nullptr, 0, nullptr);
}

std::vector<std::string> DeviceEvents(sim::Handset& handset) {
  std::vector<std::string> events;
  for (const auto& e : handset.journal().Entries("device"))
    events.push_back(e.Field("device") + " " + e.Field("event"));
  return events;
}

TEST_F(DeviceTest, SerialChipIsUpExactlyWhileItsDriverIsLoaded) {
  auto handset = Mount();
  EXPECT_EQ(WifiAdapter(), "");
  HANDLE loaded = Activate();
  ASSERT_NE(loaded, INVALID_HANDLE_VALUE);
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(WifiAdapter(), "SWLD24SP1");
  ASSERT_TRUE(ActiveHandle().has_value());
  EXPECT_EQ(*ActiveHandle(), static_cast<DWORD>(reinterpret_cast<uintptr_t>(loaded)));

  // The device manager refuses a second load, and the chip stays up.
  SetLastError(0);
  EXPECT_EQ(Activate(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(WifiAdapter(), "SWLD24SP1");

  ASSERT_TRUE(DeactivateDevice(loaded));
  EXPECT_EQ(WifiAdapter(), "");
  EXPECT_FALSE(ActiveHandle().has_value());
  EXPECT_FALSE(handset->program<sim::SerialWlan>().loaded());
  EXPECT_EQ(DeviceEvents(*handset),
            (std::vector<std::string>{"NDL1: interface up", "NDL1: interface down"}));
}

TEST_F(DeviceTest, SerialChipLetGoOfLateStaysDownOnlyForItsOwnLoad) {
  auto handset = Mount();
  HANDLE first = Activate();
  Opened still_open(u"NDL1:");
  ASSERT_TRUE(still_open.ok());
  ASSERT_TRUE(DeactivateDevice(first));
  // A new load while a handle on the old one is still open: closing that handle lets go of the
  // old load only.
  ASSERT_NE(Activate(), INVALID_HANDLE_VALUE);
  { Opened closes_at_once(u"NDL1:"); }
  EXPECT_EQ(WifiAdapter(), "SWLD24SP1");
  EXPECT_TRUE(handset->program<sim::SerialWlan>().loaded());
}

TEST_F(DeviceTest, SerialChipDriverNeedsItsLibraryAndItsHardware) {
  struct Case {
    std::string toml;
    DWORD error;
  };
  for (const Case& c : {Case{"[swld24sp]\npresent = false\n", ERROR_MOD_NOT_FOUND},
                        // The key is in the registry from the mount before.
                        Case{kVersion2, ERROR_MOD_NOT_FOUND}}) {
    auto handset = Mount(c.toml);
    SetLastError(0);
    EXPECT_EQ(Activate(), INVALID_HANDLE_VALUE) << c.toml;
    EXPECT_EQ(GetLastError(), c.error) << c.toml;
    EXPECT_EQ(WifiAdapter(), "") << c.toml;
  }
}

TEST_F(DeviceTest, SerialChipKeyIsWrittenOnlyWhenMissing) {
  {
    auto handset = Mount();
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kDriverKey, 0, 0, &key), ERROR_SUCCESS);
    // A key the handset was flashed with is its own: here it names another library.
    const char16_t other[] = u"other.dll";
    RegSetValueExW(key, u"Dll", 0, REG_SZ, reinterpret_cast<const BYTE*>(other), sizeof other);
    RegCloseKey(key);
  }
  auto handset = Mount();
  SetLastError(0);
  EXPECT_EQ(Activate(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST_F(DeviceTest, SerialChipLoadedComesBackLoadedAtTheNextMount) {
  {
    auto handset = Mount();
    SwitchSerialChip(true);
  }
  {
    auto handset = Mount();
    EXPECT_TRUE(handset->program<sim::SerialWlan>().loaded());
    EXPECT_TRUE(ActiveHandle().has_value());
    EXPECT_EQ(WifiAdapter(), "SWLD24SP1");
    SwitchSerialChip(false);
  }
  auto handset = Mount();
  EXPECT_FALSE(ActiveHandle().has_value());
  EXPECT_EQ(WifiAdapter(), "");
}

TEST_F(DeviceTest, SdioAdapterIsUpExactlyWhileBoundAndPowered) {
  auto handset = Mount(kVersion2);
  Opened ndis(kNdisDevice);
  auto power = [](CEDEVICE_POWER_STATE state) {
    return SetDevicePower(const_cast<char16_t*>(kAdapterPowerName), POWER_NAME, state);
  };
  auto bind = [&ndis](DWORD code) { return ndis.Control(code, Bytes(AdapterList())).ok; };
  struct Step {
    const char* what;
    std::function<bool()> act;
    std::string adapter;
  };
  std::vector<Step> steps = {
      {"bind", [&] { return bind(IOCTL_NDIS_BIND_ADAPTER); }, "SDIO86881"},
      {"bind again", [&] { return bind(IOCTL_NDIS_BIND_ADAPTER); }, "SDIO86881"},
      {"D4", [&] { return power(D4) == ERROR_SUCCESS; }, ""},
      {"D2 (taken as D4)", [&] { return power(D2) == ERROR_SUCCESS; }, ""},
      {"released", [&] { return power(PwrDeviceUnspecified) == ERROR_SUCCESS; }, "SDIO86881"},
      {"D0", [&] { return power(D0) == ERROR_SUCCESS; }, "SDIO86881"},
      {"unbind", [&] { return bind(IOCTL_NDIS_UNBIND_ADAPTER); }, ""},
      {"unbind again", [&] { return bind(IOCTL_NDIS_UNBIND_ADAPTER); }, ""},
      {"D4 unbound", [&] { return power(D4) == ERROR_SUCCESS; }, ""},
      {"bind while off", [&] { return bind(IOCTL_NDIS_BIND_ADAPTER); }, ""},
      {"released bound", [&] { return power(PwrDeviceUnspecified) == ERROR_SUCCESS; }, "SDIO86881"},
  };
  for (const Step& step : steps) {
    EXPECT_TRUE(step.act()) << step.what;
    EXPECT_EQ(WifiAdapter(), step.adapter) << step.what;
  }
  // Up at the bind, down at D4, up when released, down at the unbind, up when released again.
  EXPECT_EQ(handset->journal().Entries("device").size(), 5u);
  EXPECT_EQ(handset->program<sim::NdisControl>().Summary(), "SDIO86881 bound, powered");
}

TEST_F(DeviceTest, NdisControlRefusesListsItCannotTake) {
  auto handset = Mount(kVersion2);
  Opened ndis(kNdisDevice);
  struct Case {
    const char* what;
    std::vector<uint8_t> input;
  };
  std::vector<char16_t> one_terminator(AdapterList());
  one_terminator.pop_back();
  std::vector<uint8_t> cut = Bytes(AdapterList());
  cut.resize(cut.size() - 1);
  for (const Case& c : {Case{"one terminator only", Bytes(one_terminator)},
                        Case{"the last terminator cut in half", cut},
                        Case{"an unknown adapter", Bytes(AdapterList(u"WLAN1"))},
                        Case{"a known and an unknown",
                             Bytes(AdapterList(std::u16string_view(u"SDIO86881\0WLAN1", 15)))},
                        Case{"no adapter", Bytes({u'\0', u'\0', u'\0'})}}) {
    auto answer = ndis.Control(IOCTL_NDIS_BIND_ADAPTER, c.input);
    EXPECT_FALSE(answer.ok) << c.what;
    EXPECT_EQ(answer.error, static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << c.what;
  }
  EXPECT_FALSE(handset->program<sim::NdisControl>().Adapter().bound);
  // NDIS compares adapter names without case.
  EXPECT_TRUE(ndis.Control(IOCTL_NDIS_BIND_ADAPTER, Bytes(AdapterList(u"sdio86881"))).ok);
  EXPECT_EQ(WifiAdapter(), "SDIO86881");
}

TEST_F(DeviceTest, NdisPowerKeepsAStatePerAdapterNamedThroughThePointer) {
  auto handset = Mount(kVersion2);
  Opened power(kNdisPowerDevice, 0);
  auto save = [&power](const char16_t* name, int state) {
    NDISPWR_SAVEPOWERSTATE record{name, static_cast<CEDEVICE_POWER_STATE>(state)};
    std::vector<uint8_t> bytes(sizeof record);
    std::memcpy(bytes.data(), &record, sizeof record);
    return power.Control(IOCTL_NPW_SAVE_POWER_STATE, bytes);
  };
  std::u16string too_long(300, u'A');
  std::u16string longest(255, u'B');
  struct Case {
    const char16_t* name;
    int state;
    bool taken;
  };
  for (const Case& c :
       {Case{u"SDIO86881", D4, true}, Case{u"OTHER1", PwrDeviceUnspecified, true},
        Case{u"sdio86881", D0, true}, Case{longest.c_str(), D3, true}, Case{nullptr, D4, false},
        Case{u"", D4, false}, Case{too_long.c_str(), D4, false}, Case{u"SDIO86881", 5, false},
        Case{u"SDIO86881", -2, false}}) {
    auto answer = save(c.name, c.state);
    EXPECT_EQ(answer.ok, c.taken ? TRUE : FALSE) << c.state;
    EXPECT_EQ(answer.error, c.taken ? 0u : static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  auto& service = handset->program<sim::NdisPower>();
  EXPECT_EQ(service.SavedState(u"SDIO86881"), std::optional<int>(D0));
  EXPECT_EQ(service.SavedState(u"OTHER1"), std::optional<int>(PwrDeviceUnspecified));
  EXPECT_EQ(service.SavedStates().size(), 3u);
  // A short record is refused before anything is read through it.
  EXPECT_EQ(power.Control(IOCTL_NPW_SAVE_POWER_STATE, {0, 0, 0, 0}).error,
            static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(DeviceTest, EachVariantsSwitchingSequenceBringsWifiUpThenDown) {
  struct Case {
    std::string toml;
    void (*switch_to)(bool);
    std::string adapter;
  };
  for (const Case& c :
       {Case{"", SwitchSerialChip, "SWLD24SP1"}, Case{kVersion2, SwitchSdioAdapter, "SDIO86881"}}) {
    auto handset = Mount(c.toml);
    c.switch_to(true);
    EXPECT_EQ(WifiAdapter(), c.adapter) << c.toml;
    c.switch_to(true);  // again: still up
    EXPECT_EQ(WifiAdapter(), c.adapter) << c.toml;
    c.switch_to(false);
    EXPECT_EQ(WifiAdapter(), "") << c.toml;
    c.switch_to(false);  // again: nothing more to do
    EXPECT_EQ(WifiAdapter(), "") << c.toml;
    auto events = handset->journal().Entries("device");
    ASSERT_EQ(events.size(), 2u) << c.toml;
    EXPECT_EQ(events[0].Field("event"), "interface up");
    EXPECT_EQ(events[0].Field("adapter"), c.adapter);
    EXPECT_EQ(events[1].Field("event"), "interface down");
  }
}

TEST_F(DeviceTest, SdioAdapterStateOutlivesTheMount) {
  {
    auto handset = Mount(kVersion2);
    SwitchSdioAdapter(true);
  }
  {
    auto handset = Mount();
    EXPECT_EQ(WifiAdapter(), "SDIO86881");
    EXPECT_EQ(handset->program<sim::NdisPower>().SavedState(u"SDIO86881"),
              std::optional<int>(PwrDeviceUnspecified));
    // Forced off while bound: it comes back bound and off.
    SetDevicePower(const_cast<char16_t*>(kAdapterPowerName), POWER_NAME, D4);
  }
  auto handset = Mount();
  sim::SdioAdapterState adapter = handset->program<sim::NdisControl>().Adapter();
  EXPECT_TRUE(adapter.bound);
  EXPECT_FALSE(adapter.powered());
  EXPECT_EQ(WifiAdapter(), "");
  EXPECT_EQ(
      SetDevicePower(const_cast<char16_t*>(kAdapterPowerName), POWER_NAME, PwrDeviceUnspecified),
      static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(WifiAdapter(), "SDIO86881");
}

TEST_F(DeviceTest, EachVariantHasOnlyItsOwnWlanDevices) {
  {
    auto handset = Mount();
    EXPECT_FALSE(Opened(kNdisDevice).ok());
    EXPECT_FALSE(Opened(kNdisPowerDevice, 0).ok());
    EXPECT_EQ(SetDevicePower(const_cast<char16_t*>(kAdapterPowerName), POWER_NAME, D4),
              static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  }
  auto handset = Mount(std::string(kVersion2) + "[ndis]\nadapter = false\n");
  EXPECT_TRUE(Opened(kNdisDevice).ok());
  EXPECT_EQ(SetDevicePower(const_cast<char16_t*>(kAdapterPowerName), POWER_NAME, D4),
            static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(Opened(kNdisDevice).Control(IOCTL_NDIS_BIND_ADAPTER, Bytes(AdapterList())).ok);
}

}  // namespace
