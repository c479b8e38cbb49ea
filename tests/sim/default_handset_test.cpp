// The default handset: made from its data files, it is a handset the library works on.
#include <gtest/gtest.h>

#include <map>
#include <tuple>

#include "ce/files.h"
#include "frame/exports.h"
#include "handset_fixture.h"
#include "oem/phone_adapter.h"
#include "reg_support.h"
#include "sim/default_handset.h"
#include "sim/drivers/touch/touch.h"
#include "sim/drivers/usb_function/usb_function.h"
#include "sim/handset.h"
#include "sim/modem/modem.h"
#include "sim/phone_adapter/phone_adapter_program.h"
#include "sim/regfile/reg_file.h"
#include "sim/regfile/reg_parse.h"
#include "telephony/access_point.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

using DefaultHandsetTest = TempDirTest;

TEST_F(DefaultHandsetTest, FreshHomeGetsTheFilesWithoutKeepMarkers) {
  fs::path home = dir() / "a" / "handset";
  sim::InitHandset(home);
  fs::path data = sim::DefaultHandsetData();
  EXPECT_EQ(FileBytes(home / "fs/Windows/46000.ini"), FileBytes(data / "fs/Windows/46000.ini"));
  EXPECT_EQ(FileBytes(home / "handset.toml"), FileBytes(data / "handset.toml"));
  fs::path log = home / "fs/Disk/Application Data/Log";
  ASSERT_TRUE(fs::is_directory(log));
  EXPECT_TRUE(fs::is_empty(log));
  EXPECT_TRUE(fs::exists(home / "registry.db"));
}

// Each key of a .reg file with its values in order, by the key's full name; the device
// manager's list of the drivers it loaded when the handset started is left out.
using RegContents =
    std::map<std::u16string, std::vector<std::tuple<std::u16string, DWORD, std::vector<uint8_t>>>>;
RegContents ContentsOf(const std::vector<uint8_t>& bytes) {
  RegContents contents;
  for (const sim::RegOperation& op : sim::ParseRegFile(bytes)) {
    if (op.full_name.starts_with(u"HKEY_LOCAL_MACHINE\\Drivers\\Active")) continue;
    auto& values = contents[op.full_name];
    if (op.kind == sim::RegOperation::Kind::kSetValue)
      values.emplace_back(op.name, op.type, op.data);
  }
  return contents;
}

std::vector<uint8_t> DwordBytes(uint32_t value) {
  return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
          static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

TEST_F(DefaultHandsetTest, RegistryIsTheFactoryFileExactly) {
  sim::InitHandset(dir());
  sim::Handset handset(sim::Handset::Options{dir(), false});
  RegContents file = ContentsOf(FileBytes(sim::DefaultHandsetData() / "registry.reg"));
  RegContents exported = ContentsOf(sim::ExportRegistry({}));
  EXPECT_EQ(exported.size(), file.size());
  for (const auto& [key, values] : file) {
    auto found = exported.find(key);
    ASSERT_NE(found, exported.end()) << U8(key);
    EXPECT_TRUE(found->second == values) << U8(key);
  }
  EXPECT_EQ(QueryValue(HKEY_LOCAL_MACHINE, u"Software\\Razud\\Path", u"UsrConnectNodePath"),
            (RegValue{REG_SZ, SzBytes(u"\\Disk\\Application Data\\Connect\\UsrConnectNode.ini")}));
}

// A used handset: the settings that the resets restore hold other values than the factory's,
// and the files and folders they delete are there.
TEST_F(DefaultHandsetTest, SettingsAreTheUsersNotTheFactorys) {
  sim::InitHandset(dir());
  sim::Handset handset(sim::Handset::Options{dir(), false});
  struct Setting {
    HKEY root;
    const char16_t* key;
    const char16_t* name;
    RegValue used;
  };
  auto dword = [](uint32_t value) { return RegValue{REG_DWORD, DwordBytes(value)}; };
  auto sz = [](std::u16string_view text) { return RegValue{REG_SZ, SzBytes(text)}; };
  const Setting settings[] = {
      {HKEY_LOCAL_MACHINE, u"Software\\Razud\\PhotoViewer", u"SlideEffect", dword(0)},
      {HKEY_LOCAL_MACHINE, u"Software\\Razud\\FileBrowser", u"Position", dword(3)},
      {HKEY_CURRENT_USER, u"SOFTWARE\\VERIDAZ", u"email", sz(u"li.wei@example.com")},
      {HKEY_LOCAL_MACHINE, u"SOFTWARE\\Razud\\Email", u"autoupdat", dword(1)},
      {HKEY_CURRENT_USER, u"Software\\VIROVU", u"wifisetting", dword(1)},
      {HKEY_CURRENT_USER, u"Software\\VIROVU", u"wifitest", dword(0)},
      {HKEY_CURRENT_USER, u"ControlPanel\\Volume", u"UsrVolume", dword(80)},
      {HKEY_CURRENT_USER, u"ControlPanel\\Ring", u"CallRingDef",
       sz(u"\\Windows\\Rings\\Classic.wav")},
      {HKEY_CURRENT_USER, u"ControlPanel\\Ring", u"IncomingCall",
       sz(u"\\Disk\\My Documents\\My Music\\Summer.wav")},
      {HKEY_LOCAL_MACHINE, u"Software\\Razud\\CameraSetup", u"IsPlaySound", dword(0)},
      {HKEY_CURRENT_USER, u"ControlPanel\\BackLight", u"BacklightLevel", dword(200)},
      {HKEY_CURRENT_USER, u"ControlPanel\\Setting\\Language", u"LanguageVer", dword(1252)},
      {HKEY_LOCAL_MACHINE, u"System\\CurrentControlSet\\Control\\Power\\Timeouts", u"BattSuspend",
       dword(300)},
      {HKEY_CURRENT_USER, u"ControlPanel\\Desktop", u"PhoneLock", dword(1)},
      {HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\Battery", u"ChargeWithUSBDevice", dword(1)},
      {HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\IRSensor", u"Threshold", dword(150)},
      {HKEY_LOCAL_MACHINE, u"Software\\Razud\\Theme", u"ThemeName", sz(u"Ocean")},
      {HKEY_LOCAL_MACHINE, u"Software\\Razud\\Theme", u"DllTheme", dword(1)},
      {HKEY_LOCAL_MACHINE, u"Software\\Razud\\DovuZivUvaro\\Main\\Calendar", u"AnimateIcon",
       dword(0)},
      {HKEY_CURRENT_USER, u"ControlPanel\\Desktop", u"callPaper",
       sz(u"\\Disk\\My Documents\\My Pictures\\Family.png")},
      {HKEY_LOCAL_MACHINE, u"SOFTWARE\\VIVADOV", u"f", sz(u"1")},
      {HKEY_LOCAL_MACHINE, u"Software\\Microsoft\\Bluetooth\\Razud", u"DeviceName",
       sz(u"Li Wei's M8")},
      {HKEY_LOCAL_MACHINE, u"Software\\Microsoft\\Obex", u"IsEnabled", dword(0)},
      {HKEY_LOCAL_MACHINE, u"Software\\Microsoft\\Bluetooth\\Razud\\PairedDevice", u"001A7DDA7113",
       sz(u"BH-320 Headset")},
      {HKEY_CURRENT_USER, u"ControlPanel\\Setting\\EDGE", u"CallFirst", dword(1)},
      {HKEY_CURRENT_USER, u"ControlPanel\\Setting\\EDGE", u"RoamSwitch", dword(0)},
      {HKEY_LOCAL_MACHINE, u"Drivers\\SSP\\SWLD24SP", u"Prefix", sz(u"NDL")},
  };
  for (const Setting& s : settings)
    EXPECT_EQ(QueryValue(s.root, s.key, s.name), s.used) << U8(s.key) << " " << U8(s.name);

  // Each live colour differs from its template, which the theme reset copies back.
  for (const char16_t* name : {u"Background", u"Text", u"Highlight", u"TitleBar"}) {
    auto live = QueryValue(HKEY_LOCAL_MACHINE, u"Software\\Razud\\Theme\\Colors", name);
    ASSERT_TRUE(live) << U8(name);
    EXPECT_NE(live,
              QueryValue(HKEY_LOCAL_MACHINE, u"Software\\Razud\\Theme\\Default\\Colors", name))
        << U8(name);
  }

  // The files the settings name, and the ones the resets delete, are there.
  for (const char16_t* path :
       {u"\\Windows\\Rings\\Classic.wav", u"\\Windows\\Rings\\Notify.wav",
        u"\\Disk\\My Documents\\My Pictures\\Lake.png", u"\\Windows\\DesktopBg.png",
        u"\\Windows\\CallBg.jpg", u"\\Documents and Settings\\encryptFile.txt",
        u"\\Disk\\Ebook\\Ebook.ini", u"\\Disk\\Ebook\\Ebook.dat", u"\\Windows\\46000cpy.ini",
        u"\\Disk\\Application Data\\Connect\\UsrConnectNode.ini"})
    EXPECT_FALSE(handset.ReadFile(path).empty()) << U8(path);
  for (const char16_t* folder :
       {u"\\Windows\\Themes\\Default1", u"\\Windows\\Themes\\Default2",
        u"\\Windows\\Themes\\Default2\\Icons", u"\\Windows\\Themes\\Default3"}) {
    fs::path host = handset.HostPath(folder);
    ASSERT_TRUE(fs::is_directory(host)) << U8(folder);
    EXPECT_FALSE(fs::is_empty(host)) << U8(folder);
    // A plain folder, so that the theme reset removes it.
    EXPECT_EQ(GetFileAttributesW(folder), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY))
        << U8(folder);
  }

  // The hardware's own state: the touch setting word with bit 1 set, and a USB client other
  // than mass storage.
  EXPECT_EQ(handset.program<sim::Touch>().State().setting & 2, 2u);
  EXPECT_EQ(handset.program<sim::UsbFunction>().State().current_client, u"RNDIS_Class");
  EXPECT_EQ(handset.program<sim::UsbFunction>().State().default_client, u"RNDIS_Class");
}

TEST_F(DefaultHandsetTest, LibraryFindsTheSelectedAccessPointAndDials) {
  sim::InitHandset(dir());
  sim::Handset handset(sim::Handset::Options{dir(), false});
  EXPECT_EQ(U8(handset.program<sim::PhoneAdapter>().phone().Script()->imsi), "460001234567890");
  WCHAR name[255] = {};
  ASSERT_TRUE(GetDefaultAccessName(name));
  EXPECT_EQ(U8(name), "CMNET");
  EXPECT_EQ(CalllNotifyApiStartGprsConnect2(nullptr, 0), 1);
  EXPECT_TRUE(handset.program<sim::Modem>().Connected());
  EXPECT_EQ(U8(handset.program<sim::Modem>().LastDial().apn), "cmnet");
  EXPECT_EQ(QueryNetWorkStatus(), 5u);
}

TEST_F(DefaultHandsetTest, HomeThatHoldsAHandsetIsRefusedUntouched) {
  sim::InitHandset(dir());
  WriteText(dir() / "fs/Windows/46000.ini", "changed");
  EXPECT_THROW(sim::InitHandset(dir()), sim::HandsetInitError);
  EXPECT_EQ(FileBytes(dir() / "fs/Windows/46000.ini"),
            std::vector<uint8_t>({'c', 'h', 'a', 'n', 'g', 'e', 'd'}));

  WriteText(dir() / "other/journal.jsonl", "{}\n");
  EXPECT_THROW(sim::InitHandset(dir() / "other"), sim::HandsetInitError);
  WriteText(dir() / "plain-file", "x");
  EXPECT_THROW(sim::InitHandset(dir() / "plain-file"), sim::HandsetInitError);
}

TEST_F(DefaultHandsetTest, BrokenDataLeavesNothingBehind) {
  fs::path data = dir() / "data";
  fs::copy(sim::DefaultHandsetData(), data, fs::copy_options::recursive);
  WriteText(data / "registry.reg", "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"x\"=dword:zz\r\n");
  setenv("M8_DEFAULT_HANDSET_DATA", data.c_str(), 1);
  EXPECT_EQ(sim::DefaultHandsetData(), data);
  try {
    sim::InitHandset(dir() / "home");
    ADD_FAILURE() << "made a handset from a broken registry.reg";
  } catch (const sim::HandsetInitError& e) {
    EXPECT_NE(std::string(e.what()).find("line 3"), std::string::npos) << e.what();
  }
  // Neither the home nor the folder it was being made in is left.
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(dir()))
    left.push_back(entry.path().filename().string());
  EXPECT_EQ(left, std::vector<std::string>{"data"});
  unsetenv("M8_DEFAULT_HANDSET_DATA");
}

}  // namespace
