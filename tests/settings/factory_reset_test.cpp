// The network and factory resets against the simulated handset: the values they write, the
// drivers they reach, the USB client selection, and a handset after a factory reset.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "ce/locale.h"
#include "ce/windows.h"
#include "device_support.h"
#include "frame/exports.h"
#include "registry_helpers.h"
#include "reset_support.h"
#include "sensors/touch.h"
#include "settings/usb_client.h"
#include "sim/default_handset.h"
#include "sim/drivers/infrared/infrared.h"
#include "sim/drivers/touch/touch.h"
#include "sim/drivers/usb_function/usb_function.h"

namespace {

using device_test::DeviceTest;

constexpr char16_t kRing[] = u"ControlPanel\\Ring";
constexpr char16_t kLanguage[] = u"ControlPanel\\Setting\\Language";

class FactoryResetTest : public DeviceTest {
 protected:
  bool Exists(std::u16string_view path) {
    return std::filesystem::exists(handset().HostPath(path));
  }
  bool Traced(const std::string& line) {
    for (const auto& text : Traces())
      if (text == line) return true;
    return false;
  }
};

TEST_F(FactoryResetTest, LanguageFollowsTheStoredVersion) {
  struct Case {
    const char* what;
    std::optional<StoredValue> version;
    LCID locale;
  } cases[] = {
      {"1252", Dword(1252), 0x040C},
      {"936", Dword(936), 0x0804},
      {"0", Dword(0), 0x0804},
      {"missing", std::nullopt, 0x0804},
  };
  Start();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RegDeleteKeyW(HKEY_CURRENT_USER, kLanguage);
    if (c.version) Store(HKEY_CURRENT_USER, kLanguage, u"LanguageVer", *c.version);
    ClearJournal();
    EXPECT_EQ(SettingApiResetFactorySettings(), 1);
    EXPECT_EQ(GetSystemDefaultLCID(), c.locale);
    EXPECT_EQ(GetUserDefaultLCID(), c.locale);
    EXPECT_EQ(GetUserDefaultUILanguage(), static_cast<LANGID>(c.locale));
    bool broadcast = false;
    for (const auto& e : Entries("window.post"))
      broadcast |= e.Field("msg") == "0x001a" || e.Field("msg") == "WM_SETTINGCHANGE";
    EXPECT_TRUE(broadcast);
  }
}

TEST_F(FactoryResetTest, RingTonesTakeTheirDefaultsWhole) {
  Start();
  std::u16string full(255, u'r');  // fills the 255 characters, with no terminator stored
  StoredValue unterminated{REG_SZ, {}};
  for (char16_t c : full) {
    unterminated.bytes.push_back(static_cast<BYTE>(c));
    unterminated.bytes.push_back(0);
  }
  Store(HKEY_CURRENT_USER, kRing, u"CallRingDef", Sz(u"\\Windows\\Ring.wav"));
  Store(HKEY_CURRENT_USER, kRing, u"IncomingCall", Sz(u"\\Disk\\Mine.wav"));
  Store(HKEY_CURRENT_USER, kRing, u"MsgToneDef", unterminated);
  EXPECT_EQ(SettingApiResetFactorySettings(), 1);
  EXPECT_EQ(Load(HKEY_CURRENT_USER, kRing, u"IncomingCall"), Sz(u"\\Windows\\Ring.wav"));
  EXPECT_EQ(Load(HKEY_CURRENT_USER, kRing, u"bCallRingDef"), Dword(1));
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kRing, 0, 0, &key), ERROR_SUCCESS);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExW(key, u"MessageTone", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 256u * 2);
  RegCloseKey(key);
  // Without a default the tone becomes the empty string.
  RegDeleteValueW(HKEY_CURRENT_USER, u"CallRingDef");
  HKEY ring = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kRing, 0, 0, &ring), ERROR_SUCCESS);
  RegDeleteValueW(ring, u"CallRingDef");
  RegCloseKey(ring);
  EXPECT_EQ(SettingApiResetFactorySettings(), 1);
  EXPECT_EQ(Load(HKEY_CURRENT_USER, kRing, u"IncomingCall"), Sz(u""));
}

TEST_F(FactoryResetTest, DriversAreReachedDirectly) {
  Start("[infrared]\nlevel = 3\n");
  struct Case {
    DWORD setting;
    DWORD after;
  } cases[] = {{3, 0}, {2, 0}, {1, 1}, {0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.setting);
    ASSERT_EQ(SetTouchDriverSetting(c.setting), 1);
    ASSERT_EQ(IRSensorSetIRSensorLevel(3), 1);
    Store(HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\IRSensor", u"Threshold", Dword(9));
    Store(HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\IRSensor", u"Keep", Dword(9));
    ClearJournal();
    EXPECT_EQ(SettingApiResetFactorySettings(), 1);
    EXPECT_EQ(handset().program<sim::Touch>().State().setting, c.after);
    // The setting word is written only when its bit was set.
    size_t writes = 0;
    for (const auto& sent : Controls("TCH0:")) writes += sent.code_name == "IOCTL_TCH_SET_SETTING";
    EXPECT_EQ(writes, (c.setting & 2) ? 1u : 0u);
    EXPECT_EQ(handset().program<sim::Infrared>().State().level, 2u);
    EXPECT_FALSE(Load(HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\IRSensor", u"Threshold"));
    EXPECT_TRUE(Load(HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\IRSensor", u"Keep"));
    const auto state = handset().program<sim::UsbFunction>().State();
    EXPECT_EQ(state.current_client, u"Mass_Storage_Class");
    EXPECT_EQ(state.default_client, u"Mass_Storage_Class");
    EXPECT_TRUE(Traced("Changed to USB driver Mass_Storage_Class\n"));
    EXPECT_TRUE(Traced("Changed Default USB Client driver to \"Mass_Storage_Class\" \n"));
  }
}

TEST_F(FactoryResetTest, MissingDevicesArePassedOver) {
  Start("[touch]\npresent = false\n[infrared]\npresent = false\n[usb]\npresent = false\n");
  EXPECT_EQ(SettingApiResetFactorySettings(), 1);
  EXPECT_TRUE(Traced("No available UsbFn controller!\r\n"));
  EXPECT_EQ(Load(HKEY_CURRENT_USER, u"Software\\VIROVU", u"wifisetting"), std::nullopt);
}

TEST_F(FactoryResetTest, UsbClientNamesAreSentWholeOrNotAtAll) {
  Start();
  // A null name is an empty one: no client.
  EXPECT_NE(USBChangeCurrentDriver(nullptr), 0);
  EXPECT_EQ(handset().program<sim::UsbFunction>().State().current_client, u"");
  EXPECT_TRUE(Traced("No USB driver loaded\n"));
  // 128 characters do not fit the record: refused before anything is sent.
  ClearJournal();
  std::u16string long_name(128, u'c');
  EXPECT_EQ(USBChangeCurrentDriver(long_name.c_str()), 0);
  EXPECT_EQ(USBChangeDefaultDriver(long_name.c_str()), 0);
  EXPECT_TRUE(Entries("device.control").empty());
  // 127 characters are sent; the controller refuses a client it does not know.
  std::u16string longest(127, u'c');
  EXPECT_EQ(USBChangeCurrentDriver(longest.c_str()), 0);
  ASSERT_EQ(Entries("device.control").size(), 1u);
  EXPECT_EQ(Entries("device.control")[0].bytes.size(), 256u);
  EXPECT_TRUE(
      Traced("Change to client driver \"" + std::string(127, 'c') + "\" failed, error 87\n"));
  UFN_CLIENT_INFO info;
  std::memset(&info, 0xEE, sizeof info);
  EXPECT_NE(USBChangeDefaultDriver(u"RNDIS_Class"), 0);
  EXPECT_NE(USBGetDefaultDriver(&info), 0);
  EXPECT_EQ(std::u16string(info.szName), u"RNDIS_Class");
}

TEST_F(FactoryResetTest, NetworkResetClearsProfilesAndRadioSettings) {
  Start();
  handset().PutFile(u"\\Windows\\46000.ini", {'[', 'C', ']', '\r', '\n'});
  handset().PutFile(u"\\Windows\\46000cpy.ini", {'[', 'C', ']', '\r', '\n'});
  handset().PutFile(u"\\Disk\\Mine.ini", {'[', 'M', ']', '\r', '\n'});
  Store(HKEY_LOCAL_MACHINE, u"Software\\Razud\\Path", u"UsrConnectNodePath",
        Sz(u"\\Disk\\Mine.ini"));
  Store(HKEY_CURRENT_USER, u"ControlPanel\\Setting\\FlyMode", u"FlyModeFlag", Dword(1));
  Store(HKEY_CURRENT_USER, u"Software\\VIROVU", u"wifisetting", Dword(1));
  EXPECT_EQ(SettingApiResetNetSettings(), 1);
  EXPECT_FALSE(Exists(u"\\Disk\\Mine.ini"));
  EXPECT_FALSE(Exists(u"\\Windows\\46000cpy.ini"));
  EXPECT_TRUE(Exists(u"\\Windows\\46000.ini"));
  EXPECT_EQ(Load(HKEY_CURRENT_USER, u"ControlPanel\\Setting\\FlyMode", u"FlyModeFlag"), Dword(0));
  EXPECT_EQ(Load(HKEY_CURRENT_USER, u"ControlPanel\\Setting\\EDGE", u"Switch"), Dword(1));
  EXPECT_EQ(Load(HKEY_CURRENT_USER, u"ControlPanel\\Setting\\EDGE", u"CallFirst"), Dword(0));
  EXPECT_EQ(Load(HKEY_CURRENT_USER, u"Software\\VIROVU", u"wifisetting"), Dword(0));
  EXPECT_EQ(SettingApiBTIsOn(), 0);
}

}  // namespace
